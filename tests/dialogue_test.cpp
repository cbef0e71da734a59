// Tests of the console dialogue on string streams, with a sampler that records its sizes.
#include "dialogue.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

const std::string introduction =
    "Roll a die many times to determine whether it is a fair die\n"
    "\n"
    "The population parameters of a fair die are\n"
    "mu = 3.5\n"
    "sigma = 1.70783\n"
    "\n";
const std::string prompt = "Enter the sample size (0 to quit): ";
const std::string not_a_number_advice = "\". Enter a sample size such as 100, or 0 to quit.\n";
const std::string out_of_range_advice =
    "\". Enter a whole number from -2147483648 to 2147483647; 0 or less quits.\n";

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

std::string mean_line(const std::string& mean) { return "The sample mean = " + mean + "\n\n"; }

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

TEST(dialogue, text_is_explained_and_its_line_discarded) {
  const transcript t = run("three hundred\n3\n0\n");
  EXPECT_EQ(t.err, "Not a whole number: \"three hundred" + not_a_number_advice);
  EXPECT_EQ(t.out, introduction + prompt + prompt + mean_line("3.7") + prompt);
  EXPECT_EQ(t.sizes, std::vector<std::int32_t>{3});
}

TEST(dialogue, number_followed_by_text_samples_then_explains_the_text) {
  const transcript t = run("10abc 20\n12.5\n0\n");
  EXPECT_EQ(t.sizes, (std::vector<std::int32_t>{10, 12}));
  EXPECT_EQ(t.err, "Not a whole number: \"abc 20" + not_a_number_advice +
                       "Not a whole number: \".5" + not_a_number_advice);
}

TEST(dialogue, a_sign_without_digits_is_not_a_number) {
  const transcript t = run("-\n+ 5\n--5\n0");
  EXPECT_EQ(t.err, "Not a whole number: \"-" + not_a_number_advice + "Not a whole number: \"+ 5" +
                       not_a_number_advice + "Not a whole number: \"--5" + not_a_number_advice);
  EXPECT_TRUE(t.sizes.empty());
}

TEST(dialogue, numbers_outside_32_bits_are_explained_with_the_range) {
  const transcript t = run("2147483648\n-2147483649\n99999999999999999999999 5\n1\n0\n");
  EXPECT_EQ(t.err, "Out of range: \"2147483648" + out_of_range_advice +
                       "Out of range: \"-2147483649" + out_of_range_advice +
                       "Out of range: \"99999999999999999999999" + out_of_range_advice);
  EXPECT_EQ(t.sizes, std::vector<std::int32_t>{1});  // the 5 went with its line
}

TEST(dialogue, a_long_entry_is_shown_cut_short) {
  const transcript digits = run(std::string(1'000'000, '9') + "\n0\n");
  EXPECT_EQ(digits.err, "Out of range: \"" + std::string(40, '9') + "..." + out_of_range_advice);
  EXPECT_TRUE(digits.sizes.empty());
  const transcript text = run(std::string(41, 'x') + "\n0\n");
  EXPECT_EQ(text.err,
            "Not a whole number: \"" + std::string(40, 'x') + "..." + not_a_number_advice);
  const transcript spaced = run("abc" + std::string(100, ' ') + "\n0\n");
  EXPECT_EQ(spaced.err, "Not a whole number: \"abc" + not_a_number_advice);
}

TEST(dialogue, control_bytes_are_escaped_and_utf8_kept_whole) {
  const transcript controls = run("a\x01\x1b[2J\0b\n0\n"s);
  EXPECT_EQ(controls.err, "Not a whole number: \"a\\x01\\x1b[2J\\x00b" + not_a_number_advice);
  // 41 two-byte characters: the cut falls between characters, not inside one.
  std::string umlauts;
  for (int i = 0; i < 41; ++i) umlauts += "\xc3\xbc";
  const transcript utf8 = run(umlauts + "\n0\n");
  EXPECT_EQ(utf8.err,
            "Not a whole number: \"" + umlauts.substr(0, 80) + "..." + not_a_number_advice);
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
  EXPECT_EQ(err.str(), "Cannot write standard output: the dialogue ends.\n");
}

TEST(dialogue, bytes_that_are_not_utf8_are_escaped_and_count_as_characters) {
  EXPECT_EQ(run("\xff\xfe abc\n0\n").err,
            "Not a whole number: \"\\xff\\xfe abc" + not_a_number_advice);
  EXPECT_EQ(run("x\xc3\n0\n").err, "Not a whole number: \"x\\xc3" + not_a_number_advice);
  EXPECT_EQ(run("\xe2\x82z\n0\n").err, "Not a whole number: \"\\xe2\\x82z" + not_a_number_advice);
  // Found by fuzzing: a long run of stray continuation bytes made a message of
  // hundreds of bytes. Each is a character of its own now.
  std::string shown_bytes;
  for (int i = 0; i < 40; ++i) shown_bytes += "\\x80";
  EXPECT_EQ(run(std::string(200, '\x80') + "\n0\n").err,
            "Not a whole number: \"" + shown_bytes + "..." + not_a_number_advice);
}
