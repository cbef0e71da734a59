// The standard streams' system calls on POSIX systems (Linux, macOS; Node under Emscripten).
#pragma once

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

#if defined(__EMSCRIPTEN__)
#include <emscripten.h>
// Emscripten's isatty answers yes for every descriptor; where the console
// program runs, under Node, Node knows.
EM_JS(int, node_is_terminal, (int descriptor),
      { return require("tty").isatty(descriptor) ? 1 : 0; });
#endif

namespace console_calls {

inline void prepare_input(int /*descriptor*/) noexcept {}

// A terminal in canonical mode answers a read when Enter ends a line or when
// Ctrl-D sends what stands before it: a read without a line end is such text.
inline constexpr bool short_read_sends_typed_text = true;

inline long long read_some(int descriptor, char* to, std::size_t size) noexcept {
  return ::read(descriptor, to, size);
}

inline long long write_some(int descriptor, const char* from, std::size_t size) noexcept {
  return ::write(descriptor, from, size);
}

inline bool is_terminal(int descriptor) noexcept {
#if defined(__EMSCRIPTEN__)
  return node_is_terminal(descriptor) != 0;
#else
  return ::isatty(descriptor) != 0;
#endif
}

// Whether `descriptor` is a terminal with any of the local modes `flags` on
// (under Node, where there are no modes to ask, any terminal).
inline bool terminal_has(int descriptor, tcflag_t flags) noexcept {
#if defined(__EMSCRIPTEN__)
  (void)flags;
  return is_terminal(descriptor);
#else
  termios settings{};
  return is_terminal(descriptor) && ::tcgetattr(descriptor, &settings) == 0 &&
         (settings.c_lflag & flags) != 0;
#endif
}

// Whether reads give what a person types, a line at a time: a terminal in
// canonical mode, where Enter ends a line and Ctrl-D sends what stands before
// it. A terminal in raw mode gives each key as it is pressed.
inline bool reads_typed_lines(int descriptor) noexcept { return terminal_has(descriptor, ICANON); }

// Whether the terminal shows the line end of what is typed: its echo, or
// ECHONL, which echoes the line end alone. A password prompt's terminal
// (stty -echo) still reads typed lines, but leaves the cursor where it was.
inline bool echoes_typing(int descriptor) noexcept {
  return terminal_has(descriptor, ECHO | ECHONL);
}

inline bool same_terminal(int first, int second) noexcept {
  if (!is_terminal(first) || !is_terminal(second)) return false;
#if defined(__EMSCRIPTEN__)
  return true;
#else
  struct stat a {};
  struct stat b {};
  return ::fstat(first, &a) == 0 && ::fstat(second, &b) == 0 && a.st_rdev == b.st_rdev;
#endif
}

enum class direction { in, out };

// A non-blocking descriptor that has nothing to give, or no room, is waited on.
inline bool waited_until_ready(int descriptor, direction way) noexcept {
  pollfd ready{descriptor, static_cast<short>(way == direction::in ? POLLIN : POLLOUT), 0};
  for (;;) {
    if (::poll(&ready, 1, -1) >= 0) return true;
    if (errno != EINTR) return false;
  }
}

// How many bytes of typed lines wait to be read: a terminal in canonical mode
// counts those of the lines already ended (Enter, or Ctrl-D), so that what is
// typed later is told apart from them. 0 where the system cannot tell.
inline std::size_t typed_bytes_waiting(int descriptor) noexcept {
  int count = 0;
  return ::ioctl(descriptor, FIONREAD, &count) == 0 && count > 0 ? static_cast<std::size_t>(count)
                                                                 : 0;
}

}  // namespace console_calls
