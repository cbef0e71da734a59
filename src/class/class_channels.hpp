// What the channels between a student and the teacher do to a text, undone before it is read.
//
// A transcript reaches the class page through shared documents, forums,
// e-mail and spreadsheets, each of which changes it in its own way. What can
// be undone without guessing is undone here, in this order, and nowhere else:
//   - a byte-order mark: UTF-8's is dropped, and a file in UTF-16 (what
//     Windows calls "Unicode" text) is read as UTF-8;
//   - line ends: CR LF, CR, LF, and U+000B, U+000C, U+0085, U+2028 and U+2029,
//     which word processors and web pages put between lines;
//   - HTML's entities that an export leaves (&nbsp; &amp; &lt; &gt; &quot;
//     &apos; and numeric ones), then every space of Unicode (category Zs:
//     U+00A0, U+2007, U+202F, ...) as a blank;
//   - a dash or minus sign (U+2010 to U+2015, U+2212, U+FE63, U+FF0D) before
//     a digit as the hyphen-minus that the program writes;
//   - an e-mail's quoting ("> ", "> > ") and a list's bullet ("- ", "* ",
//     "• ", ...) at the start of a line, and a list's number ("1. ", "2) ")
//     before one of the program's lines (before "SIZE MEAN" it could be part
//     of the record, and the reader lists it);
//   - a spreadsheet's rows: a header row (Name, Size, Mean, z, ...) says
//     which tab-separated column holds what, and is no result itself; a name
//     column starts a student's block whenever its name changes;
//   - lines joined into one (a forum's Markdown, a mail client's reflowing):
//     the program's own texts (the prompt, "The sample mean = ", the start
//     line, the title, the introduction and the messages) start a line
//     wherever they stand, and a mean's line ends after its number;
//   - a message re-wrapped over several lines is joined again, and curly
//     quotes that a word processor put in it are the program's straight ones.
// Sizes written with thousands separators ("1,000", "10 000") are the
// reader's to read, since only a record sheet writes them: an entry typed so
// was rejected by the program, and must stay as the program saw it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct repaired_line {
  std::string text;
  std::size_t number;  // of the line in the text as it came, from 1
};

std::vector<repaired_line> repaired_lines(std::string_view text);
