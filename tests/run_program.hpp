// Runs the built program through pipes, as a shell would, with a time limit.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

// Sanitizers multiply a program's memory and time: limits on those are off then.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool under_sanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool under_sanitizer = true;
#else
inline constexpr bool under_sanitizer = false;
#endif
#else
inline constexpr bool under_sanitizer = false;
#endif

// The command that starts the program, before its path: an emulator's under a
// cross build (one word, as the toolchain files set it), else empty.
inline constexpr std::string_view launcher = DIE_FAIRNESS_LAUNCHER;  // NOLINT: "" natively

// Peak memory is the program's own only when nothing instruments or emulates it.
inline constexpr bool memory_is_measured = !under_sanitizer && launcher.empty();

struct program_run {
  bool exited;      // ended by itself (not killed by a signal)
  int exit_status;  // when exited
  int signal;       // when killed
  bool timed_out;   // killed by us at the time limit
  std::string out;
  std::string err;
  long peak_kib;  // peak resident memory
  long cpu_ms;    // processor time, user and system
};

// A terminal reads from the pseudo-terminal that stdout_kind::terminal writes
// to, as a user's shell would start the program: what is written to it is echoed.
enum class stdin_kind { pipe, dev_null, closed, directory, terminal };

// A pipe read by the test; a pipe whose reading end is closed at once; a
// pseudo-terminal, whose CRLF line ends are read back as LF; or /dev/full,
// where every write fails for want of space.
enum class stdout_kind { pipe, closed_pipe, terminal, full };

// A pipe, or the pseudo-terminal (as when standard output alone is redirected
// in a terminal): then `err` is what the terminal shows, echo included.
enum class stderr_kind { pipe, terminal };

// Text typed at the terminal once standard output holds that many prompts.
struct typed_text {
  std::size_t after_prompts;
  std::string text;
};

struct run_options {
  std::vector<std::string> args = {};
  std::chrono::milliseconds limit{10'000};
  stdin_kind stdin_is = stdin_kind::pipe;
  stdout_kind stdout_is = stdout_kind::pipe;
  stderr_kind stderr_is = stderr_kind::pipe;
  bool sigpipe_ignored = false;     // the program starts with SIGPIPE ignored, as under some shells
  bool stdin_nonblocking = false;   // O_NONBLOCK on the program's end of the pipe,
  bool stdout_nonblocking = false;  // as some IDEs and process managers hand them out
  // The input is written only after input_delay; with an output_delay, it is
  // written at once (it must fit the pipe) and nothing is read before the delay ends.
  std::chrono::milliseconds input_delay{0};
  std::chrono::milliseconds output_delay{0};
  // The input is written this many times, then input_tail once: a large input
  // without a large string here, whose pages a forked child would count as its own.
  std::size_t input_repeats = 1;
  std::string input_tail = {};
  // The input is written only once standard output ends with this, as a user
  // types only after the prompt.
  std::string input_after = {};
  // Typed in turn, before the input; each waits for its prompt.
  std::vector<typed_text> typed = {};
  // The terminal is closed once standard output holds this many prompts (0:
  // never), as when its window is closed: writes to it fail from then on.
  std::size_t hang_up_after_prompts = 0;
  bool terminal_keeps_cr = false;  // Enter reaches the program as CR, as after stty -icrnl
  bool terminal_echo_off = false;  // typing is not echoed, as after stty -echo (a password prompt)
  std::vector<std::string> environment = {};  // NAME=value, added to the program's
  std::size_t stack_kib = 0;  // a limit on the program's stack, as ulimit -s sets it; 0: none
  std::size_t address_space_kib = 0;  // and on its memory, as ulimit -v sets it; 0: none
};

// Runs `program` with `input` on its standard input, then closes it.
program_run run_program(const std::string& program, std::string_view input,
                        const run_options& options = {});

// A program started with pipes on all three standard streams.
struct child_process {
  pid_t pid;
  int in;
  int out;
  int err;
  bool out_is_terminal;
  bool err_is_terminal;
};

child_process start_program(const std::string& program, const run_options& options = {});

// The child's virtual memory size in KiB, where /proc tells it; 0 elsewhere.
long virtual_memory_kib(const child_process& child);

// Reads the child's standard output until it ends with `suffix`; false at the
// time limit or at end of output.
bool read_until(const child_process& child, std::string& received, std::string_view suffix,
                std::chrono::milliseconds limit);

// Waits for the child's end (killing it at the time limit) and collects what it wrote.
program_run finish_program(child_process& child, std::chrono::milliseconds limit);
