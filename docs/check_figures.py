#!/usr/bin/python3
"""Recomputes every figure of docs/teachers.md, docs/record-sheet.html, the
README's lesson on judging and the class page's repeat rule, and fails unless
each stands in the text as computed here (line breaks and runs of blanks count
as one blank): a changed figure fails CI instead of going stale. The class
tally's constants (its chi-square lines and the repeat rule's limit) are read
from src/class/class_tally.hpp and must be what is computed here too, so that
a changed constant in the C++ fails as a changed figure in a document does;
and the record sheet must state the rule once, with nothing printed ahead
that a missed sample would make wrong.

Exact figures come from the exact distribution of the face total (the face
table's shares convolved n times); simulated ones from SIMULATED samples with a
fixed seed, and must lie within a stated tolerance of the text, which rounds
them. Takes a few seconds.

Needs SciPy (Debian: python3-scipy). Usage: docs/check_figures.py"""

import re
import sys
from math import ceil, floor, log, sqrt
from pathlib import Path

import numpy as np
from scipy.optimize import brentq
from scipy.signal import fftconvolve
from scipy.stats import chi2, ncx2, norm

ROOT = Path(__file__).resolve().parent.parent
TEACHERS = (ROOT / "docs" / "teachers.md").read_text(encoding="utf-8")
SHEET = (ROOT / "docs" / "record-sheet.html").read_text(encoding="utf-8")
README = (ROOT / "README.md").read_text(encoding="utf-8")
CLASS_PAGE = (ROOT / "src" / "class" / "class.html").read_text(encoding="utf-8")
TALLY_HEADER = (ROOT / "src" / "class" / "class_tally.hpp").read_text(encoding="utf-8")


def tally_constant(name):
    """A constant of the class tally, as the C++ defines it."""
    found = re.search(rf"inline constexpr double {name} = ([0-9.e+-]+);", TALLY_HEADER)
    assert found, f"src/class/class_tally.hpp defines no {name}"
    return float(found.group(1))


LINE_OF_THE_RULE = tally_constant("chi_square_line_of_the_rule")
LINE_AT_FIVE_PERCENT = tally_constant("chi_square_line_at_five_percent")
REPEAT_LIMIT = tally_constant("repeat_chance_limit")

RULE = 3  # the students' rule: |z| > 3
RULE_LEVEL = 2 * norm.sf(RULE)
FIVE_PERCENT = norm.ppf(0.975)
POWER = 0.8
FAIR_SD = sqrt(35 / 12)
FACES = np.arange(1, 7)
THRESHOLDS = (0.16, 0.32, 0.48, 0.64, 0.82)
NOMINAL = np.array([0.16, 0.16, 0.16, 0.16, 0.18, 0.18])
FAIR = np.full(6, 1 / 6)
BALANCED = np.array([0.2, 0.15, 0.15, 0.15, 0.15, 0.2])  # loaded, yet with the mean 3.5
MEAN_351 = np.array([0.2, 0.15, 0.15, 0.15, 0.14, 0.21])  # loaded, the mean barely moved
LARGEST = 2_147_483_647
CLASS, TRIES = 30, 3
LESSON = [10] * TRIES + [100] * TRIES + [1000] * TRIES + [10000] * TRIES  # a student's twelve samples
SIMULATED = 200_000


def blanks_as_one(text):
    return " ".join(text.split())


def face(draw):
    return next((k + 1 for k, bound in enumerate(THRESHOLDS) if draw / 32767 < bound), 6)


def mean_and_sd(shares):
    mean = float(FACES @ shares)
    return mean, sqrt(float(FACES**2 @ shares) - mean * mean)


def w_squared(shares):
    return float(((shares - 1 / 6) ** 2 * 6).sum())


def total_distribution(shares, n):
    """P(total = n + k) for k = 0 to 5n, by convolving the shares n times."""
    result, power = np.array([1.0]), np.asarray(shares, float)
    while n:
        if n & 1:
            result = np.clip(fftconvolve(result, power), 0, None)
        n >>= 1
        if n:
            power = np.clip(fftconvolve(power, power), 0, None)
    return result / result.sum()


