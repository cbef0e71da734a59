// Runs the built program through pipes, as a shell would, with a time limit.
#include "run_program.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <utility>

#include "dialogue_text.hpp"

namespace {

using clock_type = std::chrono::steady_clock;

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

int remaining_ms(clock_type::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock_type::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// Appends what is readable on fd; false at end of file.
bool drain(int fd, std::string& into) {
  char buffer[65536];
  const ssize_t n = read(fd, buffer, sizeof buffer);
  if (n > 0) into.append(buffer, static_cast<std::size_t>(n));
  return n > 0 || (n < 0 && (errno == EINTR || errno == EAGAIN));
}

void close_fd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// A terminal's CRLF line ends, read back as LF.
void drop_carriage_returns(std::string& text) {
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
    text.erase(at, 1);
  }
}

// Puts `path`, opened with `flags`, in place of descriptor `fd`.
void open_as(int fd, const char* path, int flags) {
  const int opened = open(path, flags);
  dup2(opened, fd);
  close(opened);
}

// In the forked child: its standard streams as the options ask, then the program.
[[noreturn]] void exec_child(const std::string& program, const run_options& options,
                             const int (&in)[2], const int (&out)[2], const int (&err)[2],
                             int terminal) {
  // An ignored signal stays ignored across exec.
  std::signal(SIGPIPE, options.sigpipe_ignored ? SIG_IGN : SIG_DFL);
  switch (options.stdin_is) {
    case stdin_kind::pipe:
      dup2(in[0], 0);
      break;
    case stdin_kind::dev_null:
      open_as(0, "/dev/null", O_RDONLY);
      break;
    case stdin_kind::closed:
      close(0);
      break;
    case stdin_kind::directory:
      open_as(0, "/", O_RDONLY);
      break;
    case stdin_kind::terminal:
      open_as(0, ptsname(terminal), O_RDWR | O_NOCTTY);
      break;
  }
  for (const auto& [resource, kib] : {std::pair{RLIMIT_STACK, options.stack_kib},
                                      std::pair{RLIMIT_AS, options.address_space_kib}}) {
    if (kib == 0) continue;
    const rlimit limit{kib * 1024, kib * 1024};
    setrlimit(resource, &limit);
  }
  if (options.stdout_is == stdout_kind::terminal) {
    open_as(1, ptsname(terminal), O_RDWR | O_NOCTTY);
  } else if (options.stdout_is == stdout_kind::full) {
    open_as(1, "/dev/full", O_WRONLY);
  } else {
    dup2(out[1], 1);
  }
  if (options.stderr_is == stderr_kind::terminal) {
    open_as(2, ptsname(terminal), O_RDWR | O_NOCTTY);
  } else {
    dup2(err[1], 2);
  }
  if (terminal >= 0) close(terminal);
  for (const std::string& variable : options.environment) {
    const std::size_t equals = variable.find('=');
    setenv(variable.substr(0, equals).c_str(), variable.substr(equals + 1).c_str(), 1);
  }
  for (const int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
  if (options.stdin_nonblocking) fcntl(0, F_SETFL, fcntl(0, F_GETFL) | O_NONBLOCK);
  if (options.stdout_nonblocking) fcntl(1, F_SETFL, fcntl(1, F_GETFL) | O_NONBLOCK);
  std::vector<std::string> words;
  if (!launcher.empty()) words.emplace_back(launcher);
  words.push_back(program);
  words.insert(words.end(), options.args.begin(), options.args.end());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

}  // namespace

child_process start_program(const std::string& program, const run_options& options) {
  // Our end of a pipe whose reader has gone must give EPIPE, not kill the test.
  std::signal(SIGPIPE, SIG_IGN);
  int in[2];
  int out[2];
  int err[2];
  check(pipe(in) == 0 && pipe(out) == 0 && pipe(err) == 0, "pipe");
  int terminal = -1;
  if (options.stdout_is == stdout_kind::terminal || options.stdin_is == stdin_kind::terminal ||
      options.stderr_is == stderr_kind::terminal) {
    terminal = posix_openpt(O_RDWR | O_NOCTTY);
    check(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0, "pseudo-terminal");
    if (options.terminal_keeps_cr || options.terminal_echo_off) {
      termios settings{};
      check(tcgetattr(terminal, &settings) == 0, "tcgetattr");
      if (options.terminal_keeps_cr) settings.c_iflag &= ~static_cast<tcflag_t>(ICRNL);
      if (options.terminal_echo_off) settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      check(tcsetattr(terminal, TCSANOW, &settings) == 0, "tcsetattr");
    }
  }
  const pid_t pid = fork();
  check(pid >= 0, "fork");
  if (pid == 0) exec_child(program, options, in, out, err, terminal);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  child_process child{pid, in[1], out[0], err[0], false, false};
  if (terminal < 0) return child;
  // What is typed is written to the terminal; what it shows is read from it.
  if (options.stdin_is == stdin_kind::terminal) {
    close(child.in);
    child.in = dup(terminal);
  }
  if (options.stdout_is == stdout_kind::terminal) {
    close(child.out);
    child.out = dup(terminal);
    child.out_is_terminal = true;
  } else if (options.stderr_is == stderr_kind::terminal) {
    close(child.err);
    child.err = dup(terminal);
    child.err_is_terminal = true;
  }
  close(terminal);
  return child;
}

long virtual_memory_kib(const child_process& child) {
  std::ifstream status("/proc/" + std::to_string(child.pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmSize:")) return std::stol(line.substr(7));
  }
  return 0;
}

bool read_until(const child_process& child, std::string& received, std::string_view suffix,
                std::chrono::milliseconds limit) {
  const auto deadline = clock_type::now() + limit;
  while (!received.ends_with(suffix)) {
    pollfd p{child.out, POLLIN, 0};
    if (poll(&p, 1, remaining_ms(deadline)) <= 0) return false;
    if (!drain(child.out, received)) return false;
  }
  return true;
}

program_run finish_program(child_process& child, std::chrono::milliseconds limit) {
  const auto deadline = clock_type::now() + limit;
  program_run run{};
  close_fd(child.in);
  while (child.out >= 0 || child.err >= 0) {
    pollfd fds[2] = {{child.out, POLLIN, 0}, {child.err, POLLIN, 0}};
    const int ready = poll(fds, 2, remaining_ms(deadline));
    if (ready == 0) {
      run.timed_out = true;
      kill(child.pid, SIGKILL);
      break;
    }
    if (ready < 0) continue;
    if (fds[0].revents != 0 && !drain(child.out, run.out)) close_fd(child.out);
    if (fds[1].revents != 0 && !drain(child.err, run.err)) close_fd(child.err);
  }
  close_fd(child.out);
  close_fd(child.err);
  if (child.out_is_terminal) drop_carriage_returns(run.out);
  if (child.err_is_terminal) drop_carriage_returns(run.err);
  int status = 0;
  rusage usage{};
  while (wait4(child.pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  run.exited = WIFEXITED(status);
  run.exit_status = run.exited ? WEXITSTATUS(status) : -1;
  run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  run.cpu_ms = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000L +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000L;
#if defined(__APPLE__)
  run.peak_kib = usage.ru_maxrss / 1024;  // bytes there, KiB on Linux
#else
  run.peak_kib = usage.ru_maxrss;
#endif
  return run;
}

namespace {

std::size_t count_of(std::string_view text, std::string_view what) {
  std::size_t found = 0;
  for (std::size_t at = text.find(what); at != std::string_view::npos;
       at = text.find(what, at + 1)) {
    ++found;
  }
  return found;
}

// Reads both outputs until standard output holds `prompts` prompts; false at
// the time limit or when the program's output ends first.
bool wait_for_prompts(child_process& child, std::size_t prompts, std::string_view prompt,
                      clock_type::time_point deadline, std::string& out, std::string& err) {
  while (count_of(out, prompt) < prompts) {
    pollfd fds[2] = {{child.out, POLLIN, 0}, {child.err, POLLIN, 0}};
    if (child.out < 0 || poll(fds, 2, remaining_ms(deadline)) <= 0) return false;
    if (fds[0].revents != 0 && !drain(child.out, out)) close_fd(child.out);
    if (fds[1].revents != 0 && !drain(child.err, err)) close_fd(child.err);
  }
  return true;
}

// The input as written: `input` input_repeats times, then the tail.
struct input_feed {
  std::string_view input;
  std::size_t repeats;
  std::string_view tail;

  [[nodiscard]] std::size_t size() const { return input.size() * repeats + tail.size(); }
  // What follows `offset` in one piece.
  [[nodiscard]] std::string_view from(std::size_t offset) const {
    const std::size_t repeated = input.size() * repeats;
    if (offset >= repeated) return tail.substr(offset - repeated);
    return input.substr(offset % input.size());
  }
};

// Writes the input while taking both outputs, so that no pipe fills up and
// stalls the other side; a write takes only what the pipe has room for.
void feed(child_process& child, const input_feed& feed_input, clock_type::time_point deadline,
          std::string& out, std::string& err) {
  if (child.in >= 0) fcntl(child.in, F_SETFL, fcntl(child.in, F_GETFL) | O_NONBLOCK);
  std::size_t written = 0;
  while (child.in >= 0 && written < feed_input.size()) {
    pollfd fds[3] = {{child.in, POLLOUT, 0}, {child.out, POLLIN, 0}, {child.err, POLLIN, 0}};
    if (poll(fds, 3, remaining_ms(deadline)) <= 0) break;
    if ((fds[0].revents & (POLLERR | POLLHUP)) != 0) break;
    if ((fds[0].revents & POLLOUT) != 0) {
      const std::string_view next = feed_input.from(written);
      const ssize_t n = write(child.in, next.data(), std::min<std::size_t>(next.size(), 65536));
      if (n < 0 && errno != EINTR && errno != EAGAIN) break;
      if (n > 0) written += static_cast<std::size_t>(n);
    }
    if (fds[1].revents != 0 && !drain(child.out, out)) close_fd(child.out);
    if (fds[2].revents != 0 && !drain(child.err, err)) close_fd(child.err);
  }
}

}  // namespace

program_run run_program(const std::string& program, std::string_view input,
                        const run_options& options) {
  child_process child = start_program(program, options);
  if (options.stdin_is != stdin_kind::pipe && options.stdin_is != stdin_kind::terminal) {
    close_fd(child.in);
  }
  if (options.stdout_is != stdout_kind::pipe && options.stdout_is != stdout_kind::terminal) {
    close_fd(child.out);
  }
  const auto deadline = clock_type::now() + options.limit;
  std::string out;
  std::string err;
  if (options.output_delay.count() > 0) {
    // The whole input at once (it must fit the pipe), then nothing read for a while.
    check(write(child.in, input.data(), input.size()) == static_cast<ssize_t>(input.size()),
          "write");
    std::this_thread::sleep_for(options.output_delay);
  } else {
    std::this_thread::sleep_for(options.input_delay);
    if (!options.input_after.empty()) {
      read_until(child, out, options.input_after,
                 std::chrono::milliseconds(remaining_ms(deadline)));
    }
    if (options.hang_up_after_prompts > 0 &&
        wait_for_prompts(child, options.hang_up_after_prompts, prompt, deadline, out, err)) {
      close_fd(child.out);
    }
    for (const typed_text& typing : options.typed) {
      if (!wait_for_prompts(child, typing.after_prompts, prompt, deadline, out, err)) break;
      check(write(child.in, typing.text.data(), typing.text.size()) ==
                static_cast<ssize_t>(typing.text.size()),
            "typing");
    }
    feed(child, {input, options.input_repeats, options.input_tail}, deadline, out, err);
  }
  program_run run = finish_program(child, std::chrono::milliseconds(remaining_ms(deadline)));
  if (child.out_is_terminal) drop_carriage_returns(out);
  if (child.err_is_terminal) drop_carriage_returns(err);
  run.out = out + run.out;
  run.err = err + run.err;
  return run;
}
