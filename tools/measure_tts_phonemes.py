#!/usr/bin/env python3
"""Agreement of the Portuguese TTS rules (voices/tts) with espeak-ng's Brazilian transcription.

Takes a fixed sample of words from a word list, runs them through `oralis pho` (one sentence a
word, so no word changes its neighbour) and through `espeak-ng -v pt-br -x`, maps both symbol
sets onto one canonical set and prints the share of words whose phonemes agree and the share
whose stressed vowel (counted from the end of the word) agrees.

    tools/measure_tts_phonemes.py --oralis build/oralis [--words 10000] [--list FILE] [--show N]

Two figures are given for the phonemes: "strict" keeps open and close e and o apart, "merged"
counts e/E and o/O as one (spelling rarely says which one a stressed e or o is).
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(os.path.dirname(HERE), "voices", "tts")
LETTERS = re.compile(r"^[a-zA-ZÀÁÂÃÇÉÊÌÍÑÓÔÕÙÚÜàáâãçéêìíñóôõùúü]{3,}$")
VOWELS = set("aeEioOu")
MARK = "'"  # stands before the stressed syllable or phoneme

# espeak-ng pt-br symbols -> canonical; "" drops the symbol.
ESPEAK = {
    "a": ["a"], "&": ["a"], "e": ["e"], "E": ["E"], "i": ["i"], "I": ["i"], "y": ["i"],
    "j": ["i"], "o": ["o"], "O": ["O"], "u": ["u"], "U": ["u"], "w": ["u"], "@": ["a"],
    "@-": [], ";": [], "*": ["r"], "R": ["r"], "r": ["r2"], "x": ["R"], "h": ["R"], "X": ["R"],
    "n^": ["J"], "L": ["l", "i"], "l^": ["l", "i"],
}
# our symbols -> canonical
OURS = {
    "@": ["a"], "I": ["i"], "U": ["u"], "y": ["i"], "w": ["u"], "aN": ["a~"], "eN": ["e~"],
    "iN": ["i~"], "oN": ["o~"], "uN": ["u~"], "L": ["l", "i"], "s2": ["s"],
}


def is_vowel(symbol):
    return symbol[:1] in VOWELS


def plain_glides(seq):
    """Nasality on an i or u right after another vowel (a glide) is not counted."""
    out = []
    for s in seq:
        previous = [p for p in out if p != MARK][-1:]
        if s in ("i~", "u~") and previous and is_vowel(previous[0]):
            s = s[0]
        out.append(s)
    return out


def espeak_canonical(line):
    """Canonical symbols of one espeak word, MARK before its stressed syllable."""
    seq = []
    for tok in line.strip().split("_"):
        if not tok:
            continue
        if tok[0] == "'":
            seq.append(MARK)
        tok = tok.lstrip("',")
        if tok == "N":  # nasal coda: the vowels before it are nasal
            i = len(seq) - 1
            while i >= 0 and is_vowel(seq[i]) and not seq[i].endswith("~"):
                seq[i] += "~"
                i -= 1
            continue
        nasal = tok.endswith("~")
        tok = tok.rstrip("~")
        if tok in ESPEAK:
            parts = list(ESPEAK[tok])
        elif len(tok) == 2 and tok[0] in "aeEioOu&" and tok[1] in "IU":  # diphthongs
            parts = ESPEAK[tok[0]] + ESPEAK[tok[1]]
        else:
            parts = [tok]
        if nasal:
            parts = [p + "~" if is_vowel(p) else p for p in parts]
        seq.extend(parts)
    return labial_nasals(plain_glides(seq))


def labial_nasals(seq):
    """A vowel followed by m before p or b is written as the nasal vowel before p or b."""
    out = []
    for i, s in enumerate(seq):
        if s == "m" and out and is_vowel(out[-1]) and i + 1 < len(seq) and seq[i + 1] in ("p", "b"):
            j = len(out) - 1
            while j >= 0 and is_vowel(out[j]) and not out[j].endswith("~"):
                out[j] += "~"
                j -= 1
            continue
        out.append(s)
    return plain_glides(out)


def final_s(seq):
    """Word-final s is written s whatever its voicing."""
    return seq[:-1] + ["s"] if seq and seq[-1] in ("z", "s#") else seq


def stress_from_end(seq):
    """Vowels after the first vowel that follows MARK; None when nothing is marked."""
    if MARK not in seq:
        return None
    vowels = [i for i, s in enumerate(seq) if is_vowel(s) and i > seq.index(MARK)]
    if not vowels:
        return None
    return sum(1 for i, s in enumerate(seq) if is_vowel(s) and i > vowels[0])


def unmarked(seq):
    return [s for s in seq if s != MARK]


def merged(seq):
    return [s.replace("E", "e").replace("O", "o") for s in seq]


def run_oralis(oralis, words, data_dir):
    """Canonical symbols and stressed index of each word from `oralis pho`."""
    env = dict(os.environ, ORALIS_TTS_DATA=data_dir, ORALIS_BACKEND="headless")
    results = []
    for start in range(0, len(words), 500):
        batch = words[start:start + 500]
        out = subprocess.run([oralis, "pho", ". ".join(batch) + "."], env=env, check=True,
                             capture_output=True, text=True).stdout
        current = None
        for line in out.splitlines():
            if line.startswith(";"):
                token = line[1:]
                if token and token not in ".":
                    current = []
                    results.append(current)
                else:
                    current = None
            elif line and current is not None:
                fields = line.split()
                if fields[0] == "_":
                    continue
                if len(fields) >= 4 and fields[2] == "80":
                    current.append(MARK)
                current.extend(OURS.get(fields[0], [fields[0]]))
        if len(results) != start + len(batch):
            sys.exit("oralis gave %d words for %d" % (len(results) - start, len(batch)))
    return [labial_nasals(seq) for seq in results]


def run_espeak(words):
    out = subprocess.run(["espeak-ng", "-v", "pt-br", "-q", "-x", "--sep=_"],
                         input="".join(w + ".\n" for w in words), capture_output=True,
                         text=True, check=True).stdout.splitlines()
    out = [l for l in out if l.strip()]
    if len(out) != len(words):  # fall back to one call a word
        out = [subprocess.run(["espeak-ng", "-v", "pt-br", "-q", "-x", "--sep=_", w + "."],
                              capture_output=True, text=True).stdout.strip() for w in words]
    return [final_s(espeak_canonical(l)) for l in out]


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--oralis", required=True, help="the oralis program")
    ap.add_argument("--list", default="/usr/share/dict/brazilian")
    ap.add_argument("--words", type=int, default=10000)
    ap.add_argument("--seed", type=int, default=12)
    ap.add_argument("--show", type=int, default=0, help="print N disagreements")
    args = ap.parse_args()

    with open(args.list, encoding="utf-8") as f:
        candidates = sorted({w.strip() for w in f if LETTERS.match(w.strip())})
    words = sorted(random.Random(args.seed).sample(candidates, args.words))

    with tempfile.TemporaryDirectory() as data:
        for name in ("portug.nrl", "portug.exc", "portug.abr", "portug.pro"):
            shutil.copy(os.path.join(DATA, name), data)
        # Every pair of phonemes, so that no bridge is inserted between them.
        with open(os.path.join(DATA, "portug.pro"), encoding="cp1252") as f:
            names = sorted({l.split("=")[0].strip() for l in f
                            if re.match(r"^[A-Za-z@2]+\s*=", l)} | {"_"})
        with open(os.path.join(data, "portug.dfn"), "w") as f:
            f.writelines("%s %s\n" % (a, b) for a in names for b in names)
        ours = run_oralis(args.oralis, words, data)
    theirs = run_espeak(words)

    strict = loose = stress = shown = 0
    for word, marked_a, marked_b in zip(words, ours, theirs):
        a, b = unmarked(marked_a), unmarked(marked_b)
        strict += a == b
        loose += merged(a) == merged(b)
        same_stress = stress_from_end(marked_a) == stress_from_end(marked_b)
        stress += same_stress
        if shown < args.show and (merged(a) != merged(b) or not same_stress):
            print("%-20s ours %-28s espeak %s" % (word, " ".join(marked_a), " ".join(marked_b)))
            shown += 1
    n = len(words)
    print("words: %d  phonemes agree: %.1f %% strict, %.1f %% merged e/E o/O  stress agrees: %.1f %%"
          % (n, 100.0 * strict / n, 100.0 * loose / n, 100.0 * stress / n))


if __name__ == "__main__":
    main()