def beyond(shares, n, line):
    """The exact share of samples of n rolls whose |z| exceeds `line`."""
    distribution = total_distribution(shares, n)
    z = ((np.arange(len(distribution)) + n) / n - 3.5) / (FAIR_SD / sqrt(n))
    return float(distribution[np.abs(z) > line].sum())


def rolls_from_which(shares, line, low, high, run=60):
    """The first n from which `run` sizes in a row all reach the power: the
    lattice of totals makes the power wobble by about 0.001 from n to n."""
    reached = [beyond(shares, n, line) >= POWER for n in range(low, high + run)]
    return next(low + i for i in range(high - low) if all(reached[i : i + run]))


def z_formula_rolls(delta, line, spread=FAIR_SD):
    return ((line * FAIR_SD + norm.ppf(POWER) * spread) / delta) ** 2


def noncentrality(level):
    critical = chi2.ppf(1 - level, 5)
    return critical, brentq(lambda lam: ncx2.sf(critical, 5, lam) - POWER, 0.1, 200)


def chi_square_power(level, n, w2):
    return ncx2.sf(chi2.ppf(1 - level, 5), 5, n * w2)


def simulated_chi_square_rolls(shares, level, near, rng):
    """Where the simulated power of the chi-square test crosses 80 %, by a line
    through the simulated powers 150 rolls either side of `near`."""
    critical = chi2.ppf(1 - level, 5)
    powers = []
    for n in (near - 150, near + 150):
        counts = rng.multinomial(n, shares, size=SIMULATED)
        powers.append(float((((counts - n / 6) ** 2 / (n / 6)).sum(axis=1) > critical).mean()))
    return near - 150 + (POWER - powers[0]) / (powers[1] - powers[0]) * 300


def grouped(n):
    return f"{n:,}"


def percent(share, places=1):
    return f"{100 * share:.{places}f} %"


expected = []  # (text that must hold it, the figure as it must stand there)
near = []  # (text, what precedes the figure, the simulated value, tolerance)

# The face table, from the thresholds alone.
counts = [0] * 7
for draw in range(32768):
    counts[face(draw)] += 1
first = 0
for f in range(1, 7):
    expected.append((TEACHERS, f"| {f} | {first} to {first + counts[f] - 1} | {counts[f]} | {counts[f] / 32768:.6f} |"))
    first += counts[f]
EXACT = np.array(counts[1:]) / 32768
total = sum(f * counts[f] for f in range(1, 7))
exact_mean, exact_sd = mean_and_sd(EXACT)
nominal_mean, nominal_sd = mean_and_sd(NOMINAL)
delta = nominal_mean - 3.5
expected += [
    (TEACHERS, f"{total}/32768 = {total / 32768!r}"),
    (TEACHERS, f"deviation of one roll is {exact_sd:.5f} (a fair die's: {FAIR_SD:.5f})"),
    (TEACHERS, f"{percent(RULE_LEVEL, 2)} of the time (a significance level of {RULE_LEVEL:.4f})"),
]

# Rolls for 80 % power: the test on the mean, by formula and exactly.
n_formula = ceil(z_formula_rolls(delta, RULE))
n_own_sd = ceil(z_formula_rolls(delta, RULE, nominal_sd))
n_exact = rolls_from_which(EXACT, RULE, n_formula - 100, n_formula + 100)
n_formula_5 = ceil(z_formula_rolls(delta, FIVE_PERCENT))
n_exact_5 = rolls_from_which(EXACT, FIVE_PERCENT, n_formula_5 - 50, n_formula_5 + 100)
expected += [
    (TEACHERS, f"((3 + {norm.ppf(POWER):.5f}) × {FAIR_SD:.5f} / {delta:.2f})^2 = "
               f"{sqrt(z_formula_rolls(delta, RULE)):.2f}^2 = {grouped(n_formula)} rolls"),
    (TEACHERS, f"own standard deviation it gives {grouped(n_own_sd)}"),
    (TEACHERS, f"Exactly, from {grouped(n_exact)} rolls on"),
    (TEACHERS, f"approximation is about {round(n_exact - n_formula, -1)} rolls short"),
    (TEACHERS, f"formula gives {grouped(n_formula_5)} rolls and the exact distribution {grouped(n_exact_5)}"),
]

