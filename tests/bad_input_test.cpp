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

// Text as UTF-16 bytes after a byte-order mark, as Windows PowerShell 5.1 writes a file.
std::string utf16_with_mark(std::u16string_view text, bool big_endian) {
  std::string bytes = big_endian ? "\xfe\xff" : "\xff\xfe";
  for (const char16_t unit : text) {
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xff);
    bytes += big_endian ? high : low;
    bytes += big_endian ? low : high;
  }
  return bytes;
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
  std::string ending = {};   // how standard output ends, where not as the run's default
  long most_cpu_ms = 0;      // processor time that the run may take, where it matters; 0: any
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
  // Typed at a terminal, each piece after the given prompt: with standard
  // output on the terminal too, or redirected to a file (a pipe here) while
  // messages still go to the terminal, which is then `err`.
  const auto typing = [](std::vector<typed_text> pieces) {
    return run_options{.stdin_is = stdin_kind::terminal,
                       .stdout_is = stdout_kind::terminal,
                       .typed = std::move(pieces)};
  };
  const auto typing_redirected = [](std::vector<typed_text> pieces) {
    return run_options{.stdin_is = stdin_kind::terminal,
                       .stderr_is = stderr_kind::terminal,
                       .typed = std::move(pieces)};
  };
  // clang-format off
  return {
      {"nul_and_control_bytes", "\0\x01\x1b[31m\x7f\n3\n\x04\n0\n"s, {}, 0, 1, 2},
      {"invalid_utf8", "\xc3\x28\xff\xfe\n\xed\xa0\x80 2\n", {}, 0, 0, 2},
      {"crlf_line_ends", "5\r\n\r\n7\r\n0\r\n", {}, 0, 2, 0},
      {"line_of_50_mb_of_digits", std::string(1'000'000, '7'), fifty_mb, 0, 1, 1},
      {"hundred_thousand_junk_lines", junk_lines(100'000) + "4\n", {}, 0, 1, 100'000},
      {"stdin_at_dev_null", "", {.stdin_is = stdin_kind::dev_null}, 0, 0, 0},
      {"stdin_closed", "", {.stdin_is = stdin_kind::closed}, 1, 0, 0,
       "Cannot read standard input: Bad file descriptor.\n"},
      {"stdin_a_directory", "", {.stdin_is = stdin_kind::directory}, 1, 0, 0,
       "Cannot read standard input: Is a directory.\n"},
      {"stdin_nonblocking_and_empty_at_first", "3\n0\n", nonblocking_stdin, 0, 1, 0},
      // A second of waiting for input must not be a second of the processor's time.
      {"stdin_nonblocking_waited_on_without_spinning", "3\n0\n",
       {.stdin_nonblocking = true, .input_delay = 1000ms}, 0, 1, 0, "", "", "", 400},
      {"stdout_nonblocking_and_full", ones + "0\n", nonblocking_stdout, 0, 3000, 0},
      {"stdout_a_terminal_at_end_of_input", "5\n", {.stdout_is = stdout_kind::terminal}, 0, 1, 0},
      {"terminal_ctrl_d_after_a_size", "10\x04\x04", typed, 0, 1, 0, "", prompt + "10\n" + mean_line_start},
      {"terminal_ctrl_d_after_a_word", "abc\x04\x04", typed, 0, 0, 1, not_a_number("abc"),
       prompt + "abc\n" + prompt + "\n"},
      {"terminal_ctrl_d_mid_line_ends_the_entry", "", typing({{1, "10 20\x04"}, {3, "0\n"}}), 0, 2, 0,
       "", prompt + "10 20\n" + mean_line_start, prompt + "0\n"},
      {"terminal_ctrl_d_mid_line_ends_a_rejected_entry", "",
       typing({{1, "10 abc\x04"}, {3, "5\n"}, {4, "\x04"}}), 0, 2, 1, not_a_number("abc"),
       prompt + "10 abc\n" + mean_line_start},
      {"terminal_byte_order_mark_alone_then_ctrl_d", "", typing({{1, "\xef\xbb\xbf\x04\x04"}}), 0, 0, 0, "", "",
       prompt + "\xef\xbb\xbf\n"},
      // After stty -icrnl, Enter is echoed as ^M and ends no line: Ctrl-D sends the text.
      {"terminal_cr_that_ends_no_line", "",
       {.stdin_is = stdin_kind::terminal, .stdout_is = stdout_kind::terminal, .typed = {{1, "10\r\x04"}, {2, "\x04"}},
        .terminal_keeps_cr = true},
       0, 1, 0, "", prompt + "10^M\n" + mean_line_start},
      // 0 typed while a billion rolls roll is echoed then, before the prompt that reads it.
      {"terminal_quit_typed_ahead", "", typing({{1, "1000000000\n"}, {1, "0\n"}}), 0, 1, 0},
      {"terminal_quit_sent_by_ctrl_d", "", typing({{1, "0\x04"}}), 0, 0, 0, "", "", prompt + "0\n"},
      // Enter pressed while a billion rolls roll answers nothing; the 0 typed at the prompt ends its line.
      {"terminal_enter_typed_ahead_then_quit_at_its_prompt", "",
       typing({{1, "1000000000\n"}, {1, "\n"}, {2, "0\n"}}), 0, 1, 0, "", "", prompt + "0\n"},
      // Without the echo (stty -echo) the terminal still reads typed lines: Ctrl-D ends the entry.
      {"terminal_without_echo_ctrl_d_mid_line_ends_the_entry", "",
       {.stdin_is = stdin_kind::terminal, .stdout_is = stdout_kind::terminal,
        .typed = {{1, "10 20\x04"}, {3, "0\n"}}, .terminal_echo_off = true},
       0, 2, 0},
      {"terminal_quit_typed_at_its_prompt", "", typing({{1, "10\n"}, {2, "0\n"}}), 0, 1, 0, "", "",
       prompt + "0\n"},
      {"terminal_quit_on_the_line_of_a_size", "", typing({{1, "10 0\n"}}), 0, 1, 0, "",
       prompt + "10 0\n" + mean_line_start},
      {"stdout_a_terminal_quit_on_the_line_of_a_size", "10 -1\n", {.stdout_is = stdout_kind::terminal},
       0, 1, 0},
      {"redirected_ctrl_d_mid_line_ends_the_entry", "", typing_redirected({{1, "10 20\x04"}, {3, "0\n"}}),
       0, 2, 0, "10 20\n0\n"},
      {"redirected_ctrl_d_after_a_word", "", typing_redirected({{1, "abc\x04\x04"}}), 0, 0, 1,
       "abc\n" + not_a_number("abc")},
      {"redirected_ctrl_d_after_a_size", "", typing_redirected({{1, "10\x04\x04"}}), 0, 1, 0, "10\n"},
      {"redirected_quit_on_the_line_of_a_size", "", typing_redirected({{1, "10 -1\n"}}), 0, 1, 0,
       "10 -1\n"},
      {"utf8_byte_order_mark_only_at_the_start", "\xef\xbb\xbf" "10\n\xef\xbb\xbf" "5\n0\n", {}, 0, 1, 1,
       not_a_number(R"(\ufeff5)")},
      {"utf16le_with_byte_order_mark", utf16_with_mark(u"10\r\n20\r\ncaf\u00e9\r\n\xd800x\r\n0\r\n", false), {},
       0, 2, 2, not_a_number("caf\xc3\xa9") + not_a_number("\xef\xbf\xbdx")},
      {"utf16be_with_byte_order_mark", utf16_with_mark(u"7 \U0001f3b2\n8", true), {}, 0, 2, 1,
       not_a_number("\xf0\x9f\x8e\xb2")},
      {"utf16_ending_on_a_lone_high_surrogate", utf16_with_mark(u"5 \xd83c", false), {}, 0, 1, 1,
       not_a_number("\xef\xbf\xbd")},
      {"input_ending_within_a_byte_order_mark", "\xef\xbb", {}, 0, 0, 1, not_a_number(R"(\xef\xbb)")},
      {"stack_of_32_kib", "100000 1\n0\n", {.stack_kib = 32}, 0, 2, 0},
      {"stdout_a_closed_pipe", "5\n5\n0\n", closed_stdout, -1, 0, 0},
      {"stdout_a_closed_pipe_sigpipe_ignored", "5\n5\n0\n",
       {.stdout_is = stdout_kind::closed_pipe, .sigpipe_ignored = true}, 1, 0, 0,
       "Cannot write standard output: Broken pipe.\n"},
      {"stdout_a_terminal_closed_before_the_last_line_end", "0\n",
       {.stdout_is = stdout_kind::terminal, .hang_up_after_prompts = 1}, 1, 0, 0,
       "Cannot write standard output: Input/output error.\n", "", prompt},
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
    // Only on a terminal is the prompt's line ended at the end of the run.
    const std::string ending = !row.ending.empty()               ? row.ending
                               : out_is == stdout_kind::terminal ? prompt + "\n"
                                                                 : prompt;
    EXPECT_TRUE(run.out.ends_with(ending)) << run.out;
  }
  // A terminal that shows only what is typed and the messages is left at the start of a line.
  if (row.options.stderr_is == stderr_kind::terminal) {
    EXPECT_TRUE(run.err.empty() || run.err.ends_with("\n")) << run.err;
  }
  EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
  EXPECT_NE(run.out.find(row.screen), std::string::npos) << run.out;
  EXPECT_EQ(count(run.err, "Not a whole number: \"") + count(run.err, "Out of range: \""),
            row.rejections);
  if (memory_is_measured) {
    EXPECT_LT(run.peak_kib, 40 * 1024);
    if (row.most_cpu_ms > 0) {
      EXPECT_LT(run.cpu_ms, row.most_cpu_ms);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(program, bad_input_test, testing::ValuesIn(bad_inputs()),
                         [](const testing::TestParamInfo<bad_input>& row) {
                           return row.param.name;
                         });

}  // namespace
