#!/usr/bin/env bash
# Builds everything (engine, tools, the KAL fonts) and runs the main job:
# lists the fonts, shows how the default font reads the text, then speaks
# "Hello, world." with it into hello.wav (no sound card needed).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh build
build/bin/kavrel fonts
build/bin/kavrel phonetics "Hello, world."
build/bin/kavrel say -o hello.wav "Hello, world."
