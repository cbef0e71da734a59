// The class tally's reader, specified by its tables: hand-ins as a class hands them in, and the
// same texts after each channel that carries them to the teacher.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "class_tally.hpp"
#include "dialogue_text.hpp"

namespace {

// What the teacher reads of a tally: each run with its label, samples and
// what it repeats, and each line not read with its hand-in, number and reason.
std::vector<std::string> read_whole(const class_tally& tally) {
  std::vector<std::string> whole;
  for (const class_run& run : tally.runs) {
    std::string line = "run " + run.label + " |";
    for (const class_sample& sample : run.samples)
      ((((line += ' ') += std::to_string(sample.size)) += ' ') += sample.shown) += ',';
    if (run.repeat_of) line += " repeats " + std::to_string(*run.repeat_of);
    whole.push_back(line);
  }
  for (const unreadable_line& line : tally.unreadable) {
    whole.push_back(
        (line.hand_in > 0 ? "hand-in " + std::to_string(line.hand_in) + " " : std::string()) +
        "line " + std::to_string(line.line) + " (" + line.why + "): " + line.shown);
  }
  return whole;
}

// The reasons as the teacher reads them.
const std::string not_a_result = "not a result: none of the program's lines, nor SIZE MEAN";
const std::string no_samples = "a run with no samples: not counted";
const std::string mean_without_size =
    "a mean without its size: the prompt with the size typed after it is missing";
const std::string no_start = "a start line whose date or time does not exist: no run's start";
const std::string list_number = "a list's number before SIZE MEAN: remove the list number";
const std::string wrong_z =
    "SIZE MEAN and a third number that is not this sample's z: correct it or remove it";
const std::string extra_columns = "more columns than SIZE MEAN and z: keep those";
const std::string lone_sizes = "sizes with no prompt before them and no means after them";
const std::string unused_name = "a name with no run after it: no line after it could be read";
std::string impossible(int size) {
  return "a mean that " + std::to_string(size) + (size == 1 ? " roll" : " rolls") +
         " cannot give: check the size and the mean";
}
std::string unread(std::size_t line, const std::string& why, const std::string& shown) {
  return "line " + std::to_string(line) + " (" + why + "): " + shown;
}

const std::string start_a = "Run started 2026-12-09 11:34:29 +01:00";
const std::string start_b = "Run started 2026-12-09 11:34:30 +01:00";
// What the page copies when the student did not type 0: it ends on the open prompt.
const std::string page_a =
    start_a + "\n" + transcript_of({prompt + "10\n", mean_line("3.7"), prompt}) + "\n";
const std::string page_b =
    start_b + "\n" + transcript_of({prompt + "10\n", mean_line("2.9"), prompt}) + "\n";
const std::string title = introduction.substr(0, introduction.find('\n'));

struct reading_case {
  const char* name;
  std::vector<hand_in> hand_ins;
  std::vector<std::string> read;  // what read_whole gives
};

void PrintTo(const reading_case& row, std::ostream* os) { *os << row.name; }

std::vector<hand_in> pasted(const std::string& text) { return {hand_in{"Paste 1", "", text}}; }

class reading_test : public testing::TestWithParam<reading_case> {};

TEST_P(reading_test, gives_these_runs_and_lists_these_lines) {
  EXPECT_EQ(read_whole(tally_class(GetParam().hand_ins)), GetParam().read);
}

// clang-format off
const reading_case reading_cases[] = {
    {"page_text_with_its_start_and_entries_typed_ahead",
     pasted(start_a + "\n" + transcript_of({prompt + "10 10\n", mean_line("3.7"), prompt, mean_line("2.9"), prompt + "abc 20\n",
            not_a_number("abc"), prompt + "100\n", mean_line("3.61"), prompt + "0\n"})),
     {"run " + start_a + " | 10 3.7, 10 2.9, 100 3.61,"}},
    {"a_rejection_answers_no_prompt_and_drops_the_rest_of_its_line",
     pasted(transcript_of({prompt + "5 1,000 7\n", mean_line("4.2"), prompt + "Not a whole number: \"1,000\". Enter...\n",
            prompt + "8\n", mean_line("3.25"), prompt})),
     {"run " + title + " | 5 4.2, 8 3.25,"}},
    {"record_sheet_blocks_each_after_a_name", pasted("Anna\n10 3.7\n100 3,42\n\nBen K.\n  1000\t3.551 \n1 6\n1 1\n"),
     {"run Anna | 10 3.7, 100 3,42,", "run Ben K. | 1000 3.551, 1 6, 1 1,"}},
    {"every_line_it_cannot_read_listed",
     pasted("Cleo\n10 3.7\nthis is not a result \xe2\x80\xae" "42\n10 9.5\n\nDee\n" + transcript_of({prompt, mean_line("3.5")}) +
            "a name with nothing after it\n"),
     {"run Cleo | 10 3.7,", "run Dee |", unread(3, not_a_result, R"(this is not a result \u202e42)"),
      unread(4, not_a_result, "10 9.5"), unread(7, no_samples, title), unread(13, mean_without_size, mean_line_start + "3.5"),
      unread(15, not_a_result, "a name with nothing after it")}},
    {"page_texts_pasted_one_after_another", pasted(page_a + page_b + page_a),
     {"run " + start_a + " | 10 3.7,", "run " + start_b + " | 10 2.9,", "run " + start_a + " | 10 3.7, repeats 0"}},
    {"blanks_around_every_line", pasted(" " + [] {
       std::string padded;
       for (const char c : start_a + "\n" + transcript_of({prompt + "10 100\n", mean_line("3.7"), prompt, mean_line("3.41")})) {
         padded += c == '\n' ? std::string(7, ' ') + "\r\n" : std::string(1, c);
       }
       return padded;
     }()),
     {"run " + start_a + " | 10 3.7, 100 3.41,"}},
    {"nul_in_the_paste", pasted(std::string("Ann\n10 3.7\n1\0 3.6\n100 3.41\n", 27)),
     {"run Ann | 10 3.7, 100 3.41,", unread(3, not_a_result, R"(1\x00 3.6)")}},
    {"console_transcript_without_its_title", pasted(prompt + "10 100\n" + mean_line("3.7") + prompt + mean_line("3.41")),
     {"run " + prompt + "10 100 | 10 3.7, 100 3.41,"}},
    {"untitled_transcripts_after_a_quit", pasted(prompt + "10 0\n" + mean_line("3.7") + prompt + prompt + "20\n" + mean_line("3.1")),
     {"run " + prompt + "10 0 | 10 3.7,", "run " + prompt + "20 | 20 3.1,"}},
    {"an_indented_typo_is_no_name", pasted("Ann\n10 3.7\n  1O 3.7\n100 3.41\n"),
     {"run Ann | 10 3.7, 100 3.41,", unread(3, not_a_result, "1O 3.7")}},
    {"means_that_their_sizes_cannot_give", pasted("Ann\n1 3.5\n10 3.55\n100 3.555\n10 3.5\n100 3.55\n"),
     {"run Ann | 10 3.5, 100 3.55,", unread(2, impossible(1), "1 3.5"), unread(3, impossible(10), "10 3.55"),
      unread(4, impossible(100), "100 3.555")}},
    {"a_name_starting_with_a_digit", pasted("2nd row Maria\n10 3.7\n"), {"run 2nd row Maria | 10 3.7,"}},
    {"a_name_ending_with_a_number", pasted("Student 1\n10 3.7\n"), {"run Student 1 | 10 3.7,"}},
    {"a_name_before_an_untitled_transcript", pasted("Ann\n" + prompt + "10\n" + mean_line("3.7")), {"run Ann | 10 3.7,"}},
    {"size_zero_is_no_record", pasted("Ann\n10 3.5\n0 3.5\n"), {"run Ann | 10 3.5,", unread(3, not_a_result, "0 3.5")}},
    {"a_mean_without_its_size", pasted(transcript_of({prompt, mean_line("3.5")})),
     {"run " + title + " |", unread(1, no_samples, title), unread(7, mean_without_size, mean_line_start + "3.5")}},
    // Six significant digits print ten totals of a million rolls alike: two such equal means are no proof.
    {"large_samples_printed_alike", pasted("A\n1000000 3.5\n1000000 3.5\nB\n1000000 3.5\n1000000 3.5\n"),
     {"run A | 1000000 3.5, 1000000 3.5,", "run B | 1000000 3.5, 1000000 3.5,"}},
    {"a_date_that_does_not_exist_starts_nothing",
     pasted("Run started 2026-02-31 10:00:00 +01:00\n" + transcript_of({prompt + "10\n", mean_line("3.7")})),
     {"run " + title + " | 10 3.7,", unread(1, no_start, "Run started 2026-02-31 10:00:00 +01:00")}},
    {"faces_runs_that_agree_by_chance", pasted("A\n1 3\n1 5\n1 2\n1 6\n1 6\nB\n1 3\n1 5\n1 2\n1 6\n1 6\n"),
     {"run A | 1 3, 1 5, 1 2, 1 6, 1 6,", "run B | 1 3, 1 5, 1 2, 1 6, 1 6,"}},
    {"a_run_pasted_twice", pasted(page_a + "\n" + page_a), {"run " + start_a + " | 10 3.7,", "run " + start_a + " | 10 3.7, repeats 0"}},
    // Inside a transcript an unrecognised line is listed, never taken for a name that ends the run.
    {"a_stray_line_in_a_transcript", pasted(transcript_of({prompt + "10 100\n", mean_line("3.7"), "see below\n", prompt, mean_line("3.41")})),
     {"run " + title + " | 10 3.7, 100 3.41,", unread(10, not_a_result, "see below")}},
    // A terminal echoes what is typed while the die rolls on a line of its own.
    {"entries_typed_while_rolling", pasted(transcript_of({prompt + "1000000000\n", "10\n", "0\n", mean_line("3.58002"), prompt,
                                                        mean_line("3.9"), prompt})),
     {"run " + title + " | 1000000000 3.58002, 10 3.9,"}},
    {"sizes_alone", pasted("Ann\n10 3.7\n\n10 100\n"), {"run Ann | 10 3.7,", unread(4, lone_sizes, "10 100")}},
    {"a_start_line_alone", pasted(start_a + "\n"), {"run " + start_a + " |", unread(1, no_samples, start_a)}},
    {"list_numbers_before_records", pasted("Ann\n1. 10 3.7\n2) 100 3.42\n3. Enter the sample size (0 to quit): 5\n"),
     {"run Ann |", unread(2, list_number, "1. 10 3.7"), unread(3, list_number, "2) 100 3.42"),
      unread(4, no_samples, prompt + "5")}},
    {"records_with_their_z", pasted("Ann\n10 3.7 0.37\n100 3.42 -0.47\n100 3.42 9.9\n10 3.7 0.37 yes\n"),
     {"run Ann | 10 3.7, 100 3.42,", unread(4, wrong_z, "100 3.42 9.9"), unread(5, extra_columns, "10 3.7 0.37 yes")}},
    {"a_header_row_is_no_name", pasted("Ann\nSize Mean\n10 3.7\nn\tmean\n100 3.42\n"), {"run Ann | 10 3.7, 100 3.42,"}},
    {"a_spreadsheets_columns", pasted("Name\tSize\tMean\tz\nAnn\t10\t3.7\t0.37\nAnn\t100\t3.42\t\nBen\t10\t3.1\t-0.74\n"),
     {"run Ann | 10 3.7, 100 3.42,", "run Ben | 10 3.1,"}},
    {"a_name_column_without_a_header", pasted("Ann\t10\t3.7\nAnn\t100\t3.42\nBen\t1\t6\n"),
     {"run Ann | 10 3.7, 100 3.42,", "run Ben | 1 6,"}},
    {"sizes_in_thousands", pasted("Ann\n1,000 3.587\n10 000 3.5801\n10\xc2\xa0" "000 3,5802\n1,000,000 3.58\n1,00 3.5\n"),
     {"run Ann | 1000 3.587, 10000 3.5801, 10000 3,5802, 1000000 3.58,", unread(6, not_a_result, "1,00 3.5")}},
    // Each hand-in is read on its own, and a file's or folder's name labels its runs.
    {"hand_ins_are_never_merged", {{"Paste 1", "", "Ann\n10 3.7\n"}, {"ben.txt", "ben", "100 3.42\n"}},
     {"run Ann | 10 3.7,", "run ben | 100 3.42,"}},
    {"a_folders_name_before_a_start_line", {{"all.zip: Cleo Smith/run.txt", "Cleo Smith", page_a}},
     {"run Cleo Smith | 10 3.7,"}},
    {"a_name_line_before_a_folders_name", {{"all.zip: Cleo/run.txt", "Cleo", "Dora\n" + page_a}}, {"run Dora | 10 3.7,"}},
    {"lines_numbered_in_their_hand_in", {{"Paste 1", "", "Ann\n10 3.7\n"}, {"Paste 2", "", "x\n"}},
     {"run Ann | 10 3.7,", "hand-in 1 line 1 (" + not_a_result + "): x"}},
    {"a_name_holding_a_decimal_comma_is_no_name", pasted("Ann 3,58\n10 3.7\n"),
     {"run 10 3.7 | 10 3.7,", unread(1, not_a_result, "Ann 3,58")}},
    {"bytes_that_are_not_utf8", pasted("Ann \xff\n10 3.7\n\xfe garbage\n"),
     {"run Ann \xff | 10 3.7,", unread(3, not_a_result, R"(\xfe garbage)")}},
    {"entities_decimal_and_hexadecimal", pasted("Ann &amp; Ben\n10 3.3 &#x2212;0.37\n100 3.42 &#8722;0.47\n"),
     {"run Ann & Ben | 10 3.3, 100 3.42,"}},
    {"a_message_cut_at_the_end", pasted(transcript_of({prompt + "abc\n"}) + "Not a whole number: \"abc\". Enter a"),
     {"run " + title + " |", unread(1, no_samples, title)}},
    {"a_message_wrapped_and_cut_at_the_end",
     pasted(transcript_of({prompt + "abc\n"}) + "Not a whole number: \"abc\". Enter a\nsample size such as"),
     {"run " + title + " |", unread(1, no_samples, title), unread(9, not_a_result, "sample size such as")}},
    {"means_and_z_that_are_no_numbers", pasted("Ann\n10 3.5x\n10 3.1234567891\n10 3.5 x.5\n10 3.7\n"),
     {"run Ann | 10 3.7,", unread(2, not_a_result, "10 3.5x"), unread(3, not_a_result, "10 3.1234567891"),
      unread(4, wrong_z, "10 3.5 x.5")}},
    {"entities_that_are_none", pasted("Ann &#; &#xdfff; &bogus;\n10 3.7\n"), {"run Ann &#; &#xdfff; &bogus; | 10 3.7,"}},
    {"runs_that_differ_in_their_first_sample_only",
     pasted("A\n10 3.7\n10 3.1\n10 4\n100 3.55\n100 3.42\n1000 3.6\nB\n10 3.8\n10 3.1\n10 4\n100 3.55\n100 3.42\n1000 3.6\n"),
     {"run A | 10 3.7, 10 3.1, 10 4, 100 3.55, 100 3.42, 1000 3.6,", "run B | 10 3.8, 10 3.1, 10 4, 100 3.55, 100 3.42, 1000 3.6,"}},
    {"a_name_whose_records_are_all_unreadable", pasted("Ann\n10 9.9\n\nBen\n10 3.7\n"),
     {"run Ben | 10 3.7,", unread(1, unused_name, "Ann"), unread(2, not_a_result, "10 9.9")}},
    {"a_listed_line_shows_a_hundred_characters", pasted("Ann\n10 3.7\n" + std::string(101, 'x') + "\n"),
     {"run Ann | 10 3.7,", unread(3, not_a_result, std::string(100, 'x') + "...")}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(class_reading, reading_test, testing::ValuesIn(reading_cases),
                         [](const testing::TestParamInfo<reading_case>& row) {
                           return std::string(row.param.name);
                         });

// A file's runs are labelled by the folder that holds it, else by its name.
TEST(file_label, is_the_folder_else_the_file_without_a_platforms_suffix) {
  for (const auto& [path, label] : std::vector<std::pair<std::string, std::string>>{
           {"Ann Smith_81920_assignsubmission_file_/die-fairness-run-2026-12-09-140307.txt",
            "Ann Smith"},
           {"class 7b/Ben/run.txt", "Ben"},
           {"ann.txt", "ann"},
           {"notes", "notes"},
           {".profile", ".profile"},
           {"Cleo_assignsubmission_file_/a.txt", "Cleo_assignsubmission_file_"},
           {"Dee_77_assignsubmission_onlinetext_/onlinetext.html", "Dee"},
           {"_77_assignsubmission_file_/a.txt", "_77_assignsubmission_file_"}}) {
    EXPECT_EQ(file_label(path), label) << path;
  }
}

// Texts as they leave the students: a console transcript with entries typed
// ahead, a rejection and an out-of-range entry, a page text, and a record
// sheet's block with its z column.
const std::string console_text =
    transcript_of({prompt + "10 10 10 100 100 100 1000 1000 1000 10000 10000 -1\n",
                   mean_line("3.7"),
                   prompt,
                   mean_line("2.9"),
                   prompt,
                   mean_line("3.4"),
                   prompt,
                   mean_line("3.61"),
                   prompt,
                   mean_line("3.39"),
                   prompt,
                   mean_line("3.52"),
                   prompt,
                   mean_line("3.587"),
                   prompt,
                   mean_line("3.555"),
                   prompt,
                   mean_line("3.601"),
                   prompt,
                   mean_line("3.5812"),
                   prompt,
                   mean_line("3.5774"),
                   prompt});
const std::string rejections_text =
    "Student 7\n" +
    transcript_of({prompt + "1,000\n", not_a_number("1,000"), prompt + "99999999999\n",
                   out_of_range("99999999999"), prompt + "1\n", mean_line("6"), prompt + "-5\n"});
const std::string page_text = start_a + "\n" +
                              transcript_of({prompt + "10\n", mean_line("3.7"), prompt + "100\n",
                                             mean_line("3.42"), prompt}) +
                              "\n";
const std::string sheet_text = "Dana\n10 3.6 0.19\n100 3.41 -0.53\n1000 3.522\n10000 3.5801 4.69\n";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// What each channel does to a text on its way to the teacher.
std::string markdown_paragraphs(const std::string& text) {  // a forum: a single line end is a blank
  std::string joined;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const bool single = text[at] == '\n' && (at + 1 >= text.size() || text[at + 1] != '\n') &&
                        (at == 0 || text[at - 1] != '\n');
    joined += single ? ' ' : text[at];
  }
  return joined;
}
std::string one_line(const std::string& text) {
  return replaced(text, "\n", " ");
}  // a mail client's reflowing
std::string rewrapped(const std::string& text) {  // lines longer than 72 broken at a blank
  std::string wrapped;
  std::size_t line_start = 0;
  for (const char c : text) {
    wrapped += c;
    if (c == '\n') line_start = wrapped.size();
    if (wrapped.size() - line_start > 72) {
      const std::size_t blank = wrapped.rfind(' ');
      if (blank != std::string::npos && blank > line_start) {
        wrapped[blank] = '\n';
        line_start = blank + 1;
      }
    }
  }
  return wrapped;
}
std::string curly_quotes(const std::string& text) {
  std::string curly;
  bool open = true;
  for (const char c : text) {
    if (c == '"') {
      curly += open ? "\xe2\x80\x9c" : "\xe2\x80\x9d";
      open = !open;
    } else {
      curly += c;
    }
  }
  return curly;
}
std::string quoted(const std::string& text, const std::string& prefix) {  // an e-mail reply
  return prefix + replaced(text, "\n", "\n" + prefix);
}
std::string bulleted(const std::string& text) {
  std::string list;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    list += (line.empty() ? line : "- " + line) + "\n";
    start = end + 1;
  }
  return list;
}
std::string html_export(const std::string& text) {
  return replaced(replaced(replaced(text, "= ", "=&nbsp;"), "\"", "&quot;"), " -", " &#8722;");
}
std::string minus_signs(const std::string& text) { return replaced(text, " -", " \xe2\x88\x92"); }
std::string thousands(const std::string& text) {  // a record sheet's n column
  return replaced(replaced(text, "\n1000 ", "\n1,000 "), "\n10000 ",
                  "\n10\xe2\x80\xaf"
                  "000 ");
}
std::string spreadsheet(
    const std::string& text) {  // each record a row after a header, the name a column
  std::string rows = "Student\tn\tMean\tz\n";
  std::string name;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.find(' ') == std::string::npos) {
      name = line;
      continue;
    }
    rows += name + "\t" + replaced(line, " ", "\t") + "\n";
  }
  return rows;
}