# The chi-square test, approximated and simulated.
rng = np.random.default_rng(20261208)
w2 = w_squared(NOMINAL)
critical, lam = noncentrality(RULE_LEVEL)
critical_5, lam_5 = noncentrality(0.05)
n_chi, n_chi_5 = ceil(lam / w2), ceil(lam_5 / w2)
simulated_chi = simulated_chi_square_rolls(EXACT, RULE_LEVEL, n_chi, rng)
simulated_chi_5 = simulated_chi_square_rolls(EXACT, 0.05, n_chi_5, rng)
expected += [
    (TEACHERS, f"2 × (0.18 - 1/6)^2) = {w2:.4f}."),
    (TEACHERS, f"rejects\nabove {critical:.2f}, and the noncentrality that gives 80 % power is {lam:.2f}, so\n"
               f"n = {lam:.2f} / {w2:.4f} = {grouped(n_chi)} rolls"),
    (TEACHERS, f"above {critical_5:.2f}, noncentrality {lam_5:.2f}, {grouped(n_chi_5)} rolls"),
    (TEACHERS, f"the chi-square test about {round((simulated_chi_5 - n_exact_5) / 50) * 50} more at the 5 % level"),
]
near += [
    (TEACHERS, "approximation;\nsimulated, about ", simulated_chi, 30),
    (TEACHERS, "which is about ", simulated_chi - n_chi, 10),
    (TEACHERS, f"{grouped(n_chi_5)} rolls; simulated, about ", simulated_chi_5, 30),
]
mean_351, _ = mean_and_sd(MEAN_351)
expected += [
    (TEACHERS, f"have the mean {mean_351:.2f}"),
    (TEACHERS, f"the chi-square test needs {ceil(lam_5 / w_squared(MEAN_351))} rolls (noncentral chi-square "
               f"approximation), the test on the mean {grouped(ceil(z_formula_rolls(mean_351 - 3.5, FIVE_PERCENT)))} "
               f"by the normal formula"),
]
for n in (100, 1000, 2000, 5000, n_exact, 10000):
    expected.append((TEACHERS, f"| {grouped(n)} | {beyond(EXACT, n, RULE):.3f} | {beyond(EXACT, n, FIVE_PERCENT):.3f} | "
                               f"{chi_square_power(RULE_LEVEL, n, w2):.3f} | {chi_square_power(0.05, n, w2):.3f} |"))

# What the mean cannot see.
balanced_mean, balanced_sd = mean_and_sd(BALANCED)
assert abs(balanced_mean - 3.5) < 1e-12
widened = FAIR_SD / balanced_sd  # the balanced die's z has this much less than its spread
largest_error = FAIR_SD / sqrt(LARGEST)
expected += [
    (TEACHERS, f"{percent(2 * norm.sf(RULE * widened), 2)} of its samples lie beyond 3 standard errors\n"
               f"  against {percent(RULE_LEVEL, 2)}, and {percent(2 * norm.sf(FIVE_PERCENT * widened))} beyond"),
    (TEACHERS, f"10,000 rolls: {percent(beyond(BALANCED, 10000, RULE), 3)} and "
               f"{percent(beyond(BALANCED, 10000, FIVE_PERCENT), 2)})"),
    (TEACHERS, f"a standard deviation of {balanced_sd:.5f} per roll, where the z assumes {FAIR_SD:.5f}"),
    (TEACHERS, f"its w^2 is {w_squared(BALANCED):.2f}, so the chi-square test needs "
               f"{grouped(ceil(lam / w_squared(BALANCED)))} rolls at the students'\n  level and "
               f"{ceil(lam_5 / w_squared(BALANCED))} at the 5 % level"),
    (TEACHERS, f"the largest sample, {grouped(LARGEST)} rolls,\n  the standard error is {largest_error:.7f} and this die's mean lies "
               f"{grouped(round(delta / largest_error))} standard\n  errors"),
    (TEACHERS, f"would still be {0.0002 / largest_error:.1f} standard errors away"),
    (TEACHERS, f"{delta / 3.5 * 100:.1f} % more per roll, or {delta / FAIR_SD:.3f} standard\n  deviations"),
]

