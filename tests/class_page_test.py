#!/usr/bin/python3
"""The teacher's class page in headless Chromium, opened from a file, as a
teacher uses it: console transcripts made here with pinned clocks (two of the
same second, one handed in twice, one also as the student's page gives it,
one copied without its title, padded with blanks), record sheets' blocks and
a line of nonsense, handed in with a real Ctrl+V at once, then one text at a
time, then as files and a zip (Moodle's "download all" folders) dropped on
the page. What the teacher reads must be what this test computes itself: the
runs table and the rule's count, the per-size counts and chances, the pooled
figures, the faces, the picture's marks, the lines not read, and what the
live region says; no verdict word, no request, no error logged, nothing
wider than a phone, the key columns in view at 390 pixels. With scripts off
it says what it needs and shows nothing that does nothing.

Also makes the README's picture of the class page from made-up means of a
fair die, and fails while docs/class-page.png differs from it. How long a
5 MB hand-in takes is measured by bench/time_class_page.py.

Usage: class_page_test.py CLASS_PAGE_HTML CONSOLE_JS NODE SCREENSHOT_DIR DOCS_CLASS_PAGE_PNG"""

import datetime
import math
import random
import re
import sys
import tempfile
import zipfile
from pathlib import Path

import numpy
from browser_helpers import (INTRODUCTION, PROMPT, check, console_run, docs_picture, requests_and_errors,
                             sideways_overflow, start_browser)
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

LINES = ["10 10 10", "100 100 100", "1000 1000 1000", "0"]  # the lesson's first nine samples
FIRST_SECOND = 1796821387  # 2026-12-09 13:03:07 UTC
SIGMA = 1.70783


def terminal_transcript(node, console, seed):
    """What a terminal shows for LINES: each line typed after the prompt that
    reads its first entry, the rest answering the next prompts. Returns the
    text and the samples (size, mean as printed)."""
    out, err = console_run(node, console, seed, LINES)
    assert err == "", err
    means = iter(re.findall(r"The sample mean = (\S+)\n", out))
    text, samples = INTRODUCTION, []
    for line in LINES:
        sizes = [int(size) for size in line.split()]
        text += PROMPT + line + "\n"
        for at, size in enumerate(s for s in sizes if s > 0):
            mean = next(means)
            text += ("" if at == 0 else PROMPT) + f"The sample mean = {mean}\n\n"
            samples.append((size, mean))
    return text, samples


def fair_chance_beyond(n):
    """A fair die's chance that n rolls' mean lies strictly beyond 3 standard
    errors: (2S - 7n)^2 > 105 n, from the distribution of the sum S."""
    chances = numpy.ones(1)
    for _ in range(n):
        chances = numpy.convolve(chances, numpy.full(6, 1 / 6))
    sums = numpy.arange(n, 6 * n + 1)
    return float(chances[(2 * sums - 7 * n) ** 2 > 105 * n].sum())


def beyond(size, mean):
    """Whether a printed mean lies beyond 3 standard errors, in whole numbers:
    (2 M - 7 10^d)^2 n > 105 10^2d for the mean M / 10^d."""
    digits = mean.replace(",", ".").split(".")
    places = len(digits[1]) if len(digits) > 1 else 0
    scaled = int("".join(digits))
    return (2 * scaled - 7 * 10 ** places) ** 2 * size > 105 * 10 ** (2 * places)


