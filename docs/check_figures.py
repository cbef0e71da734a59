#!/usr/bin/python3
"""Recomputes every figure of docs/teachers.md, and the README's table of
standard errors, and fails unless each stands in the text exactly as computed
here: a changed figure fails CI instead of going stale.

Needs SciPy (Debian: python3-scipy). Usage: docs/check_figures.py"""

import sys
from math import ceil, sqrt
from pathlib import Path

from scipy.optimize import brentq
from scipy.stats import chi2, ncx2, norm

ROOT = Path(__file__).resolve().parent.parent
TEACHERS = (ROOT / "docs" / "teachers.md").read_text(encoding="utf-8")
README = (ROOT / "README.md").read_text(encoding="utf-8")

ALPHA, POWER = 0.05, 0.8
FAIR_SD = sqrt(35 / 12)
THRESHOLDS = (0.16, 0.32, 0.48, 0.64, 0.82)
NOMINAL = (0.16, 0.16, 0.16, 0.16, 0.18, 0.18)
BALANCED = (0.2, 0.15, 0.15, 0.15, 0.15, 0.2)  # loaded, yet with the mean 3.5
LARGEST = 2_147_483_647


def face(draw):
    return next((k + 1 for k, bound in enumerate(THRESHOLDS) if draw / 32767 < bound), 6)


def mean_and_sd(shares):
    mean = sum(f * p for f, p in enumerate(shares, 1))
    return mean, sqrt(sum(f * f * p for f, p in enumerate(shares, 1)) - mean * mean)


def w_squared(shares):
    return sum((p - 1 / 6) ** 2 * 6 for p in shares)


def z_test_rolls(delta, z_alpha, spread=FAIR_SD):
    return ((z_alpha * FAIR_SD + norm.ppf(POWER) * spread) / delta) ** 2


def z_test_power(delta, n):
    shift = delta / (FAIR_SD / sqrt(n))
    z = norm.ppf(1 - ALPHA / 2)
    return norm.sf(z - shift) + norm.cdf(-z - shift)


def grouped(n):
    return f"{n:,}"


expected = []  # (text that must hold it, the figure as it must stand there)

# The face table, from the thresholds alone.
counts = [0] * 7
for draw in range(32768):
    counts[face(draw)] += 1
first = 0
for f in range(1, 7):
    share = counts[f] / 32768
    expected.append((TEACHERS, f"| {f} | {first} to {first + counts[f] - 1} | {counts[f]} | {share:.6f} |"))
    first += counts[f]
exact_shares = [counts[f] / 32768 for f in range(1, 7)]
total = sum(f * counts[f] for f in range(1, 7))
exact_mean, exact_sd = mean_and_sd(exact_shares)
nominal_mean, nominal_sd = mean_and_sd(NOMINAL)
expected += [
    (TEACHERS, f"{total}/32768 = {total / 32768!r}"),
    (TEACHERS, f"deviation of one roll is {exact_sd:.5f} (a fair die's: {FAIR_SD:.5f})"),
]