# The lesson: telling runs of the same second apart, the class's results, this
# die's means, the face counts and pooling. The class page takes two runs
# without a start line for one when their first samples agree, as many as it
# takes for a chance agreement to fall below one in a million: for the
# lesson's samples, and for samples of 1 roll (the faces step), for this die
# and a fair one alike.
def samples_to_tell_apart(shares, sizes):
    chance = 1.0
    for count, n in enumerate(sizes, 1):
        chance *= float((total_distribution(shares, n) ** 2).sum())
        if chance < REPEAT_LIMIT:
            return count
    return None


NUMBER_WORDS = {5: "five", 8: "eight"}
assert REPEAT_LIMIT == 1e-6, "the class page says 'less than once in a million times'"
lesson_needs = {samples_to_tell_apart(shares, LESSON) for shares in (EXACT, FAIR)}
faces_need = {samples_to_tell_apart(shares, [1] * 20) for shares in (EXACT, FAIR)}
assert len(lesson_needs) == 1 and len(faces_need) == 1, (lesson_needs, faces_need)
expected.append((CLASS_PAGE, f"by chance less than once in a million times (the lesson's first "
                             f"{NUMBER_WORDS[lesson_needs.pop()]} samples; for samples of 1 roll, "
                             f"{NUMBER_WORDS[faces_need.pop()]})"))
for n in (10, 100, 1000, 10000):
    p, p_5 = beyond(EXACT, n, RULE), beyond(EXACT, n, FIVE_PERCENT)
    student = 1 - (1 - p) ** TRIES
    expected.append((TEACHERS, f"| {grouped(n)} | {percent(p)} | {percent(student)} | {CLASS * student:.1f} | "
                               f"{percent(1 - (1 - p_5) ** TRIES)} |"))
for n in (10, 100, 1000, 10000):
    p, p_5 = beyond(FAIR, n, RULE), beyond(FAIR, n, FIVE_PERCENT)
    student = 1 - (1 - p) ** TRIES
    expected.append((TEACHERS, f"| {grouped(n)} | {percent(p, 2)} | {percent(student)} | {CLASS * student:.2f} | "
                               f"{percent(1 - (1 - p_5) ** TRIES)} |"))
fair_size = [1 - (1 - beyond(FAIR, n, FIVE_PERCENT)) ** TRIES for n in (10, 100, 1000, 10000)]
assert all(round(CLASS * share) == 4 for share in fair_size)
expected.append((TEACHERS, "would hand about 4 students of 30"))
expected.append((TEACHERS, f"0.27 %, since they move in steps of 0.1"))
assert beyond(FAIR, 10, RULE) < RULE_LEVEL

# Many tries: a student's twelve samples from a fair die.
clear_rule = np.prod([1 - beyond(FAIR, n, RULE) for n in LESSON])
clear_5 = np.prod([1 - beyond(FAIR, n, FIVE_PERCENT) for n in LESSON])
expected += [
    (TEACHERS, f"gives {percent(1 - clear_5)} of students (about {round(CLASS * (1 - clear_5))} of 30) at least one "
               f"sample beyond the 5 % line, and {percent(1 - clear_rule)} (about {CLASS * (1 - clear_rule):.1f} of 30)"),
    (TEACHERS, f"Over twelve samples, {percent(1 - clear_rule)} of students (about {CLASS * (1 - clear_rule):.1f} of 30) "
               f"beyond |z| > 3, and {percent(1 - clear_5)} (about {round(CLASS * (1 - clear_5))} of 30)"),
    (TEACHERS, f"at most {percent(max(1 - (1 - beyond(FAIR, n, RULE)) ** TRIES for n in (10, 100, 1000, 10000)))} "
               f"({CLASS * max(1 - (1 - beyond(FAIR, n, RULE)) ** TRIES for n in (10, 100, 1000, 10000)):.2f} of 30)"),
    (TEACHERS, f"at {percent(RULE_LEVEL, 2)}"),
]