def expected_figures(runs):
    """What the page must show, computed here: per size (samples, mean of the
    means, beyond, expected), the pooled figures, and each run's test."""
    sizes = {}
    for samples in runs.values():
        for size, mean in samples:
            sizes.setdefault(size, []).append(mean)
    per_size = {size: (len(means), f"{sum(float(m) for m in means) / len(means):.4f}",
                       sum(beyond(size, m) for m in means), f"{len(means) * fair_chance_beyond(size):.2f}")
                for size, means in sizes.items()}
    rolls = sum(size for samples in runs.values() for size, _ in samples)
    total = sum(size * float(mean) for samples in runs.values() for size, mean in samples)
    mean = total / rolls
    error = SIGMA / math.sqrt(rolls)
    pooled = {"Rolls": f"{rolls:,}", "Mean": f"{mean:.4f}", "z": f"{(mean - 3.5) / error:.2f}".replace("-", "−"),
              "95 % interval for the die's mean": f"{mean - 1.96 * error:.4f} to {mean + 1.96 * error:.4f}"}
    tests = {}
    for label, samples in runs.items():
        n = sum(size for size, _ in samples)
        run_mean = sum(size * float(m) for size, m in samples) / n
        z = (run_mean - 3.5) / (SIGMA / math.sqrt(n))
        tests[label] = [str(len(samples)), f"{n:,}", f"{run_mean:.4f}", f"{z:.2f}".replace("-", "−"),
                        "yes" if abs(z) > 3 else "no"]
    return per_size, pooled, tests


def hand_in(browser, text, html=None):
    """A paste as the page receives it, dispatched by script: for figures that need no real keystroke.
    `html` is what a word processor puts beside the text, or instead of it (`text` None)."""
    browser.execute_script(
        "const data = new DataTransfer();"
        "if (arguments[0] !== null) data.setData('text/plain', arguments[0]);"
        "if (arguments[1] !== null) data.setData('text/html', arguments[1]);"
        "document.dispatchEvent(new ClipboardEvent('paste', {clipboardData: data, bubbles: true}));", text, html)


def remove_all(browser):
    browser.execute_script("for (const button of document.querySelectorAll('#hand-ins button')) button.click();")
    WebDriverWait(browser, 10).until(lambda _: browser.find_element(By.ID, "no-hand-ins").is_displayed())


def real_paste(browser, text):
    """Ctrl+V with `text` on the clipboard, as a teacher pastes."""
    browser.execute_script("return navigator.clipboard.writeText(arguments[0]);", text)
    browser.find_element(By.ID, "texts").send_keys(Keys.CONTROL, "v")


def drop(browser, paths):
    """Files dropped on the page, as the browser's own drag and drop gives them."""
    for kind in ("dragEnter", "dragOver", "drop"):
        browser.execute_cdp_cmd("Input.dispatchDragEvent", {"type": kind, "x": 300, "y": 300, "data": {
            "items": [], "files": [str(path) for path in paths], "dragOperationsMask": 1}})


def shown(browser):
    """What the page shows of its figures, read at one moment: runs (but
    where each came from), rule, sizes, pooled, picture, faces, lines not read."""
    return browser.execute_script(
        "const text = (selector) => [...document.querySelectorAll(selector)].map((element) => element.textContent);"
        "const whole = (cell) => { const name = cell.querySelector('details.name > span, span.name');"
        "  return name ? cell.querySelector('.number').textContent + name.textContent : cell.textContent; };"
        "const rows = (selector) => [...document.querySelectorAll(selector)].map((row) =>"
        "  [...row.cells].filter((cell) => !cell.classList.contains('known')).map(whole));"
        "return {runs: rows('#runs tbody tr'), sizes: rows('#per-size tbody tr'), points: rows('#points tbody tr'),"
        "  faces: rows('#faces tbody tr'), words: text('#runs-pasted, #runs-counted, #rule-count, #pooled, "
        "#faces-summary, #picture-description'), unread: text('#unreadable li').map((line) => line.replace(/^.*line /, ''))};")


