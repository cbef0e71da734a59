// Tests of the console dialogue on string streams, with a sampler that records its sizes.
#include "dialogue.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <new>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "dialogue_text.hpp"

namespace {

using namespace std::string_literals;

struct transcript {
  int status;
  std::string out;
  std::string err;
  std::vector<std::int32_t> sizes;
};

// Runs the dialogue on `input`; the sampler answers 3.7 to every size.
transcript run(const std::string& input) {
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  transcript t{};
  t.status = run_dialogue(in, out, err, [&t](std::int32_t size) {
    t.sizes.push_back(size);
    return 3.7;
  });
  t.out = out.str();
  t.err = err.str();
  return t;
}

std::string repeated(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

}  // namespace

TEST(dialogue, ten_then_zero_gives_the_exact_transcript) {
  const transcript t = run("10\n0\n");
  EXPECT_EQ(t.status, 0);
  EXPECT_EQ(t.out, introduction + prompt + mean_line("3.7") + prompt);
  EXPECT_EQ(t.err, "");
  EXPECT_EQ(t.sizes, std::vector<std::int32_t>{10});
}

TEST(dialogue, means_print_in_default_notation) {
  for (const auto& [mean, shown] : std::vector<std::pair<double, std::string>>{
           {4.0, "4"}, {10.0 / 3.0, "3.33333"}, {3.58001708984375, "3.58002"}, {1.0, "1"}}) {
    std::istringstream in("5 0");
    std::ostringstream out;
    std::ostringstream err;
    run_dialogue(in, out, err, [mean = mean](std::int32_t) { return mean; });
    EXPECT_EQ(out.str(), introduction + prompt + mean_line(shown) += prompt);
  }
}

TEST(dialogue, zero_or_less_ends_silently_at_the_first_prompt) {
  for (const std::string input : {"0\n", "-5\n", "-0\n", "+0\n", "000\n", "-2147483648\n"}) {
    const transcript t = run(input);
    EXPECT_EQ(t.status, 0) << input;
    EXPECT_EQ(t.out, introduction + prompt) << input;
    EXPECT_EQ(t.err, "") << input;
    EXPECT_TRUE(t.sizes.empty()) << input;
  }
}

TEST(dialogue, several_sizes_on_one_line_answer_successive_prompts) {
  const transcript t = run("10 20 0\n");
  EXPECT_EQ(t.out, introduction + prompt + mean_line("3.7") + prompt + mean_line("3.7") + prompt);
  EXPECT_EQ(t.sizes, (std::vector<std::int32_t>{10, 20}));
}

TEST(dialogue, signs_leading_zeros_and_the_largest_size_read_as_numbers) {
  const transcript t = run("+7\n007\n-000\n");
  EXPECT_EQ(t.sizes, (std::vector<std::int32_t>{7, 7}));
  EXPECT_EQ(run("2147483647 0").sizes, std::vector<std::int32_t>{2147483647});
  EXPECT_EQ(run("+0002147483647 0").sizes, std::vector<std::int32_t>{2147483647});
}

TEST(dialogue, blank_lines_and_crlf_line_ends_are_skipped) {
  const transcript t = run("\n\n  \t\r\n 5\r\n\r\n0\r\n");
  EXPECT_EQ(t.out, introduction + prompt + mean_line("3.7") + prompt);
  EXPECT_EQ(t.err, "");
  EXPECT_EQ(t.sizes, std::vector<std::int32_t>{5});
}

TEST(dialogue, end_of_input_ends_the_run_with_status_zero) {
  for (const std::string input : {"", "\n\n   ", "5", "5\n"}) {
    const transcript t = run(input);
    EXPECT_EQ(t.status, 0) << input;
    EXPECT_EQ(t.err, "") << input;
    EXPECT_EQ(t.out.rfind(prompt), t.out.size() - prompt.size()) << input;
  }
  EXPECT_EQ(run("5").sizes, std::vector<std::int32_t>{5});
}

TEST(dialogue, ends_when_the_output_fails) {
  std::istringstream in("5\n5\n5\n");
  std::ostringstream out;
  std::ostringstream err;
  out.setstate(std::ios::badbit);
  int samples = 0;
  EXPECT_EQ(run_dialogue(in, out, err,
                         [&samples](std::int32_t) {
                           ++samples;
                           return 3.5;
                         }),
            1);
  EXPECT_EQ(samples, 0);
  EXPECT_EQ(err.str(), "Cannot write standard output.\n");
}

// libstdc++'s file buffer throws on a read error, with its own wording.
TEST(dialogue, a_buffer_that_throws_is_a_read_failure_in_plain_words) {
  struct throwing_buffer : std::streambuf {
    int_type underflow() override { throw std::runtime_error("basic_filebuf::underflow error"); }
  } buffer;
  std::istream in(&buffer);
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(run_dialogue(in, out, err, [](std::int32_t) { return 3.5; }), 1);
  EXPECT_EQ(err.str(), "Cannot read standard input.\n");
}

// Memory refused while reading is no read failure: the program says it has none.
TEST(dialogue, memory_refused_while_reading_is_no_read_failure) {
  struct refusing_buffer : std::streambuf {
    int_type underflow() override { throw std::bad_alloc(); }
  } buffer;
  std::istream in(&buffer);
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_THROW(run_dialogue(in, out, err, [](std::int32_t) { return 3.5; }), std::bad_alloc);
  EXPECT_EQ(err.str(), "");
}

// Entries that are not a usable size: each is rejected whole, with the
// message quoting it, and takes the rest of its line with it.
struct entry_case {
  const char* name;
  std::string input;
  std::vector<std::int32_t> sizes;
  std::string err;
};

void PrintTo(const entry_case& row, std::ostream* os) { *os << row.name; }

class entry_test : public testing::TestWithParam<entry_case> {};

TEST_P(entry_test, samples_only_whole_numbers_and_quotes_the_rest) {
  const transcript t = run(GetParam().input);
  EXPECT_EQ(t.status, 0);
  EXPECT_EQ(t.sizes, GetParam().sizes);
  EXPECT_EQ(t.err, GetParam().err);
}

// clang-format off
const entry_case entry_cases[] = {
    {"words", "three hundred\n3\n0\n", {3}, not_a_number("three")},
    {"digits_then_text", "10abc 20\n12.5\n0\n", {}, not_a_number("10abc") + not_a_number("12.5")},
    {"separators_decimals_and_exponents", "1,000\n1.5\n1e6\n7O\n2\n0\n", {2},
     not_a_number("1,000") + not_a_number("1.5") + not_a_number("1e6") + not_a_number("7O")},
    {"hex_binary_and_sums_do_not_end_the_run", "0x10\n0b101\n5-3\n4\n0\n", {4},
     not_a_number("0x10") + not_a_number("0b101") + not_a_number("5-3")},
    {"signs_without_digits", "-\n+ 5\n--5\n0", {},
     not_a_number("-") + not_a_number("+") + not_a_number("--5")},
    {"outside_32_bits", "2147483648\n-2147483649\n99999999999999999999999 5\n1\n0\n", {1},
     out_of_range("2147483648") + out_of_range("-2147483649") +
         out_of_range("99999999999999999999999")},
    {"two_to_the_64_plus_one_does_not_wrap", "18446744073709551617\n0\n", {},
     out_of_range("18446744073709551617")},
    {"ten_times_the_most_negative", "-21474836480\n0\n", {}, out_of_range("-21474836480")},
    {"long_digits_cut_short", std::string(1'000'000, '9') + "\n0\n", {},
     out_of_range(std::string(40, '9') + "...")},
    {"lone_cr_line_ends", "abc\r5\r6\r0\r", {5, 6}, not_a_number("abc")},
    {"crlf_after_a_rejection", "abc def\r\n5\r\n0\r\n", {5}, not_a_number("abc")},
    {"c0_controls_and_del", "a\x01\x1b[2J\0b\x7f\n0\n"s, {}, not_a_number(R"(a\x01\x1b[2J\x00b\x7f)")},
    {"c1_csi_and_osc", "\xc2\x9b" "31m\xc2\x9d" "0;title\xc2\x9c\n0\n", {},
     not_a_number(R"(\u009b31m\u009d0;title\u009c)")},
    {"bidi_zero_width_bom_and_tags",
     "a\xe2\x80\xae" "b\xe2\x81\xa6\xe2\x81\xa9\xe2\x80\x8b\xe2\x80\x8f\xef\xbb\xbf\xf3\xa0\x80\x81x\n0\n", {},
     not_a_number(R"(a\u202eb\u2066\u2069\u200b\u200f\ufeff\U000e0001x)")},
    {"backslash_and_quote_escaped", "\\x1b\"q\"\n0\n", {}, not_a_number(R"(\\x1b\"q\")")},
    {"overlong_forms", "\xe0\x80\x9b\xc0\xaf\xc1\xbf\n0\n", {},
     not_a_number(R"(\xe0\x80\x9b\xc0\xaf\xc1\xbf)")},
    {"surrogates_and_above_u10ffff", "\xed\xa0\x80\xed\xbf\xbf\xf4\x90\x80\x80\xf5\x80\n0\n", {},
     not_a_number(R"(\xed\xa0\x80\xed\xbf\xbf\xf4\x90\x80\x80\xf5\x80)")},
    {"truncated_sequences", "x\xc3 \n\xe2\x82z\n\xff\xfe\n0\n", {},
     not_a_number(R"(x\xc3)") + not_a_number(R"(\xe2\x82z)") + not_a_number(R"(\xff\xfe)")},
    // Found by fuzzing: stray continuation bytes once made a message of hundreds of bytes.
    {"stray_continuations_count_one_each", std::string(200, '\x80') + "\n0\n", {},
     not_a_number(repeated(R"(\x80)", 40) + "...")},
    {"default_ignorable_inside_a_number", "10\xcd\x8f" "0\n0\n", {}, not_a_number(R"(10\u034f0)")},
    {"variation_selectors_and_hangul_filler", "a\xef\xb8\x8f\xf3\xa0\x84\x80\xe3\x85\xa4\n0\n", {},
     not_a_number(R"(a\ufe0f\U000e0100\u3164)")},
    {"format_controls_outside_the_old_list", "\xef\xbf\xb9\xf0\x93\x90\xb0\xf0\x9d\x85\xb3\n0\n", {},
     not_a_number(R"(\ufff9\U00013430\U0001d173)")},
    {"private_use_and_unassigned", "\xee\x80\x80\xcd\xb8\xf4\x8f\xbf\xbd\n0\n", {},
     not_a_number(R"(\ue000\u0378\U0010fffd)")},
    {"spaces_that_pass_for_blanks",
     "10\xc2\xa0" "000\n1\xe2\x80\xaf" "000\n1\xe3\x80\x80" "2\n\xe2\xa0\x80\xe1\x9a\x80\xe2\x81\x9f\xe2\x80\x87\n0\n", {},
     not_a_number(R"(10\u00a0000)") + not_a_number(R"(1\u202f000)") + not_a_number(R"(1\u30002)") +
         not_a_number(R"(\u2800\u1680\u205f\u2007)")},
    {"combining_marks_first_or_after_an_escape", "\xcc\x81" "a\xcc\x81\x01\xcc\x81\"\xe2\x83\x9d\n0\n", {},
     not_a_number(R"(\u0301)" "a\xcc\x81" R"(\x01\u0301\"\u20dd)")},
    {"hangul_vowels_and_finals_first_or_after_an_escape",
     "\xe1\x85\xa1\x01\xe1\x86\xa8\xe1\x84\x80\xe1\x85\xa1\"\xed\x9e\xb0\xed\x9f\xbb\n0\n", {},
     not_a_number(R"(\u1161\x01\u11a8)" "\xe1\x84\x80\xe1\x85\xa1" R"(\"\ud7b0\ud7fb)")},
    {"printable_utf8_as_typed", "gr\xc3\xb6\xc3\x9f" "e\xf0\x9f\x8e\xb2\n0\n", {},
     not_a_number("gr\xc3\xb6\xc3\x9f" "e\xf0\x9f\x8e\xb2")},
    {"utf8_cut_between_characters", repeated("\xc3\xbc", 41) + "\n0\n", {},
     not_a_number(repeated("\xc3\xbc", 40) + "...")},
    {"four_byte_characters_at_the_limit", repeated("\xf0\x9f\x8e\xb2", 40) + "\n" + repeated("\xf0\x9f\x8e\xb2", 41) + "\n0\n", {},
     not_a_number(repeated("\xf0\x9f\x8e\xb2", 40)) + not_a_number(repeated("\xf0\x9f\x8e\xb2", 40) + "...")},
    {"first_and_last_of_the_escape_widths", "\xc2\x80\xef\xbf\xbf\xf0\x90\x80\x80\xcd\xb8\n0\n", {},
     not_a_number("\\u0080\\uffff\xf0\x90\x80\x80\\u0378")},
    {"combining_mark_after_an_ill_formed_byte", "\xff\xcc\x81\n0\n", {}, not_a_number(R"(\xff\u0301)")},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(dialogue, entry_test, testing::ValuesIn(entry_cases),
                         [](const testing::TestParamInfo<entry_case>& row) {
                           return std::string(row.param.name);
                         });

// Every second, before 1970 too, seeds a run of its own.
TEST(clock_seed, is_the_floor_of_the_seconds_cut_to_32_bits) {
  using std::chrono::milliseconds;
  using std::chrono::seconds;
  const std::chrono::system_clock::time_point epoch{};
  for (const auto& [time, seed] :
       std::vector<std::pair<std::chrono::system_clock::time_point, std::uint32_t>>{
           {epoch, 0U},
           {epoch + milliseconds(999), 0U},
           {epoch - milliseconds(1), 4294967295U},
           {epoch - seconds(1), 4294967295U},
           {epoch - milliseconds(1001), 4294967294U},
           {epoch + seconds(4294967296LL + 7), 7U},
           {epoch + seconds(1765000000), 1765000000U}}) {
    EXPECT_EQ(seed_of(time), seed) << time.time_since_epoch().count();
  }
}