# The decision: each student's rolls pooled.
rolls = sum(LESSON)
pooled_error = FAIR_SD / sqrt(rolls)
missed = 1 - beyond(EXACT, rolls, RULE)
expected += [
    (TEACHERS, f"make N = {grouped(rolls)} and a standard error of {pooled_error:.5f}"),
    (TEACHERS, f"a fair die's pooled mean lies beyond 3 standard errors {percent(beyond(FAIR, rolls, RULE), 2)}"),
    (TEACHERS, f"would raise a false alarm on a fair die {percent(1 - clear_rule)} of the time"),
    (TEACHERS, f"pooled test, {grouped(rolls)} rolls: this die's pooled mean lies about "
               f"{(exact_mean - 3.5) / pooled_error:.2f} standard errors"),
    (TEACHERS, f"all but about {round(missed * 1e8)} of 100,000,000 runs; a fair die's pooled mean would cross the "
               f"line {percent(beyond(FAIR, rolls, RULE), 2)}"),
]
# The record sheet decides once, by the pooled z against 3, and prints nothing
# ahead that a missed sample makes wrong: no N, no standard error, no second line.
sheet_text = blanks_as_one(re.sub(r"<[^>]+>", " ", SHEET))
assert "a pooled z beyond ±3 is evidence that the die is unfair" in sheet_text, "the sheet's rule"
assert "(|z| &gt; 3?)" in SHEET and SHEET.count("&gt; 3") == 1, "the sheet decides more than once"
for ahead in (grouped(rolls), f"{pooled_error:.5f}", f"{chi2.ppf(0.95, 5):.2f}", "____"):
    assert ahead not in SHEET, f"the record sheet prints {ahead!r}"
# The example decision: its pooled mean, z and interval as the sheet computes them.
example = 3.5794
expected.append((TEACHERS, f"pooled mean {example}, z = ({example} - 3.5) / {pooled_error:.5f} = "
                           f"{(example - 3.5) / pooled_error:.1f}"))
expected.append((TEACHERS, f"a 95 % interval estimates it: {example - FIVE_PERCENT * pooled_error:.3f} to "
                           f"{example + FIVE_PERCENT * pooled_error:.3f})"))

# Question 1, and the same-second hazard.
z_42 = (4.2 - 3.5) / (FAIR_SD / sqrt(10))
fair_10 = total_distribution(FAIR, 10)
as_far = float(fair_10[np.abs((np.arange(len(fair_10)) + 10) / 10 - 3.5) >= 0.7 - 1e-9].sum())
line_10 = RULE * FAIR_SD / sqrt(10)
expected += [
    (TEACHERS, f"1.70783 / sqrt(10)) = {z_42:.2f}: within ±3, and a fair die's 10-roll mean lies at least that "
               f"far from 3.5 in {round(100 * as_far)} %"),
    (TEACHERS, f"a mean of {floor((3.5 - line_10) * 10) / 10} or less or {ceil((3.5 + line_10) * 10) / 10} or more"),
]
seconds, starters = 120, CLASS
no_clash = np.prod([1 - k / seconds for k in range(starters)])
expected.append((TEACHERS, f"within 2 minutes share a second with a chance of {round(100 * (1 - no_clash))} % (about "
                           f"{starters * (starters - 1) / 2 / seconds:.1f} pairs on average)"))

# The chi-square test on one student's 60 faces, exactly: the distribution of
# sum (O - 10)^2 over the multinomial counts, face by face (the statistic is
# that sum over 10, so it crosses 18.21 from 183 on).
def faces_beyond(shares, faces=60, line=None):
    from math import lgamma, log, exp
    line = chi2.ppf(1 - RULE_LEVEL, 5) if line is None else line
    expected, most = faces / 6, int(6 * (faces - faces / 6) ** 2) + 1
    # by_used[u][d]: log-free weight of having used u faces with sum d of (O - E)^2
    weights = np.zeros((faces + 1, most))
    weights[0, 0] = 1.0
    for share in shares:
        step = np.zeros_like(weights)
        for used in range(faces + 1):
            row = weights[used]
            if not row.any():
                continue
            for count in range(faces - used + 1):
                d = int((count - expected) ** 2)
                w = exp(count * log(share) - lgamma(count + 1))
                step[used + count, d:] += w * row[: most - d]
        weights = step
    final = weights[faces] * exp(lgamma(faces + 1))
    return float(final[np.arange(most) / expected > line].sum())


assert abs(faces_beyond(FAIR, line=-1) - 1) < 1e-9  # the weights sum to one
faces_60_this, faces_60_fair = faces_beyond(EXACT), faces_beyond(FAIR)
model_counts = CLASS * 60 * NOMINAL
model_chi = float(((model_counts - CLASS * 10) ** 2 / (CLASS * 10)).sum())