def check_figures(browser, runs, repeats, unread):
    """The page against this test's own computation."""
    per_size, pooled, tests = expected_figures(runs)
    figures = shown(browser)
    rows = {row[0].split(". ", 1)[1]: row[1:] for row in figures["runs"]}
    check(len(figures["runs"]) == len(runs) + len(repeats),
          f"{len(figures['runs'])} runs shown: {[label[:60] for label in rows]}")
    for label, test in tests.items():
        check(rows.get(label) == test, f"run {label[:60]}: {rows.get(label)}, computed here: {test}")
    for label, of in repeats.items():
        check(rows.get(label, [""])[-1].startswith("repeats run ") and f"(“{of}”)" in rows[label][-1],
              f"run {label}: {rows.get(label)}, not a repeat of {of}")
    shown_sizes = {int(row[0].replace(",", "")): (int(row[1]), row[2], int(row[3]), row[4]) for row in figures["sizes"]}
    check(shown_sizes == per_size, f"per size: {shown_sizes}, computed here: {per_size}")
    words = "\n".join(figures["words"])
    shown_pooled = browser.execute_script(
        "const terms = [...document.querySelectorAll('#pooled dt')].map((term) => term.textContent);"
        "const values = [...document.querySelectorAll('#pooled dd')].map((value) => value.textContent);"
        "return Object.fromEntries(terms.map((term, at) => [term, values[at]]));")
    for term, value in pooled.items():
        check(shown_pooled.get(term) == value, f"pooled {term}: {shown_pooled.get(term)!r}, computed here: {value!r}")
    beyond_runs = sum(test[-1] == "yes" for test in tests.values())
    expected_runs = sum(fair_chance_beyond(sum(n for n, _ in samples)) if sum(n for n, _ in samples) <= 1000 else 0.0027073
                        for samples in runs.values())
    check(f"by the rule: {beyond_runs} of {len(runs)}. With equally likely faces, chance alone would bring "
          f"{expected_runs:.2f} of {len(runs)}" in words,
          f"the rule's count: {words}")
    check(figures["unread"] == unread, f"lines not read: {figures['unread']}, expected {unread}")
    check(browser.find_element(By.ID, "none-unreadable").is_displayed() == (not unread), "the None. line")
    return figures


