#!/usr/bin/env bash
# Intelligibility judge: synthesises every line of a text with our default
# voice (KAL16) and with flite's kal16 voice (made from the same diphone
# recordings), transcribes both with PocketSphinx and prints both word error
# rates from the same run.
#   bench/judge.sh [--phonetic-from-cmudict] [TEXT_FILE]
#                                (default: ../shared/eval/harvard-dev.txt)
# --phonetic-from-cmudict: our voice speaks every word as festival's CMU
# lexicon pronounces it (bench/cmudict_phonetics.py), with the pitch marks
# and pauses of our rules; against the normal run it separates the errors of
# pronunciation from those of the voice.
set -euo pipefail
cd "$(dirname "$0")/.."
cmudict=
if [ "${1:-}" = --phonetic-from-cmudict ]; then
  cmudict=/usr/share/festival/dicts/cmu/cmudict-0.4.out
  shift
fi
text=${1:-../shared/eval/harvard-dev.txt}
need=()
for p in flite pocketsphinx pocketsphinx-en-us; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi
[ -x build/bin/kavrel ] || bash scripts/build.sh build
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
n=0
while IFS= read -r line; do
  [ -n "$line" ] || continue
  n=$((n + 1))
  printf '%s\n' "$line" > "$out/ref.$n"
  phonetic=$(build/bin/kavrel phonetics -v KAL16 -- "$line")
  [ -z "$cmudict" ] || phonetic=$(python3 bench/cmudict_phonetics.py "$cmudict" "$line" "$phonetic")
  build/bin/kavrel say --phonetic "$phonetic" -v KAL16 -o "$out/kavrel.$n.wav"
  flite -voice kal16 -t "$line" -o "$out/flite.$n.wav"
  for engine in kavrel flite; do
    pocketsphinx_continuous -infile "$out/$engine.$n.wav" -logfn /dev/null 2>/dev/null | tr -d '\r' | paste -sd' ' > "$out/$engine.hyp.$n" || true
  done
done < "$text"
python3 - "$out" "$n" <<'PY'
import re, sys
out, n = sys.argv[1], int(sys.argv[2])
def words(s):
    return re.sub(r"[^a-z' ]", " ", s.lower()).split()
def distance(r, h):
    d = list(range(len(h) + 1))
    for i in range(1, len(r) + 1):
        prev, d[0] = d[0], i
        for j in range(1, len(h) + 1):
            prev, d[j] = d[j], min(d[j] + 1, d[j - 1] + 1, prev + (r[i - 1] != h[j - 1]))
    return d[len(h)]
for engine in ("kavrel", "flite"):
    errors = total = 0
    for i in range(1, n + 1):
        ref = words(open(f"{out}/ref.{i}").read())
        hyp = words(open(f"{out}/{engine}.hyp.{i}").read())
        errors += distance(ref, hyp)
        total += len(ref)
    print(f"{engine:7s} WER {100.0 * errors / total:5.1f} %  ({errors} errors in {total} words, {n} sentences)")
PY
