// Odd and hostile input to the built program: each run must end in time, in
// bounded memory, having sampled only what was written as a size.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <ostream>
#include <string>
#include <vector>

#include "dialogue_text.hpp"
#include "run_program.hpp"

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

const std::string program = DIE_FAIRNESS_PROGRAM;

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
  std::string message = {};  // a line that standard error must hold
  std::string screen = {};   // and a piece that standard output must hold
};

void PrintTo(const bad_input& row, std::ostream* os) { *os << row.name; }

std::vector<bad_input> bad_inputs() {
  std::string ones;
  for (int line = 0; line < 3000; ++line) ones += "1\n";
  const run_options fifty_mb{.input_repeats = 50, .input_tail = "\n1\n0\n"};
  const run_options closed_stdout{.stdout_is = stdout_kind::closed_pipe};
  // The program reads before any input is there, and writes more than the
  // pipe holds before anything is read: both must wait, not fail.
  const run_options nonblocking_stdin{.stdin_nonblocking = true, .input_delay = 300ms};
  const run_options nonblocking_stdout{.stdout_nonblocking = true, .output_delay = 300ms};
  // A user at a terminal types after the prompt; Ctrl-D ends the input there.
  const run_options typed{
      .stdin_is = stdin_kind::terminal, .stdout_is = stdout_kind::terminal, .input_after = prompt};
  // clang-format off
  return {
      {"nul_and_control_bytes", "\0\x01\x1b[31m\x7f\n3\n\x04\n0\n"s, {}, 0, 1, 2},
      {"invalid_utf8", "\xff\xfe\xc3\x28\n\xed\xa0\x80 2\n", {}, 0, 0, 2},
      {"crlf_line_ends", "5\r\n\r\n7\r\n0\r\n", {}, 0, 2, 0},
      {"line_of_50_mb_of_digits", std::string(1'000'000, '7'), fifty_mb, 0, 1, 1},
      {"hundred_thousand_junk_lines", junk_lines(100'000) + "4\n", {}, 0, 1, 100'000},
      {"stdin_at_dev_null", "", {.stdin_is = stdin_kind::dev_null}, 0, 0, 0},
      {"stdin_closed", "", {.stdin_is = stdin_kind::closed}, 1, 0, 0,
       "Cannot read standard input: Bad file descriptor.\n"},
      {"stdin_a_directory", "", {.stdin_is = stdin_kind::directory}, 1, 0, 0,
       "Cannot read standard input: Is a directory.\n"},
      {"stdin_nonblocking_and_empty_at_first", "3\n0\n", nonblocking_stdin, 0, 1, 0},
      {"stdout_nonblocking_and_full", ones + "0\n", nonblocking_stdout, 0, 3000, 0},
      {"stdout_a_terminal_at_end_of_input", "5\n", {.stdout_is = stdout_kind::terminal}, 0, 1, 0},
      {"terminal_ctrl_d_after_a_size", "10\x04\x04", typed, 0, 1, 0, "", prompt + "10\n" + mean_line_start},
      {"terminal_ctrl_d_after_a_word", "abc\x04\x04", typed, 0, 0, 1, not_a_number("abc"),
       prompt + "abc\n" + prompt + "\n"},
      {"stack_of_32_kib", "100000 1\n0\n", {.stack_kib = 32}, 0, 2, 0},
      {"stdout_a_closed_pipe", "5\n5\n0\n", closed_stdout, -1, 0, 0},
      {"stdout_a_closed_pipe_sigpipe_ignored", "5\n5\n0\n",
       {.stdout_is = stdout_kind::closed_pipe, .sigpipe_ignored = true}, 1, 0, 0,
       "Cannot write standard output: Broken pipe.\n"},
      {"stdout_a_full_disk", "5\n0\n", {.stdout_is = stdout_kind::full}, 1, 0, 0,
       "Cannot write standard output: No space left on device.\n"},
      {"words_holding_digits_and_lone_cr_line_ends", "1,000\r0x10 7\n5-3\r12abc\r5\r2\n0\n", {}, 0, 2, 4},
      {"terminal_control_sequences", "\xc2\x9b" "2J\x1b]0;x\x07\n0\n", {}, 0, 0, 1,
       not_a_number(R"(\u009b2J\x1b]0;x\x07)")},
      {"largest_sizes_with_signs_and_zeros", "+0002147483647\n-0002147483648\n", {}, 0, 1, 0},
      {"sizes_just_outside_32_bits",
       "+2147483648\n-2147483649\n00000000002147483648\n-0002147483649\n0\n", {}, 0, 0, 4},
  };
  // clang-format on
}

class bad_input_test : public testing::TestWithParam<bad_input> {};

TEST_P(bad_input_test, ends_in_time_and_bounded_memory) {
  const bad_input& row = GetParam();
  if (row.options.stdout_is == stdout_kind::full && access("/dev/full", W_OK) != 0) {
    GTEST_SKIP() << "this system has no /dev/full";
  }
  run_options options = row.options;
  options.limit = 30s;
  if (!memory_is_measured) options.stack_kib = 0;  // instruments and emulators need more
  const program_run run = run_program(program, row.input, options);
  ASSERT_FALSE(run.timed_out);
  if (row.exit_status < 0) {
    EXPECT_EQ(run.signal, SIGPIPE);
  } else {
    ASSERT_TRUE(run.exited) << "signal " << run.signal;
    EXPECT_EQ(run.exit_status, row.exit_status);
  }
  const stdout_kind out_is = row.options.stdout_is;
  if (out_is == stdout_kind::pipe || out_is == stdout_kind::terminal) {
    EXPECT_EQ(run.out.substr(0, introduction.size()), introduction);
    EXPECT_EQ(count(run.out, mean_line_start), row.means);
    // Only on a terminal is the prompt's line ended at the end of input.
    EXPECT_TRUE(run.out.ends_with(out_is == stdout_kind::terminal ? prompt + "\n" : prompt));
  }
  EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
  EXPECT_NE(run.out.find(row.screen), std::string::npos) << run.out;
  EXPECT_EQ(count(run.err, "Not a whole number: \"") + count(run.err, "Out of range: \""),
            row.rejections);
  if (memory_is_measured) {
    EXPECT_LT(run.peak_kib, 40 * 1024);
  }
}

INSTANTIATE_TEST_SUITE_P(program, bad_input_test, testing::ValuesIn(bad_inputs()),
                         [](const testing::TestParamInfo<bad_input>& row) {
                           return row.param.name;
                         });

}  // namespace
