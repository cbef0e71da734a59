"""What the page tests share: the dialogue's fixed text, the console program
run under Node with a pinned clock, and headless Chromium with its logs and
with fonts of its own.

Needs Debian's chromium, chromium-driver and python3-selenium, and the font
packages of PICTURE_FONTS."""

import atexit
import json
import os
import shutil
import subprocess
import tempfile
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

# The browser's time zone: an offset of hours and minutes, as a start line shows it.
TIME_ZONE = "Asia/Kathmandu"


def dialogue_text():
    """The introduction and the prompt, as tests/dialogue_text.hpp pins them
    (read by tests/dialogue_text.cmake, the one reader of that header)."""
    printed = subprocess.run(["cmake", "-P", str(Path(__file__).parent / "dialogue_text.cmake")],
                             capture_output=True, text=True, check=True).stdout
    texts = json.loads(printed)
    return texts["introduction"], texts["prompt"]


INTRODUCTION, PROMPT = dialogue_text()


def console_run(node, console, seed, lines):
    """The console program's output and messages for `lines`, under Node with
    the clock pinned to the start of second `seed`."""
    with tempfile.TemporaryDirectory() as directory:
        pin = Path(directory) / "pin_clock.js"
        pin.write_text(f"Date.now = () => {seed * 1000};\n", encoding="utf-8")
        run = subprocess.run([node, "--require", str(pin), console], input="\n".join(lines) + "\n",
                             capture_output=True, text=True, timeout=120, check=True)
    return run.stdout, run.stderr


# The fonts that the browser sees: exactly the files of these packages (which
# CI installs), whatever else a machine has. A picture made of the page then
# has the same pixels on every machine with the same Chromium and these
# packages: another package's "Liberation Mono" (fonts-liberation2, which
# Firefox brings) or a DejaVu oblique (fonts-dejavu-extra) changes nothing.
PICTURE_FONTS = ("fonts-dejavu-core", "fonts-liberation")
# What else a picture depends on: the browser, and the libraries that draw glyphs.
PICTURE_LIBRARIES = ("chromium", "libfreetype6", "libharfbuzz0b")

FONTS_CONF = """<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<!-- The pictures' fonts, and how they are drawn, named here rather than by the
     machine's /etc/fonts, whose rules change with its packages. -->
<fontconfig>
  <dir>{fonts}</dir>
  <cachedir>{cache}</cachedir>
  <match target="font">
    <edit name="antialias" mode="assign"><bool>true</bool></edit>
    <edit name="hinting" mode="assign"><bool>true</bool></edit>
    <edit name="hintstyle" mode="assign"><const>hintslight</const></edit>
    <edit name="rgba" mode="assign"><const>none</const></edit>
    <edit name="lcdfilter" mode="assign"><const>lcddefault</const></edit>
    <edit name="embeddedbitmap" mode="assign"><bool>false</bool></edit>
  </match>
  <alias><family>sans-serif</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias><family>serif</family><prefer><family>DejaVu Serif</family></prefer></alias>
  <alias><family>monospace</family><prefer><family>DejaVu Sans Mono</family></prefer></alias>
  <alias><family>system-ui</family><prefer><family>DejaVu Sans</family></prefer></alias>
</fontconfig>
"""


def package_files(package):
    listed = subprocess.run(["dpkg-query", "-L", package], capture_output=True, text=True)
    check(listed.returncode == 0, f"the pictures need the Debian package {package}: apt-get install {package}")
    return [Path(line) for line in listed.stdout.splitlines() if line.endswith((".ttf", ".otf"))]


_fontconfig_file = None


def fontconfig_file():
    """A fontconfig file naming only PICTURE_FONTS' files, made once per test."""
    global _fontconfig_file
    if _fontconfig_file is None:
        folder = Path(tempfile.mkdtemp(prefix="die-fairness-fonts-"))
        atexit.register(shutil.rmtree, folder, True)
        (folder / "fonts").mkdir()
        for package in PICTURE_FONTS:
            for font in package_files(package):
                (folder / "fonts" / font.name).symlink_to(font)
        _fontconfig_file = folder / "fonts.conf"
        _fontconfig_file.write_text(FONTS_CONF.format(fonts=folder / "fonts", cache=folder / "cache"), encoding="utf-8")
    return _fontconfig_file


def machine_for_pictures():
    """What a picture of the page depends on, beyond the page: one line a package."""
    versions = subprocess.run(["dpkg-query", "-W", "-f", "${Package} ${Version}\n", *PICTURE_FONTS,
                               *PICTURE_LIBRARIES], capture_output=True, text=True)
    return versions.stdout


def start_browser(*extra):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--window-size=1100,760", *extra):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
    service = Service("/usr/bin/chromedriver",
                      env={**os.environ, "TZ": TIME_ZONE, "FONTCONFIG_FILE": str(fontconfig_file())})
    return webdriver.Chrome(service=service, options=options)


def requests_and_errors(browser):
    """The URLs the page asked for, and what its console logged as a warning or an error."""
    logged = [json.loads(entry["message"])["message"] for entry in browser.get_log("performance")]
    urls = {m["params"]["request"]["url"] for m in logged if m["method"] == "Network.requestWillBeSent"}
    errors = [entry for entry in browser.get_log("browser") if entry["level"] in ("SEVERE", "WARNING")]
    return urls, errors


def sideways_overflow(browser, width):
    """How far the page is wider than a phone `width` pixels wide."""
    browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                            {"width": width, "height": 844, "deviceScaleFactor": 2, "mobile": True})
    return browser.execute_script("return document.documentElement.scrollWidth - document.documentElement.clientWidth;")


def check(holds, what):
    if not holds:
        raise AssertionError(what)


def docs_picture(made, docs_png):
    """The README's picture is made here, from the page as it is built: it
    fails while docs_png differs, so that the picture cannot go stale. The
    machine it was made on stands beside it (docs/pictures-machine.txt), so
    that a failure says whether the page or the machine changed."""
    made, kept = Path(made), Path(docs_png)
    if kept.exists() and kept.read_bytes() == made.read_bytes():
        return
    record = kept.parent / "pictures-machine.txt"
    machine = machine_for_pictures()
    (made.parent / record.name).write_text(machine, encoding="utf-8")
    then = record.read_text(encoding="utf-8") if record.exists() else ""
    if then != machine:
        changed = sorted(set(machine.splitlines()) - set(then.splitlines()))
        raise AssertionError(f"{kept} differs from what the page shows now, and the machine changed since it was "
                             f"made: {', '.join(changed) or 'packages missing'} (was: {then.strip() or 'not recorded'}). "
                             f"If the page is as it should be, replace {kept} with {made} and {record} with "
                             f"{made.parent / record.name}")
    raise AssertionError(f"{kept} is not what the page shows now, on the machine it was made on ({record}): "
                         f"the page changed. Replace it with {made}")