# The chi-square extension's lines and worked example.
example_counts = [8, 12, 9, 11, 6, 14]
chi_example = sum((o - 10) ** 2 / 10 for o in example_counts)
assert sum(example_counts) == 60 and chi_example < chi2.ppf(0.95, 5)
# The tally's lines are the lesson's: at the rule's level and at 5 %, with 5 degrees of freedom.
assert LINE_OF_THE_RULE == round(chi2.ppf(1 - RULE_LEVEL, 5), 2), LINE_OF_THE_RULE
assert LINE_AT_FIVE_PERCENT == round(chi2.ppf(0.95, 5), 2), LINE_AT_FIVE_PERCENT
# The faces as a second test: with a fair die, either test of a student's crosses its line.
pooled_fair = beyond(FAIR, sum(LESSON), RULE)
faces_fair_5 = faces_beyond(FAIR, line=LINE_AT_FIVE_PERCENT)
expected += [
    (TEACHERS, f"then one test, against the line {LINE_OF_THE_RULE:.2f}, which is the\n  rule's level, {RULE_LEVEL:.4f}"),
    (TEACHERS, f"({' + '.join(str((o - 10) ** 2) for o in example_counts)}) / 10 = {chi_example:.1f}, below "
               f"{LINE_OF_THE_RULE:.2f}"),
    (TEACHERS, f"cross one of their lines {percent(1 - (1 - pooled_fair) * (1 - faces_60_fair), 2)} of the time, not\n"
               f"  {percent(RULE_LEVEL, 2)}; at the 5 % lines, "
               f"{percent(1 - (1 - beyond(FAIR, sum(LESSON), FIVE_PERCENT)) * (1 - faces_fair_5))}"),
    (TEACHERS, f"makes a fair die's false alarm for the student {percent(1 - (1 - pooled_fair) * (1 - faces_60_fair), 2)} "
               f"instead of {percent(RULE_LEVEL, 2)}"),
    (TEACHERS, f"A student past {LINE_AT_FIVE_PERCENT:.2f}, the 5 % line, but not past {LINE_OF_THE_RULE:.2f} (about "
               f"{CLASS * faces_beyond(EXACT, line=LINE_AT_FIVE_PERCENT):.1f} of 30\n  with this die, "
               f"{CLASS * faces_fair_5:.1f} with a fair one)"),
    (SHEET, f"The line: {LINE_OF_THE_RULE:.2f} (5 degrees of freedom,\nthe rule's level)"),
]
for n, places in ((10, 1), (100, 2), (1000, 3), (10000, 4)):
    error = FAIR_SD / sqrt(n)
    distribution = total_distribution(EXACT, n)
    cumulative = np.cumsum(distribution)
    low, high = (np.searchsorted(cumulative, q) for q in (0.025, 0.975))
    expected.append((TEACHERS, f"| {grouped(n)} | {error:#.3g} | {(low + n) / n:.{places}f} to "
                               f"{(high + n) / n:.{places}f} | {(exact_mean - 3.5) / error:.2f} |"))
    if n == 10:
        expected.append((TEACHERS, f"for 10 rolls {percent(distribution[low : high + 1].sum())}"))
half = norm.ppf(0.975) * nominal_sd / 1000
expected.append((TEACHERS, f"| 1,000,000 | {FAIR_SD / 1000:#.3g} | {nominal_mean - half:.4f} to {nominal_mean + half:.4f} | "
                           f"{(exact_mean - 3.5) / (FAIR_SD / 1000):.2f} |"))