def main():
    page, console, node, screenshots = sys.argv[1:5]
    screenshots = Path(screenshots)
    # A class of 30: 25 students in a console (students 1 and 2 in one second),
    # 5 with record sheets.
    seconds = [FIRST_SECOND + offset for offset in [0, 1, 1] + list(range(2, 25))]
    transcripts = [terminal_transcript(node, console, second) for second in seconds]

    def page_text(run):
        """The page's Copy text of a run that did not type 0: ending on the open prompt."""
        started = datetime.datetime.fromtimestamp(seconds[run], datetime.timezone.utc)
        return f"Run started {started:%Y-%m-%d %H:%M:%S} +00:00\n" + transcripts[run][0].rsplit("0\n", 1)[0] + "\n"

    def start_label(run):
        return page_text(run).split("\n", 1)[0]

    record_sheet = [(10, "3.6"), (10, "3.1"), (100, "3.41"), (1000, "3.522")]
    faces = [(1, "6"), (1, "2"), (1, "6"), (1, "5")]
    # The runs as consoles show them (run 4 without its title and padded with
    # blanks), run 3 twice, runs 0 and 5 also as page texts, record sheets
    # (one with single rolls, one with a name too long for any page), and a
    # line that is none of these.
    pieces = [f"Student {index}\n{transcript}" for index, (transcript, _) in enumerate(transcripts)]
    untitled = pieces[4].split(PROMPT, 1)
    pieces[4] = untitled[0].splitlines()[0] + "\n" + "\n".join(
        f"  {line}   " for line in (PROMPT + untitled[1]).split("\n"))
    made_up = random.Random(1209)
    sheets = [[(size, f"{made_up.randint(size, 6 * size) / size:g}") for size in (10, 10, 100, 1000)]
              for _ in range(4)]
    long_name = "Zoe " + "the longest name " * 600
    pieces += [f"Student 3 again\n{transcripts[3][0]}", page_text(0), page_text(5)]
    pieces += [f"Student {len(transcripts) + index}\n" + "".join(f"{size} {mean}\n" for size, mean in sheet)
               for index, sheet in enumerate(sheets)]
    pieces += [long_name + "\n" + "".join(f"{size} {mean}\n" for size, mean in record_sheet + faces),
               "\nthe die felt heavy\n"]
    runs = {f"Student {index}": samples for index, (_, samples) in enumerate(transcripts) if index != 2}
    runs.update({f"Student {len(transcripts) + index}": sheet for index, sheet in enumerate(sheets)})
    runs[long_name.strip()] = record_sheet + faces
    repeats = {"Student 2": "Student 1", "Student 3 again": "Student 3", start_label(0): "Student 0",
               start_label(5): "Student 5"}
    check(len(runs) == 30, f"{len(runs)} students")
    marks = len({(size, mean) for samples in runs.values() for size, mean in samples})
    nonsense = ['"the die felt heavy" (not a result: none of the program\'s lines, nor SIZE MEAN)']

    browser = start_browser()
    try:
        browser.get(Path(page).resolve().as_uri())
        browser.execute_cdp_cmd("Browser.grantPermissions", {"permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
        WebDriverWait(browser, 30).until(lambda _: browser.find_element(By.ID, "paste").is_displayed())
        check(not browser.find_elements(By.ID, "start"), "the starting message stays once the page is ready")

        # The class at once, one real paste.
        real_paste(browser, "".join(pieces))
        announce = lambda: browser.find_element(By.ID, "announce").text
        WebDriverWait(browser, 30).until(lambda _: announce().startswith("Paste 1 read"))
        check(announce() == "Paste 1 read: 34 runs, 1 line not read.", f"the live region says {announce()!r}")
        check(browser.find_element(By.ID, "texts").get_attribute("value") == "", "the paste went through the text box")
        line = 1 + "".join(pieces).count("\n")
        at_once = check_figures(browser, runs, repeats, [f"{line - 1}: " + nonsense[0]])
        check(len(browser.find_elements(By.CSS_SELECTOR, "#picture .points circle, #picture .points polygon")) == marks,
              f"not {marks} marks")
        faces_summary = browser.find_element(By.ID, "faces-summary").text
        observed = [sum(1 for _, mean in faces if mean == str(face)) for face in range(1, 7)]
        chi_square = sum((o - len(faces) / 6) ** 2 / (len(faces) / 6) for o in observed)
        check(faces_summary.startswith(f"{len(faces)} single rolls. Chi-square = {chi_square:.2f}, "
                                       "with 5 degrees of freedom"), faces_summary)
        face_rows = shown(browser)["faces"]
        check(face_rows == [[str(face), str(count), f"{len(faces) / 6:.2f}"] for face, count in enumerate(observed, 1)],
              f"faces: {face_rows}, here: {observed}")
        verdicts = re.findall(r"\b(fair|unfair|loaded|biased)\b", browser.find_element(By.TAG_NAME, "body").text, re.I)
        body = browser.find_element(By.TAG_NAME, "body").text
        check(not verdicts, f"the page speaks a verdict: {re.findall(r'.{60}(?:fair|unfair|loaded|biased).{20}', body, re.I)}")
        layout(browser, screenshots)

        # The same texts one at a time, each a real paste of its own: the same figures.
        remove_all(browser)
        check(announce().endswith("removed.") and browser.find_element(By.ID, "results").text.count("Runs counted: 0"),
              f"after removing: {announce()!r}")
        for piece in pieces:
            real_paste(browser, piece)
        WebDriverWait(browser, 30).until(lambda _: announce().startswith(f"Paste {len(pieces) + 1} read"))
        check(shown(browser)["runs"] == at_once["runs"] and shown(browser)["sizes"] == at_once["sizes"],
              "one text at a time gives other runs or figures than all at once")
        check(announce() == f"Paste {len(pieces) + 1} read: 0 runs, 1 line not read.", announce())
        check(check_figures(browser, runs, repeats, ["2: " + nonsense[0]])["words"] == at_once["words"],
              "one text at a time gives other figures")

        # As files: a zip of the platform's folders, one per student, and a file beside it, dropped.
        remove_all(browser)
        with tempfile.TemporaryDirectory() as folder:
            archive = Path(folder) / "submissions.zip"
            with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as packed:
                packed.comment = b"x" * 65500  # the longest comment a zip's end may have, near enough
                for index, piece in enumerate(pieces[:-1]):
                    packed.writestr(f"Hand-in {index}_{100 + index}_assignsubmission_file_/run.txt", piece)
                packed.writestr("Hand-in x_999_assignsubmission_file_/photo.jpg", b"\xff\xd8")
                packed.writestr("Hand-in y_998_assignsubmission_file_/run.txt", "Yan\n10 3.7\n", zipfile.ZIP_BZIP2)
            loose = Path(folder) / "notes.txt"
            loose.write_text(pieces[-1], encoding="utf-8")
            drop(browser, [archive, loose])
            WebDriverWait(browser, 30).until(lambda _: "notes.txt read" in announce())
        hand_ins = browser.find_element(By.ID, "hand-ins").text
        check("submissions.zip: Hand-in 0_100_assignsubmission_file_/run.txt 1 run, 0 lines not read." in hand_ins and
              "photo.jpg not read: not a text file" in hand_ins and
              "run.txt not read: packed in a way this page cannot unpack" in hand_ins, f"the hand-ins: {hand_ins}")
        # The page texts, which have no name line, are named by their folders.
        by_folder = {pieces.index(page_text(run)): of for run, of in ((0, "Student 0"), (5, "Student 5"))}
        dropped = {label: of for label, of in repeats.items() if not label.startswith("Run started")}
        dropped.update({f"Hand-in {index}": of for index, of in by_folder.items()})
        check_figures(browser, runs, dropped, ["2: " + nonsense[0]])

        urls, errors = requests_and_errors(browser)
        check(urls <= {browser.current_url}, f"requests: {urls}")
        check(not errors, f"the console holds {errors}")
        readme_picture(browser, screenshots, sys.argv[5])
        clipboards(browser)
        far_out(browser, screenshots)
    finally:
        browser.quit()
    without_scripts(page)
    print("class_page_test: the class's runs, rule, sizes, pooled figures and faces as computed here, "
          "pasted at once, one text at a time, and dropped as files and a zip")


def layout(browser, screenshots):
    """Light and dark pictures of the page; at 320 px nothing wider than the
    phone (the longest name neither); at 390 px the per-size table's key
    columns in view without scrolling sideways; every scrolling table
    reachable by the keyboard."""
    screenshots.mkdir(parents=True, exist_ok=True)
    browser.set_window_size(1100, 2400)
    browser.save_screenshot(str(screenshots / "class-light.png"))
    browser.execute_cdp_cmd("Emulation.setEmulatedMedia",
                            {"features": [{"name": "prefers-color-scheme", "value": "dark"}]})
    browser.save_screenshot(str(screenshots / "class-dark.png"))
    overflow = sideways_overflow(browser, 320)
    check(overflow <= 0, f"sideways scrolling at 320 px: {overflow} px too wide")
    sideways_overflow(browser, 390)
    hidden = browser.execute_script(
        "const box = document.querySelector('#per-size').closest('.scroll');"
        "return box.scrollWidth - box.clientWidth;")
    check(hidden <= 0, f"at 390 px the per-size table hides {hidden} px")
    check(browser.execute_script(
        "return [...document.querySelectorAll('.scroll')].every((box) => box.tabIndex === 0 && box.getAttribute('aria-labelledby'));"),
        "a scrolling table cannot be reached by the keyboard, or has no name")
    browser.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
    browser.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": []})


def readme_picture(browser, screenshots, docs_png):
    """The picture of 30 students' made-up samples of a fair die (10, 100 and
    1,000 rolls, three each), the same whenever it is made."""
    made_up = random.Random(35)
    lines = []
    for student in range(30):
        lines.append(f"Student {student}")
        for size in (10, 10, 10, 100, 100, 100, 1000, 1000, 1000):
            total = sum(made_up.randint(1, 6) for _ in range(size))
            lines.append(f"{size} {total / size:g}")
    remove_all(browser)
    browser.set_window_size(1100, 2400)
    hand_in(browser, "\n".join(lines) + "\n")
    WebDriverWait(browser, 10).until(lambda _: "Runs counted: 30" in browser.find_element(By.ID, "runs-counted").text)
    made = screenshots / "docs-class-page.png"
    made.write_bytes(browser.find_element(By.CSS_SELECTOR, "figure").screenshot_as_png)
    docs_picture(made, docs_png)


def clipboards(browser):
    """A clipboard that holds only HTML (some word processors') is read as its
    text, a line per block; one that holds text beside its HTML, as the text.
    One sample is "1 sample"."""
    remove_all(browser)
    hand_in(browser, None, "<p>Hera</p><p>10 3.7<br>100 3.42</p>")
    hand_in(browser, "Iris\n10 3.1\n", "<p>not what the text says</p>")
    WebDriverWait(browser, 10).until(lambda _: "Runs counted: 2" in browser.find_element(By.ID, "runs-counted").text)
    check([row[:2] for row in shown(browser)["runs"]] == [["1. Hera", "2"], ["2. Iris", "1"]], f"{shown(browser)['runs']}")
    remove_all(browser)
    hand_in(browser, "Solo\n10 3.7\n")
    WebDriverWait(browser, 10).until(lambda _: "Runs counted: 1" in browser.find_element(By.ID, "runs-counted").text)
    description = browser.find_element(By.ID, "picture-description").get_attribute("textContent")
    check(description.startswith("1 sample of 10 to 10 rolls; 0 of them lie beyond z = ±3."), description)
    check(shown(browser)["points"] == [["10", "3.7", "1", "0.37"]], f"the marks' table: {shown(browser)['points']}")
    # A tally that fails shows why, and no figure it no longer stands behind.
    browser.execute_script("window.workingTally = tally.json; tally.json = () => { throw new Error('broken'); }; update();")
    check(not browser.find_element(By.ID, "results").is_displayed() and
          "The tally failed" in browser.find_element(By.ID, "tally-failed").text, "a failed tally leaves its figures")
    browser.execute_script("tally.json = window.workingTally; update();")
    check(browser.find_element(By.ID, "results").is_displayed() and
          not browser.find_element(By.ID, "tally-failed").is_displayed(), "the figures do not come back")


def far_out(browser, screenshots):
    """One sample far out (z = 47 at a million rolls, as the lesson's table
    gives) squashes nothing: the axis stops at ±6, the mark is a triangle at
    its edge, and no two labels of the picture overlap."""
    remove_all(browser)
    hand_in(browser, "Far\n1000000 3.58\n100000000 3.5\n10 3.7\n100 3.2\n1000 3.55\n")
    WebDriverWait(browser, 10).until(lambda _: "Runs counted: 1" in browser.find_element(By.ID, "runs-counted").text)
    labels = browser.execute_script(
        "return [...document.querySelectorAll('#picture .axes text')].map((label) => {"
        "  const box = label.getBoundingClientRect();"
        "  return [label.textContent, box.left, box.top, box.right, box.bottom, label.getAttribute('text-anchor')]; });")
    for first in range(len(labels)):
        for second in range(first + 1, len(labels)):
            a, b = labels[first], labels[second]
            check(a[3] <= b[1] or b[3] <= a[1] or a[4] <= b[2] or b[4] <= a[2], f"labels {a[0]!r} and {b[0]!r} overlap")
    y_labels = [label[0] for label in labels if label[5] == "end"]
    check("> 6" in y_labels and "3" in y_labels, f"the z axis: {y_labels}")
    check(len(browser.find_elements(By.CSS_SELECTOR, "#picture .points polygon")) == 1, "the far mark is not at the edge")
    browser.find_element(By.CSS_SELECTOR, "figure").screenshot(str(screenshots / "class-far-out.png"))


def without_scripts(page):
    browser = start_browser("--blink-settings=scriptEnabled=false")
    try:
        browser.get(Path(page).resolve().as_uri())
        body = browser.find_element(By.TAG_NAME, "body").text
        check("needs JavaScript" in body, "with scripts off the class page does not say what it needs")
        check(not browser.find_element(By.ID, "texts").is_displayed(), "with scripts off the text field still shows")
    finally:
        browser.quit()


if __name__ == "__main__":
    main()
