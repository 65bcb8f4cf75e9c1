#!/usr/bin/env bash
# Speech made per CPU second: `kavrel say -o` against flite's kal16 voice
# on the same text, in the same run.  Prints, for each, the seconds of
# audio, the CPU seconds (user + system) and their ratio, then kavrel's
# throughput as a multiple of flite's.
# Usage: bench/say_throughput.sh [TEXT_FILE [BUILD_DIR]]
set -euo pipefail
cd "$(dirname "$0")/.."
text=${1:-/usr/share/common-licenses/GPL-3}
build=${2:-build}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# CPU seconds of a command, its output thrown away.
cpu_seconds() {
    local TIMEFORMAT='%U %S'
    { time "$@" >/dev/null 2>&1; } 2>"$tmp/time"
    awk '{ printf "%.3f\n", $1 + $2 }' "$tmp/time"
}
audio_seconds() {
    python3 -c 'import sys, wave; w = wave.open(sys.argv[1]); print("%.3f" % (w.getnframes() / w.getframerate()))' "$1"
}

kavrel_cpu=$(cpu_seconds "$build/bin/kavrel" say -o "$tmp/kavrel.wav" -f "$text")
flite_cpu=$(cpu_seconds flite -voice kal16 -f "$text" -o "$tmp/flite.wav")
kavrel_audio=$(audio_seconds "$tmp/kavrel.wav")
flite_audio=$(audio_seconds "$tmp/flite.wav")

awk -v ka="$kavrel_audio" -v kc="$kavrel_cpu" -v fa="$flite_audio" -v fc="$flite_cpu" -v t="$text" 'BEGIN {
    kc = kc > 0 ? kc : 0.001; fc = fc > 0 ? fc : 0.001
    printf "text: %s\n", t
    printf "%-8s %10s %8s %12s\n", "engine", "audio s", "CPU s", "audio/CPU"
    printf "%-8s %10.1f %8.2f %12.1f\n", "kavrel", ka, kc, ka / kc
    printf "%-8s %10.1f %8.2f %12.1f\n", "flite", fa, fc, fa / fc
    printf "kavrel/flite throughput: %.2fx\n", (ka / kc) / (fa / fc)
}'