expected += [
    (TEACHERS, f"Exactly, the test finds this die\n  in {percent(faces_60_this, 2)} of such counts, and a fair die raises a "
               f"false alarm in {percent(faces_60_fair, 2)}"),
    (TEACHERS, f"the test finds it in\n   {percent(faces_60_this, 2)} of such counts, against a fair die's false alarms "
               f"in {percent(faces_60_fair, 2)}"),
    (TEACHERS, f"The class's 1,800 faces find this die\n   in {percent(chi_square_power(RULE_LEVEL, CLASS * 60, w2))} of classes"),
    (TEACHERS, f"(4 × 12^2 + 2 × 24^2) / 300 = {model_chi:.2f}"),
    (TEACHERS, f"about {5 + CLASS * 60 * w2:.1f} on average for\n   this die, against 5 for a fair one"),
    (TEACHERS, f"pooled {grouped(CLASS * 60)} faces find it in {percent(chi_square_power(RULE_LEVEL, CLASS * 60, w2))} "
               f"at the rule's level ({percent(chi_square_power(0.05, CLASS * 60, w2))} at the 5 %\n  level)"),
]
pooled = CLASS * rolls
class_error = FAIR_SD / sqrt(pooled)
expected += [
    (TEACHERS, f"{CLASS} × {grouped(rolls)} = {grouped(pooled)} rolls, with the standard error 1.70783 / "
               f"sqrt({grouped(pooled)}) = {class_error:.4f}"),
    (TEACHERS, f"lies about {round((exact_mean - 3.5) / class_error)} standard errors from 3.5"),
    (TEACHERS, f"is ±{FIVE_PERCENT * class_error:.4f} wide"),
    (TEACHERS, f"About {round((exact_mean - 3.5) / class_error)} standard errors for {grouped(pooled)} rolls"),
]

# Figures of "How many rolls" and "What the mean cannot see" made careful.
exact_351 = beyond(MEAN_351, ceil(z_formula_rolls(mean_351 - 3.5, FIVE_PERCENT)), FIVE_PERCENT)
assert beyond(MEAN_351, 237_000, FIVE_PERCENT) < POWER <= beyond(MEAN_351, 238_000, FIVE_PERCENT)
expected += [
    (TEACHERS, f"that many rolls give a power of {exact_351:.3f}, and 80 % takes about 237,500"),
    (TEACHERS, f"by less than about 3 standard errors, {3 * largest_error:.4f}, is not"),
]

# The README's lesson, and the record sheet's standard errors.
for n in (10, 100, 1000, 10000, 1_000_000):
    error = FAIR_SD / sqrt(n)
    expected.append((README, f"{grouped(n):>14} {error:>16.{max(3, 2 - floor(np.log10(error)))}f} {3 * error:#19.2g}"))
z_400 = (3.30 - 3.5) / (FAIR_SD / 20)
z_4000 = (3.30 - 3.5) / (FAIR_SD / sqrt(4000))  # unrounded: the rarity comes from z itself
# Looking again after every 400 rolls, |z| > 3 checked each time: the pooled z
# after k looks is a random walk over sqrt(k), by the normal approximation
# (400 rolls a look), simulated.
walks = np.cumsum(np.random.default_rng(20261209).standard_normal((SIMULATED, 25)), axis=1)
crossed = np.abs(walks / np.sqrt(np.arange(1, 26))) > RULE
looks_5, looks_25 = float(crossed[:, :5].any(axis=1).mean()), float(crossed.any(axis=1).mean())
assert 0.5 <= 100 * looks_5 < 1.5 and 1.5 <= 100 * looks_25 < 2.5, (looks_5, looks_25)
expected += [
    (README, "about 3 times in 1000"),
    # A fair die's mean is 3.5 exactly only where the total is 3.5 n.
    (README, f"a mean of 10 rolls is 3.5\nabout {round(100 * total_distribution(FAIR, 10)[25])} times in 100, a mean of 100 "
             f"rolls about {round(100 * total_distribution(FAIR, 100)[250])} times in 100"),
    (README, f"= -0.20 / {FAIR_SD / 20:.4f} = {z_400:.1f}"),
    (README, f"only about {round(200 * norm.sf(-z_400))} times in 100"),
    (README, f"4,000 rolls would give z = {z_4000:.2f}"),
    (README, f"a fair die does that about once in {1 / (2 * norm.sf(abs(z_4000))) / 1e12:.1f} × 10^12 samples"),
    (README, f"crosses the line by the 25th look about {round(100 * looks_25)} times in 100"),
    (TEACHERS, f"a false alarm comes in about {round(100 * looks_5)} % of runs by the 5th look and about "
               f"{round(100 * looks_25)} % by the 25th"),
    (README, f"at least one lies beyond 3 standard errors {100 * (1 - (1 - RULE_LEVEL) ** 25):.1f} times in 100"),
    (README, f"the level many textbooks use) {round(100 * (1 - 0.95 ** 25))}\ntimes in 100"),
    (README, f"line ({norm.ppf(1 - RULE_LEVEL):.2f} standard errors for the same 3 in 1000)"),
]
assert round(RULE_LEVEL * 1000) == 3 and abs(2 * norm.sf(2) - 0.05) < 0.005  # "about 2 standard errors"

