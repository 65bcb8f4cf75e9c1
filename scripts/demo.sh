#!/usr/bin/env bash
# Builds everything and runs the main job: for now, listing the registered
# speech fonts (on a machine without any, it says so and succeeds).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh build
build/bin/kavrel fonts
