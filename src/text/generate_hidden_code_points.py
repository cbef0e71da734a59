#!/usr/bin/env python3
"""Writes hidden_code_points.hpp: the code points that a message escapes because
they show nothing, act on the terminal or look like a blank between two
entries, as sorted, disjoint ranges, from the Unicode Character Database
(Debian: unicode-data). A code point is hidden when it is a
Default_Ignorable_Code_Point, its general category is Cc, Cf, Zl, Zp, Co, Cs
or Cn (unassigned), or it is a space other than U+0020: category Zs, and the
braille blank U+2800, which every font draws empty though its category is So.
The header also lists the code points drawn on the character before them: the
combining marks (Mn, Mc, Me) and the Hangul vowel and final-consonant jamo
(Hangul_Syllable_Type V and T, which terminals draw with no width of their
own), which a message escapes where they would sit on its quote sign or on an
escape. CI regenerates the table and fails on any change.

Usage: generate_hidden_code_points.py [UCD directory, default /usr/share/unicode]"""

import re
import sys
from pathlib import Path

HIDDEN_CATEGORIES = {"Cc", "Cf", "Zl", "Zp", "Co", "Cs", "Zs"}  # and Cn: whatever is not listed
SHOWN_AS_TYPED = {0x0020}  # the one blank that cannot be inside an entry
DRAWN_BLANK = {0x2800}  # BRAILLE PATTERN BLANK (So)
MARK_CATEGORIES = {"Mn", "Mc", "Me"}
JOINING_JAMO = {"V", "T"}  # Hangul_Syllable_Type: vowels and final consonants
LAST_CODE_POINT = 0x10FFFF
OUTPUT = Path(__file__).resolve().parent / "hidden_code_points.hpp"


def unicode_version(properties_text):
    match = re.match(r"# DerivedCoreProperties-(\d+\.\d+\.\d+)\.txt", properties_text)
    if not match:
        sys.exit("DerivedCoreProperties.txt does not name its Unicode version")
    return match.group(1)


def default_ignorables(properties_text):
    for line in properties_text.splitlines():
        fields = [field.strip() for field in line.split("#")[0].split(";")]
        if len(fields) == 2 and fields[1] == "Default_Ignorable_Code_Point":
            first, _, last = fields[0].partition("..")
            yield int(first, 16), int(last or first, 16)


def assigned_ranges(unicode_data_text):
    """Yields (first, last, category) for every assigned range; a "<..., First>"
    line and its "<..., Last>" line stand for the whole range between them."""
    range_start = None
    for line in unicode_data_text.splitlines():
        fields = line.split(";")
        code_point, name, category = int(fields[0], 16), fields[1], fields[2]
        if name.endswith(", First>"):
            range_start = code_point
            continue
        first = code_point if range_start is None else range_start
        range_start = None
        yield first, code_point, category


def hangul_jamo(syllable_types_text):
    """Yields (first, last) for every range of vowel or final-consonant jamo."""
    for line in syllable_types_text.splitlines():
        fields = [field.strip() for field in line.split("#")[0].split(";")]
        if len(fields) == 2 and fields[1] in JOINING_JAMO:
            first, _, last = fields[0].partition("..")
            yield int(first, 16), int(last or first, 16)


def as_ranges(flags):
    ranges = []
    for code_point in range(LAST_CODE_POINT + 1):
        if not flags[code_point]:
            continue
        if ranges and ranges[-1][1] == code_point - 1:
            ranges[-1][1] = code_point
        else:
            ranges.append([code_point, code_point])
    return ranges


def hidden_ranges(ucd):
    properties = (ucd / "DerivedCoreProperties.txt").read_text(encoding="utf-8")
    data = (ucd / "UnicodeData.txt").read_text(encoding="utf-8")
    syllable_types = (ucd / "HangulSyllableType.txt").read_text(encoding="utf-8")
    hidden = bytearray([1]) * (LAST_CODE_POINT + 1)  # unassigned (Cn) until listed
    marks = bytearray(LAST_CODE_POINT + 1)
    for first, last, category in assigned_ranges(data):
        count = last - first + 1
        hidden[first : last + 1] = bytes([category in HIDDEN_CATEGORIES]) * count
        marks[first : last + 1] = bytes([category in MARK_CATEGORIES]) * count
    for first, last in default_ignorables(properties):
        hidden[first : last + 1] = bytes([1]) * (last - first + 1)
    for first, last in hangul_jamo(syllable_types):
        marks[first : last + 1] = bytes([1]) * (last - first + 1)
    for code_point in SHOWN_AS_TYPED:
        hidden[code_point] = 0
    for code_point in DRAWN_BLANK:
        hidden[code_point] = 1
    return unicode_version(properties), as_ranges(hidden), as_ranges(marks)


def table(name, ranges):
    cells = [f"{{0x{first:04x}, 0x{last:04x}}}," for first, last in ranges]
    rows, row = [], "   "
    for cell in cells:
        if len(row) + 1 + len(cell) > 100:
            rows.append(row)
            row = "   "
        row += " " + cell
    rows.append(row)
    body = "\n".join(rows)
    return f"""\
inline constexpr std::array<code_point_range, {len(ranges)}> {name}{{{{
{body}
}}}};"""


def header(version, hidden, marks):
    return f"""\
// The code points that show nothing, act on a terminal or look like a blank,
// and the combining marks, from Unicode {version}.
// Generated by generate_hidden_code_points.py from the Unicode Character Database
// (DerivedCoreProperties.txt, UnicodeData.txt, HangulSyllableType.txt); do not edit. A code point is
// hidden when it is a Default_Ignorable_Code_Point, its general category is Cc,
// Cf, Zl, Zp, Co, Cs or Cn (unassigned in Unicode {version}), or it is a space
// other than U+0020 (Zs, and U+2800 BRAILLE PATTERN BLANK).
#pragma once

#include <array>
#include <string_view>

inline constexpr std::string_view hidden_code_points_unicode_version = "{version}";

struct code_point_range {{
  char32_t first;
  char32_t last;
}};

// Each sorted and disjoint.
{table("hidden_code_points", hidden)}

// Drawn on the character before them: general category Mn, Mc or Me, and the
// Hangul vowel and final-consonant jamo (Hangul_Syllable_Type V and T).
{table("joining_marks", marks)}
"""


def main():
    ucd = Path(sys.argv[1] if len(sys.argv) > 1 else "/usr/share/unicode")
    version, hidden, marks = hidden_ranges(ucd)
    OUTPUT.write_text(header(version, hidden, marks), encoding="utf-8")
    print(f"{OUTPUT.name}: {len(hidden)} hidden ranges, {len(marks)} of joining marks, from Unicode {version}")


if __name__ == "__main__":
    main()
