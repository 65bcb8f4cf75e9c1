#!/usr/bin/env python3
"""Learns the English fonts' letter-to-sound rules from festival's CMU lexicon.

    python3 tools/font/lts_learn.py --cmudict /usr/share/festival/dicts/cmu/cmudict-0.4.out \
        --letters fonts/KAL16/rules/3_letters.rules --stress fonts/KAL16/rules/3_stress.rules

Two passes: the first turns letters into phonemes, the second gives the
vowels of those phonemes their stress marks.
 1. Each word's letters are aligned with its phones: every letter stands for
    no phone, one phone or two (X: k s), found by Viterbi re-estimation of
    P(phones | letter) from a co-occurrence start.
 2. For each letter (each vowel phoneme in the stress pass) a context tree
    is grown: a node is a context (the symbols L to its left, R to its
    right, '#' for the word's edge); a node is split on the next symbol to
    the left or the next to the right, whichever makes more training
    symbols right.  A node predicts its most frequent output.
 3. A node whose prediction differs from its parent's becomes a key L+c+R of
    the keyed list of its left-context length.  For any symbol, the deepest
    node of its path that differs from its parent decides; the pass finds it
    by trying the lists of longer left context first, and in each list the
    longest key.  Nodes are kept by how many training symbols they make
    right, until the lists fill what one rule program can address.
 4. Words whose FNV-1a hash is 0 modulo 10 are held out of training;
    `kavfont lexicon evaluate` measures the rules on them.
"""
import argparse
import math
import os
import pickle
import re
import sys
from collections import Counter, defaultdict

VOWELS = set("aa ae ah ao aw ax ay eh er ey ih iy ow oy uh uw".split())
KAL = dict(aa='a', ae='@', ah='A', ao='c', aw='W', ax='x', ay='Y', eh='E', er='R', ey='e', ih='I', iy='i',
           ow='o', oy='O', uh='U', uw='u', b='b', ch='C', d='d', dh='D', f='f', g='g', hh='h', jh='J', k='k',
           l='l', m='m', n='n', ng='G', p='p', r='r', s='s', sh='S', t='t', th='T', v='v', w='w', y='y', z='z',
           zh='Z')
LINE = re.compile(r'\("([^"]*)" \S+ \((.*)\)\)\s*$')
SYLLABLE = re.compile(r'\(\(([^()]*)\) (\d)\)')


def fnv1a(text):
    h = 2166136261
    for b in text.encode('latin-1'):
        h = ((h ^ b) * 16777619) & 0xFFFFFFFF
    return h


def held_out(word):
    return fnv1a(word) % 10 == 0


def read_lexicon(path):
    """word -> [(radio phone, stress mark)], first entry of each word; the
    first stressed syllable's vowel gets \\' and later ones \\" as in the
    kernel lexicon."""
    words = {}
    with open(path, encoding='latin-1') as f:
        for line in f:
            m = LINE.match(line)
            if not m:
                continue
            word = m.group(1).upper()
            if not re.fullmatch(r"[A-Z']+", word) or word in words:
                continue
            phones, first = [], True
            for syllable, stress in SYLLABLE.findall(m.group(2)):
                for p in syllable.split():
                    if p not in KAL:
                        break
                    mark = ''
                    if p in VOWELS and stress != '0':
                        mark, first = ("'" if first else '"'), False
                    phones.append((p, mark))
            words[word] = phones
    return words


def spell(phones):
    return ''.join(('\\' + mark if mark else '') + KAL[p] for p, mark in phones)


def align(words, rounds=4):
    """word -> list of phone tuples, one per letter."""
    pair, letters = defaultdict(float), Counter()
    for w, ph in words.items():
        n, m = len(w), len(ph)
        for i, c in enumerate(w):
            letters[c] += 1
            for j, (p, _) in enumerate(ph):
                if abs(j - i * m / n) <= 2:
                    pair[c, p] += 1

    def start_score(c, out):
        if not out:
            return math.log(0.15)
        s = sum(math.log((pair[c, p] + 0.1) / (letters[c] * 3)) for p in out)
        return s + (math.log(0.02) if len(out) == 2 else 0)

    score, result = start_score, {}
    for _ in range(rounds):
        counts, result = defaultdict(Counter), {}
        for w, ph in words.items():
            ps = [p for p, _ in ph]
            n, m = len(w), len(ps)
            if m > 2 * n or m == 0:
                continue
            best = [[None] * (m + 1) for _ in range(n + 1)]
            best[0][0] = (0.0, 0)
            for i in range(n):
                for j in range(m + 1):
                    if best[i][j] is None:
                        continue
                    for k in (0, 1, 2):
                        if j + k > m:
                            break
                        s = best[i][j][0] + score(w[i], tuple(ps[j:j + k]))
                        if best[i + 1][j + k] is None or s > best[i + 1][j + k][0]:
                            best[i + 1][j + k] = (s, k)
            if best[n][m] is None:
                continue
            spans, j = [], m
            for i in range(n, 0, -1):
                k = best[i][j][1]
                spans.append((j - k, j))
                j -= k
            spans.reverse()
            result[w] = [ph[a:b] for a, b in spans]
            for c, (a, b) in zip(w, spans):
                counts[c][tuple(ps[a:b])] += 1
        table = {c: {o: math.log((v + 0.01) / (sum(cc.values()) + 1)) for o, v in cc.items()}
                 for c, cc in counts.items()}

        def score(c, out, table=table):
            return table.get(c, {}).get(out, -30.0)
    return result


