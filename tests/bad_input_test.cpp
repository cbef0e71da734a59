// Odd and hostile input to the built program: each run must end in time, in
// bounded memory, having sampled only what was written as a size.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "run_program.hpp"

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

const std::string program = DIE_FAIRNESS_PROGRAM;
const std::string introduction =
    "Roll a die many times to determine whether it is a fair die\n\n"
    "The population parameters of a fair die are\nmu = 3.5\nsigma = 1.70783\n\n";

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t found = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++found;
  }
  return found;
}

std::string junk_lines(int lines) {
  std::string junk;
  for (int line = 0; line < lines; ++line) junk += "junk " + std::to_string(line) + " !?\n";
  return junk;
}

struct bad_input {
  std::string name;
  std::string input;
  run_options options;
  int exit_status;  // or -1 where the program dies of SIGPIPE
  std::size_t means;
  std::size_t rejections;
};

std::vector<bad_input> bad_inputs() {
  run_options plain;
  plain.limit = 30s;
  run_options dev_null = plain;
  run_options closed_stdin = plain;
  run_options closed_stdout = plain;
  run_options fifty_mb = plain;
  fifty_mb.input_repeats = 50;
  fifty_mb.input_tail = "\n1\n0\n";
  dev_null.stdin_is = stdin_kind::dev_null;
  closed_stdin.stdin_is = stdin_kind::closed;
  closed_stdout.stdout_closed = true;
  run_options ignoring_sigpipe = closed_stdout;
  ignoring_sigpipe.sigpipe_ignored = true;
  return {
      {"nul_and_control_bytes", "\0\x01\x1b[31m\x7f\n3\n\x04\n0\n"s, plain, 0, 1, 2},
      {"invalid_utf8", "\xff\xfe\xc3\x28\n\xed\xa0\x80 2\n", plain, 0, 0, 2},
      {"crlf_line_ends", "5\r\n\r\n7\r\n0\r\n", plain, 0, 2, 0},
      {"line_of_50_mb_of_digits", std::string(1'000'000, '7'), fifty_mb, 0, 1, 1},
      {"hundred_thousand_junk_lines", junk_lines(100'000) + "4\n", plain, 0, 1, 100'000},
      {"stdin_at_dev_null", "", dev_null, 0, 0, 0},
      {"stdin_closed", "", closed_stdin, 1, 0, 0},
      {"stdout_a_closed_pipe", "5\n5\n0\n", closed_stdout, -1, 0, 0},
      {"stdout_a_closed_pipe_sigpipe_ignored", "5\n5\n0\n", ignoring_sigpipe, 1, 0, 0},
      {"largest_sizes_with_signs_and_zeros", "+0002147483647\n-0002147483648\n", plain, 0, 1, 0},
      {"sizes_just_outside_32_bits",
       "+2147483648\n-2147483649\n00000000002147483648\n-0002147483649\n0\n", plain, 0, 0, 4},
  };
}

class bad_input_test : public testing::TestWithParam<bad_input> {};

TEST_P(bad_input_test, ends_in_time_and_bounded_memory) {
  const bad_input& row = GetParam();
  const program_run run = run_program(program, row.input, row.options);
  ASSERT_FALSE(run.timed_out);
  if (row.exit_status < 0) {
    EXPECT_EQ(run.signal, SIGPIPE);
  } else {
    ASSERT_TRUE(run.exited) << "signal " << run.signal;
    EXPECT_EQ(run.exit_status, row.exit_status);
  }
  if (!row.options.stdout_closed) {
    EXPECT_EQ(run.out.substr(0, introduction.size()), introduction);
    EXPECT_EQ(count(run.out, "The sample mean = "), row.means);
  }
  EXPECT_EQ(count(run.err, "Not a whole number: \"") + count(run.err, "Out of range: \""),
            row.rejections);
  if (!under_sanitizer) {
    EXPECT_LT(run.peak_kib, 40 * 1024);
  }
}

INSTANTIATE_TEST_SUITE_P(program, bad_input_test, testing::ValuesIn(bad_inputs()),
                         [](const testing::TestParamInfo<bad_input>& row) {
                           return row.param.name;
                         });

}  // namespace
