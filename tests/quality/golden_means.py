#!/usr/bin/env python3
"""Recomputes the golden face totals of tests/die_test.cpp, independently of
the C++ code: SplitMix64 seeding, sixteen xoshiro256++ lanes 2^128 steps
apart, 64 draws a round (lane by lane, each output's low word first, a draw
the top 15 bits of a word), and the face by draw / 32767 against the table.
Usage: tests/quality/golden_means.py"""

MASK = (1 << 64) - 1
THRESHOLDS = (0.16, 0.32, 0.48, 0.64, 0.82)
JUMP = (0x180EC6D33CFD0ABA, 0xD5A61266F0C9392C, 0xA9582618E03FC9AA, 0x39ABDC4529B1661C)


def rotl(x, k):
    return ((x << k) | (x >> (64 - k))) & MASK


def step(s):
    """Vigna's xoshiro256++ next(): advances s in place, returns the output."""
    result = (rotl((s[0] + s[3]) & MASK, 23) + s[0]) & MASK
    t = (s[1] << 17) & MASK
    s[2] ^= s[0]
    s[3] ^= s[1]
    s[1] ^= s[2]
    s[0] ^= s[3]
    s[2] ^= t
    s[3] = rotl(s[3], 45)
    return result


def jumped(s):
    s = list(s)
    out = [0, 0, 0, 0]
    for word in JUMP:
        for bit in range(64):
            if (word >> bit) & 1:
                out = [a ^ b for a, b in zip(out, s)]
            step(s)
    return out


def lanes(seed):
    state = seed
    first = []
    for _ in range(4):
        state = (state + 0x9E3779B97F4A7C15) & MASK
        z = state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK
        first.append(z ^ (z >> 31))
    result = [first]
    for _ in range(15):
        result.append(jumped(result[-1]))
    return result


def face(draw):
    scaled = draw / 32767.0
    for k, bound in enumerate(THRESHOLDS):
        if scaled < bound:
            return k + 1
    return 6


FACE_OF_DRAW = [face(d) for d in range(32768)]


def draws(seed):
    ls = lanes(seed)
    while True:
        for lane in ls:
            output = step(lane)
            for word in range(4):
                yield ((output >> (16 * word)) & 0xFFFF) >> 1


SIZES = (1, 63, 64, 65, 4096 * 64 + 1, 1_000_000, 2 * 4096 * 64 - 3, 7)
SEEDS = (0, 1, 20261208, 4294967295)

if __name__ == "__main__":
    print("sizes", ", ".join(str(size) for size in SIZES))
    for seed in SEEDS:
        stream = draws(seed)
        totals = [sum(FACE_OF_DRAW[next(stream)] for _ in range(size)) for size in SIZES]
        print(f"{{{seed}U, {{{', '.join(map(str, totals))}}}}},")