def most_frequent(counter):
    return max(counter.items(), key=lambda x: (x[1], x[0]))[0]


class Learner:
    def __init__(self, min_count, max_context):
        self.min_count, self.max_context = min_count, max_context
        self.nodes = {}  # (L, c, R) -> [output, gain, fallback output]

    def grow(self, items, L, c, R, decider):
        """items: (padded word, index of c, output).  decider: the key of the
        nearest ancestor with a prediction of its own."""
        counts = Counter(o for _, _, o in items)
        out = most_frequent(counts)
        key = (L, c, R)
        if decider is None or self.nodes[decider][0] != out:
            self.nodes[key] = [out, 0, self.nodes[decider][0] if decider else None]
            decider = key
        taken = set()
        if len(items) >= self.min_count and len(counts) > 1:
            for side, ch, group in self.split(items, L, R, out):
                taken.update(id(it) for it in group)
                if side == 'L':
                    self.grow(group, ch + L, c, R, decider)
                else:
                    self.grow(group, L, c, R + ch, decider)
        # The letters that go no deeper are decided here: what the decider's
        # entry makes right that its own fallback would not.
        node = self.nodes[decider]
        node[1] += sum((it[2] == node[0]) - (it[2] == node[2]) for it in items if id(it) not in taken)

    def split(self, items, L, R, out):
        best = None
        for side in ('R', 'L'):
            if side == 'L' and (L.startswith('#') or len(L) >= self.max_context):
                continue
            if side == 'R' and (R.endswith('#') or len(R) >= self.max_context):
                continue
            groups = defaultdict(list)
            for it in items:
                s, q, _ = it
                groups[s[q - len(L) - 1] if side == 'L' else s[q + len(R) + 1]].append(it)
            score = 0
            for g in groups.values():
                cc = Counter(o for _, _, o in g)
                score += max(cc.values()) if len(g) >= self.min_count else cc[out]
            if best is None or score > best[0]:
                best = (score, side, groups)
        if best is None:
            return []
        _, side, groups = best
        return [(side, ch, g) for ch, g in sorted(groups.items()) if len(g) >= self.min_count]


def entry_bytes(key, out):
    return len(''.join(key)) + len(out) + 4


def quote(text):
    return '"' + text.replace('\\', '\\\\').replace('"', '\\"') + '"'


LETTER_PASS = dict(
    title=['Letter-to-sound rules for the words no dictionary knows: letters to',
           'phonemes (the next pass, 3_stress, marks their stress).'],
    unit='letter', classes=['class letter = \'A\'-\'Z\' "\'."', 'class context = letter "#"'],
    word='letter', focus='letter', drop_marks=False, mask='mask letters')
STRESS_PASS = dict(
    title=['Stress for the words the letter-to-sound pass spelled in phonemes: each',
           'vowel gets its mark from the phonemes around it.'],
    unit='vowel',
    classes=['class phone = \'a\'-\'z\' \'A\'-\'Z\' "@"', 'class vowel = "%s"' % ''.join(
        KAL[v] for v in sorted(VOWELS)), 'class context = phone "#"'],
    word='phone', focus='vowel', drop_marks=True, mask='# Runs always: a word\'s phonemes need not hold a letter ("@").')


