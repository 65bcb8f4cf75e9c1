#!/usr/bin/env python3
"""Phonetic string of a sentence with every word pronounced as festival's CMU
lexicon has it (first entry of a word; "'s" added to a known word), keeping
the pitch marks and pauses that the font's own rules and encoder wrote.  The
judge uses it to tell pronunciation errors from voice errors.
    cmudict_phonetics.py CMUDICT TEXT RULE_PHONETICS
Words the lexicon lacks keep nothing; a sentence whose phrases do not match
the rules' phrases is printed as the rules wrote it."""
import re
import sys

# KAL phone names to the fonts' one-byte symbols (tools/font/kal_phones.cpp).
SYMBOLS = dict(zip(
    "aa ae ah ao aw ax ay eh er ey ih iy ow oy uh uw b ch d dh f g hh jh k l m n ng p r s sh t th v w y z zh".split(),
    "a@AcWxYEReIioOUubCdDfghJklmnGprsStTvwyzZ"))
VOWELS = set("a@AcWxYEReIioOUu")
VOICELESS = set("ptkfT")


def load(path, wanted):
    entries = {}
    with open(path, encoding="latin-1") as f:
        for line in f:
            m = re.match(r'\("([^"]+)" \S+ (.*)\)$', line.strip())
            if m and m.group(1) in wanted and m.group(1) not in entries:
                entries[m.group(1)] = [(s.split(), int(st)) for s, st in re.findall(r"\(\(([^()]*)\) (\d)\)", m.group(2))]
    return entries


def pronounce(syllables):
    # Stress marks go before the syllable's vowel, as the kernel lexicon has them.
    out, primary = "", False
    for phones, stress in syllables:
        s = "".join(SYMBOLS[p] for p in phones)
        if stress:
            k = next((i for i, c in enumerate(s) if c in VOWELS), 0)
            mark = "\\'" if stress == 1 and not primary else '\\"'
            primary = primary or mark == "\\'"
            s = s[:k] + mark + s[k:]
        out += s
    return out


def main():
    cmudict, text, rules = sys.argv[1:4]
    phrases = [re.findall(r"[a-z']+", p.lower()) for p in re.split(r"[,;:]", text)]
    phrases = [p for p in phrases if p]
    wanted = {w for p in phrases for w in p} | {w[:-2] for p in phrases for w in p if w.endswith("'s")}
    lexicon = load(cmudict, wanted)

    def word(w):
        if w in lexicon:
            return pronounce(lexicon[w])
        if w.endswith("'s") and w[:-2] in lexicon:
            base = pronounce(lexicon[w[:-2]])
            return base + ("s" if base[-1] in VOICELESS else "z")
        return ""

    # The rules' string: a pitch mark, the phrase's words, a pitch mark and a pause, per phrase.
    parts = re.split(r"(\\D\d+M )", rules)
    spoken = [i for i in range(0, len(parts), 2) if re.search(r"[^\s]", re.sub(r"\\-?\d+H", "", parts[i]))]
    if len(spoken) != len(phrases):
        print(rules)
        return
    for i, words in zip(spoken, phrases):
        marks = re.findall(r"\\-?\d+H ", parts[i])
        if len(marks) < 2:
            print(rules)
            return
        parts[i] = marks[0] + " " + " ".join(word(w) for w in words) + " " + marks[-1]
    print("".join(parts))


main()