struct channel_case {
  const char* name;
  std::function<std::string(const std::string&)> channel;
  std::vector<std::string> texts;
};

void PrintTo(const channel_case& row, std::ostream* os) { *os << row.name; }

class channel_test : public testing::TestWithParam<channel_case> {};

// However a channel carried a text, it gives the samples of the original, and lists nothing.
TEST_P(channel_test, gives_the_originals_samples) {
  for (const std::string& text : GetParam().texts) {
    const std::vector<std::string> original = read_whole(tally_class(text));
    ASSERT_EQ(original.end(),
              std::find_if(original.begin(), original.end(),
                           [](const std::string& line) { return line.starts_with("line "); }));
    EXPECT_EQ(read_whole(tally_class(GetParam().channel(text))), original)
        << GetParam().channel(text);
  }
}

const std::vector<std::string> transcripts = {console_text, rejections_text, page_text};
const std::vector<std::string> every_text = {console_text, rejections_text, page_text, sheet_text};

// clang-format off
const channel_case channel_cases[] = {
    {"crlf_line_ends", [](const std::string& text) { return replaced(text, "\n", "\r\n"); }, every_text},
    {"a_utf8_byte_order_mark", [](const std::string& text) { return "\xef\xbb\xbf" + text; }, every_text},
    {"saved_as_utf16_by_windows", [](const std::string& text) {
       std::string bytes = "\xff\xfe";  // little-endian, each of these texts' characters below U+0080
       for (const char c : replaced(text, "\n", "\r\n")) (bytes += c) += '\0';
       return bytes;
     }, every_text},
    {"words_manual_line_breaks", [](const std::string& text) { return replaced(text, "\n", "\v"); }, every_text},
    {"unicode_line_separators", [](const std::string& text) { return replaced(text, "\n", "\xe2\x80\xa8"); }, every_text},
    {"paragraph_separators_and_next_lines",
     [](const std::string& text) { return replaced(replaced(text, "\n\n", "\xe2\x80\xa9"), "\n", "\xc2\x85"); }, every_text},
    {"forum_markdown_joins_lines", markdown_paragraphs, transcripts},
    {"mail_reflows_everything_onto_one_line", one_line, transcripts},
    {"rewrapped_at_72_columns", rewrapped, every_text},
    {"no_break_space_after_equals", [](const std::string& text) { return replaced(text, "= ", "=\xc2\xa0"); }, every_text},
    {"curly_quotes", curly_quotes, every_text},
    {"email_quoting", [](const std::string& text) { return quoted(text, "> "); }, every_text},
    {"email_quoting_twice", [](const std::string& text) { return quoted(text, "> > "); }, every_text},
    {"list_bullets", bulleted, every_text},
    {"html_entities", html_export, every_text},
    {"minus_signs", minus_signs, every_text},
    {"thousands_separators", thousands, {sheet_text}},
    {"spreadsheet_rows", spreadsheet, {sheet_text}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(class_reading, channel_test, testing::ValuesIn(channel_cases),
                         [](const testing::TestParamInfo<channel_case>& row) {
                           return std::string(row.param.name);
                         });

}  // namespace