def write_rules(path, chosen, max_left, command, pass_):
    tables = defaultdict(list)
    for (L, c, R), out in chosen.items():
        tables[len(L)].append((L + c + R, out))
    unit = pass_['unit']
    lines = ['# ' + line for line in pass_['title']] + [
        '# GENERATED by tools/font/lts_learn.py from the CMU lexicon; do not edit:',
        '#   ' + command,
        '# Each word no dictionary knows comes marked "#WORD#" by the dictionary',
        '# pass, and the letter pass keeps the marks for the stress pass.  Each %s' % unit,
        '# becomes the output of the deepest context that decides it: list tN holds',
        '# keys of N symbols of left context, the %s, then right context, and' % unit,
        '# the lists of longer left context are tried first, each for its longest',
        '# key ("#" is the word\'s edge).  seek() looks a key up without taking it,',
        '# so the scan goes on at the next %s.' % unit,
        pass_['mask'],
        '',
    ] + pass_['classes'] + [
        '',
        '# Escapes (ours and a client\'s) and embedded commands pass unchanged.',
        '[$escape] > -> $escape',
        'sub escape = "\\\\" seek((escapeend | $))',
        'class escapeend = " \'\\"-"',
        '[$embedded] > -> $embedded',
        'sub embedded = "<<~" seek((">" | $)) ">"?',
        '',
    ] + (['# A word of no phonemes (a lone apostrophe) leaves nothing.', '["##"] ->', '']
         if pass_['drop_marks'] else []) + [
        'foreach ["#" %s+ "#"] > {' % pass_['word'],
    ]
    focus = pass_['focus']
    for l in range(max_left, -1, -1):
        if l not in tables:
            continue
        if l == 0:
            lines.append('    seek($t0) [%s] > -> $t0' % focus)
        else:
            steps = ' context' * (l - 1)
            lines.append('    seek($t%d) context >%s [%s] -> $t%d' % (l, steps, focus, l))
    if pass_['drop_marks']:
        lines.append('    ["#"] ->')
    lines.append('}')
    for l in sorted(tables):
        lines.append('')
        lines.append('longest t%d {' % l)
        for key, out in sorted(tables[l]):
            lines.append('    %s %s' % (quote(key), quote(out)))
        lines.append('}')
    with open(path, 'w') as f:
        f.write('\n'.join(lines) + '\n')


def learn(items_by_unit, args, always):
    """The kept entries: every unit's own (root) entry and those of `always`,
    then the nodes that make most training units right, until the lists
    hold `args.budget` bytes."""
    learner = Learner(args.min_count, args.max_context)
    for c in sorted(items_by_unit):
        learner.grow(items_by_unit[c], '', c, '', None)
    chosen = {k: v[0] for k, v in learner.nodes.items() if not k[0] and not k[2]}
    chosen.update(always)
    used = sum(entry_bytes(k, o) for k, o in chosen.items())
    for key, (out, gain, _) in sorted(learner.nodes.items(), key=lambda kv: (-kv[1][1], kv[0])):
        if key in chosen or gain <= 0:
            continue
        size = entry_bytes(key, out)
        if used + size > args.budget:
            continue
        chosen[key] = out
        used += size
    print('%d nodes, %d kept (%d bytes)' % (len(learner.nodes), len(chosen), used), file=sys.stderr)
    return chosen


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('--cmudict', required=True)
    ap.add_argument('--letters', required=True, help='the letters-to-phonemes pass to write')
    ap.add_argument('--stress', required=True, help='the stress pass to write')
    ap.add_argument('--min-count', type=int, default=2)
    ap.add_argument('--max-context', type=int, default=5)
    ap.add_argument('--budget', type=int, default=60000, help='bytes of keyed-list entries per pass')
    ap.add_argument('--alignment', help='a pickle of the alignment, made when missing (to try settings)')
    args = ap.parse_args()
    words = read_lexicon(args.cmudict)
    aligned = None
    if args.alignment and os.path.exists(args.alignment):
        with open(args.alignment, 'rb') as f:
            aligned = pickle.load(f)
    if aligned is None:
        aligned = align({w: ph for w, ph in words.items() if not held_out(w)})
        if args.alignment:
            with open(args.alignment, 'wb') as f:
                pickle.dump(aligned, f)
    # The phones with their stress marks, in the alignment's spans.
    for w, spans in aligned.items():
        start, phones = 0, words[w]
        aligned[w] = [phones[start:(start := start + len(span))] for span in spans]
    command = ('python3 tools/font/lts_learn.py --cmudict %s --letters %s --stress %s --min-count %d '
               '--max-context %d --budget %d' % (args.cmudict, args.letters, args.stress, args.min_count,
                                                 args.max_context, args.budget))
    letters, vowels = defaultdict(list), defaultdict(list)
    for w, spans in sorted(aligned.items()):
        padded = '#' + w + '#'
        for i, phones in enumerate(spans):
            letters[w[i]].append((padded, i + 1, spell([(p, '') for p, _ in phones])))
        phones = [ph for span in spans for ph in span]
        padded = '#' + ''.join(KAL[p] for p, _ in phones) + '#'
        for i, (p, mark) in enumerate(phones):
            if p in VOWELS:
                vowels[KAL[p]].append((padded, i + 1, spell([(p, mark)])))
    chosen = learn(letters, args, {('', "'", ''): '', ('', '.', ''): ''})
    write_rules(args.letters, chosen, args.max_context, command, LETTER_PASS)
    chosen = learn(vowels, args, {})
    write_rules(args.stress, chosen, args.max_context, command, STRESS_PASS)


if __name__ == '__main__':
    main()