# Why 3 standard errors: a class makes one test per run.
expected.append((TEACHERS, f"some run of a class of 30\ncrosses |z| > 3 by chance in {percent(1 - (1 - pooled_fair) ** CLASS)} of "
                           f"classes, and the 5 % line (|z| > 1.96)\nin {percent(1 - 0.95 ** CLASS)}"))
expected.append((TEACHERS, "some run\n  crosses ±3 by chance in " + ", ".join(
    f"{percent(1 - (1 - pooled_fair) ** runs)} of {'classes of ' if runs == 10 else ''}{runs}{' runs' if runs == 10 else ''}"
    for runs in (10, 20, 30)) + f"\n  and {percent(1 - (1 - pooled_fair) ** 60)} of 60"))


def rarity(z):
    """A z's two-sided chance and "about one in", as the table writes them."""
    chance = 2 * norm.sf(z)
    if chance >= 1e-5:
        shown = np.format_float_positional(chance, precision=3 if chance >= 0.01 else 2, unique=False, fractional=False)
        shown = shown.rstrip("0") if "." in shown and chance < 0.01 else shown
    else:
        mantissa, exponent = f"{chance:.1e}".split("e")
        shown = f"{mantissa} × 10^{int(exponent)}"
    odds = 1 / chance
    if odds < 1e6:
        one_in = grouped(round(odds))
    elif odds < 1e9:
        one_in = f"{odds / 1e6:.1f} million"
    else:
        mantissa, exponent = f"{odds:.1e}".split("e")
        one_in = f"{mantissa} × 10^{int(exponent)}"
    return f"| {z:g} | {shown} | {one_in} |"


class_z = (exact_mean - 3.5) / (FAIR_SD / sqrt(CLASS * sum(LESSON)))
for z in (1, 2, 2.5, 3, 3.5, 4, 5, round((exact_mean - 3.5) / pooled_error, 2)):
    expected.append((TEACHERS, rarity(z)))
assert norm.logsf(class_z) + log(2) < -400 * log(10)
expected.append((TEACHERS, f"| {(exact_mean - 3.5) / (FAIR_SD / 1000):.2f} | below 10^-400 |"))

# The schedule: its steps add up to what it says.
minutes = {int(step): int(length) for step, length in re.findall(r"^(\d)\. (?:Optional )?\((\d+)", TEACHERS, re.M)}
assert sorted(minutes) == list(range(1, 9)), minutes
lesson_time = sum(minutes[step] for step in range(1, 8))
first_time = lesson_time + (8 - minutes[2]) + (30 - minutes[3]) + (15 - minutes[5])
expected += [
    (TEACHERS, f"**Steps** (minutes in brackets; they add up to {lesson_time}):"),
    (TEACHERS, f"Steps 1 to 7 take {lesson_time} minutes, {lesson_time + minutes[8]} with step 8"),
    (TEACHERS, f"(6 minutes instead of {minutes[6]}) and\nleave step 8 out: {lesson_time - minutes[6] + 6} minutes"),
    (TEACHERS, f"{first_time} minutes in all with questions 1 to 7"),
    (TEACHERS, f"66 minutes for steps 1 to 7 below, {lesson_time + minutes[8]} with the optional"),
]
assert lesson_time == 66 and 80 <= first_time - minutes[6] + 9 <= 85, (lesson_time, first_time)

missing = [figure for text, figure in expected if blanks_as_one(figure) not in blanks_as_one(text)]
for text, before, value, tolerance in near:
    text, before = blanks_as_one(text), blanks_as_one(before)
    at = text.find(before)
    stated = text[at + len(before):].split()[0].rstrip(":;,.").replace(",", "") if at >= 0 else ""
    if not stated.isdigit() or abs(int(stated) - value) > tolerance:
        missing.append(f"{before}{value:.0f} (within {tolerance})")
for figure in missing:
    print(f"not as computed: {figure!r}", file=sys.stderr)
checked = len(expected) + len(near)
print(f"{checked - len(missing)} of {checked} figures as computed "
      f"(simulated: {SIMULATED:,} samples at each of 4 sizes)")
sys.exit(1 if missing else 0)
