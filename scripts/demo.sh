#!/usr/bin/env bash
# Builds everything (engine, tools, the KAL fonts) and runs the main job:
# lists the fonts, then writes "Hello, world." with the default font to
# hello.wav through its phonetic string.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh build
build/bin/kavrel fonts
text=${1:-"Hello, world."}
phonetics=$(build/bin/kavrel phonetics "$text")
echo "phonetics: $phonetics"
build/bin/kavrel say --phonetic "$phonetics" -o hello.wav
echo "wrote hello.wav"