# Rolls for 80 % power.
delta, exact_delta = nominal_mean - 3.5, exact_mean - 3.5
two_sided, one_sided = norm.ppf(1 - ALPHA / 2), norm.ppf(1 - ALPHA)
n_two = ceil(z_test_rolls(delta, two_sided))
n_one = ceil(z_test_rolls(delta, one_sided))
expected += [
    (TEACHERS, f"(({two_sided:.5f} + {norm.ppf(POWER):.5f}) × {FAIR_SD:.5f} / {delta:.2f})^2 = "
               f"{sqrt(z_test_rolls(delta, two_sided)):.2f}^2 = {grouped(n_two)} rolls"),
    (TEACHERS, f"z_0.95 = {one_sided:.5f} and needs\n({sqrt(z_test_rolls(delta, one_sided)):.2f})^2 = "
               f"{grouped(n_one)} rolls"),
    (TEACHERS, f"With the exact shares these are {grouped(ceil(z_test_rolls(exact_delta, two_sided)))} "
               f"and {grouped(ceil(z_test_rolls(exact_delta, one_sided)))}"),
    (TEACHERS, f"({nominal_sd:.5f} rather than {FAIR_SD:.5f}) gives "
               f"{grouped(ceil(z_test_rolls(delta, two_sided, nominal_sd)))}"),
    (TEACHERS, f"about\n{2 * norm.sf(3):.4f}), needs {grouped(ceil(z_test_rolls(delta, 3)))} rolls"),
]
critical = chi2.ppf(1 - ALPHA, 5)
noncentrality = brentq(lambda lam: ncx2.sf(critical, 5, lam) - POWER, 0.1, 100)
w2 = w_squared(NOMINAL)
n_chi = ceil(noncentrality / w2)
expected += [
    (TEACHERS, f"= {w2:.4f}."),
    (TEACHERS, f"rejects above {critical:.2f}"),
    (TEACHERS, f"that gives 80 % power is {noncentrality:.2f}, so n = {noncentrality:.2f} / {w2:.4f} = "
               f"{grouped(n_chi)} rolls (exact\nshares: {grouped(ceil(noncentrality / w_squared(exact_shares)))})"),
]
# "The exact shares change them by less than 0.2 %."
exact_figures = (exact_mean, z_test_rolls(exact_delta, two_sided), z_test_rolls(exact_delta, one_sided),
                 noncentrality / w_squared(exact_shares))
nominal_figures = (nominal_mean, z_test_rolls(delta, two_sided), z_test_rolls(delta, one_sided),
                   noncentrality / w2)
change = max(abs(e / n - 1) for e, n in zip(exact_figures, nominal_figures))
expected.append((TEACHERS, f"less than\n{ceil(change * 1000) / 10:.1f} %"))
for n in (100, 1000, 2000, n_two, 5000, 10000):
    expected.append((TEACHERS, f"| {grouped(n)} | {z_test_power(delta, n):.3f} | "
                               f"{ncx2.sf(critical, 5, n * w2):.3f} |"))

# What the mean cannot see.
balanced_mean, balanced_sd = mean_and_sd(BALANCED)
assert abs(balanced_mean - 3.5) < 1e-12
largest_error = FAIR_SD / sqrt(LARGEST)
expected += [
    (TEACHERS, f"its w^2 is {w_squared(BALANCED):.2f},\n  so the chi-square test needs just "
               f"{ceil(noncentrality / w_squared(BALANCED))} rolls"),
    (TEACHERS, f"standard deviation of {balanced_sd:.5f} per roll against {FAIR_SD:.5f}"),
    (TEACHERS, f"the largest sample, {grouped(LARGEST)} rolls,\n  the standard error is {largest_error:.7f} and this die's mean lies "
               f"{grouped(round(delta / largest_error))} standard\n  errors"),
    (TEACHERS, f"would still be {0.0002 / largest_error:.1f} standard errors away"),
    (TEACHERS, f"{delta / 3.5 * 100:.1f} % more per roll, or {delta / FAIR_SD:.3f} standard\n  deviations"),
]

# The lesson steps: where 95 % of this die's means fall, and the usual z.
for n, places in ((10, 2), (100, 2), (1000, 2), (10000, 3), (1_000_000, 4)):
    error = FAIR_SD / sqrt(n)
    half = norm.ppf(0.975) * nominal_sd / sqrt(n)
    expected.append((TEACHERS, f"| {grouped(n)} | {error:#.3g} | {nominal_mean - half:.{places}f} to "
                               f"{nominal_mean + half:.{places}f} | {delta / error:.2f} |"))
expected.append((TEACHERS, f"cannot reject fairness (power {z_test_power(delta, 1000):.2f})"))

# The README's table of standard errors and of 3 of them.
for n in (10, 100, 1000, 10000, 1_000_000):
    error = FAIR_SD / sqrt(n)
    expected.append((README, f"| {grouped(n)} | {error:#.3g} | {3 * error:#.2g} |"))
expected.append((README, f"about 3 times in 1000"))
assert round(2 * norm.sf(3) * 1000) == 3

missing = [figure for text, figure in expected if figure not in text]
for figure in missing:
    print(f"not as computed: {figure!r}", file=sys.stderr)
print(f"{len(expected) - len(missing)} of {len(expected)} figures as computed")
sys.exit(1 if missing else 0)
