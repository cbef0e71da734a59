// The standard streams' system calls on Windows, where a console is read and written as UTF-16.
//
// The C runtime reads and writes a console in its code page: with code page
// 850 or 437, still the default in many countries, a typed "café" would reach
// the program as "caf\x82". ReadConsoleW and WriteConsoleW take the console's
// own UTF-16 whatever the code page, so that text is UTF-8 inside the program.
// Pipes and files stay bytes, read in binary mode: a UTF-16 file may hold the
// bytes 0x1a (Ctrl-Z) and CR LF inside its characters.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "unicode.hpp"

namespace console_calls {

namespace detail {

inline HANDLE handle_of(int descriptor) noexcept {
  return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));  // NOLINT: the CRT's own type
}

inline bool console_mode(int descriptor, DWORD& mode) noexcept {
  const HANDLE handle = handle_of(descriptor);
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

// A program has one console: what was read from it and not yet taken, as UTF-8.
struct console_input {
  std::string text;
  std::size_t taken = 0;
  utf16_to_utf8 decoder;
  bool ended = false;  // after Ctrl-Z
};

inline console_input& the_console_input() {
  static console_input input;
  return input;
}

// One line from the console (it answers when Enter is pressed). Ctrl-Z ends
// the input as the C runtime ends it: the text before it is still read.
inline bool read_console_line(HANDLE handle, console_input& input) {
  wchar_t units[4096];
  DWORD got = 0;
  if (ReadConsoleW(handle, units, 4096, &got, nullptr) == 0) return false;
  std::u16string line(units, units + got);
  if (const std::size_t ctrl_z = line.find(u'\x1a'); ctrl_z != std::u16string::npos) {
    line.resize(ctrl_z);
    if (!line.empty()) line += u'\n';  // Enter was pressed: the line ended on the screen
    input.ended = true;
  }
  input.text.clear();
  input.taken = 0;
  input.decoder.convert(line, input.text);
  return true;
}

}  // namespace detail

// A console read ends at Enter; one without a line end is the first part of a
// line longer than the read (Ctrl-Z, the end of input, is met in the line).
inline constexpr bool short_read_sends_typed_text = false;

inline void prepare_input(int descriptor) noexcept {
  DWORD mode = 0;
  if (!detail::console_mode(descriptor, mode)) _setmode(descriptor, _O_BINARY);
}

inline long long read_some(int descriptor, char* to, std::size_t size) noexcept {
  DWORD mode = 0;
  if (!detail::console_mode(descriptor, mode)) {
    return _read(descriptor, to, static_cast<unsigned>(std::min<std::size_t>(size, 1U << 30)));
  }
  try {
    detail::console_input& input = detail::the_console_input();
    while (input.taken == input.text.size()) {
      if (input.ended) return 0;
      if (!detail::read_console_line(detail::handle_of(descriptor), input)) {
        errno = EIO;
        return -1;
      }
    }
    const std::size_t count = std::min(size, input.text.size() - input.taken);
    std::memcpy(to, input.text.data() + input.taken, count);
    input.taken += count;
    return static_cast<long long>(count);
  } catch (...) {
    errno = ENOMEM;
    return -1;
  }
}

inline long long write_some(int descriptor, const char* from, std::size_t size) noexcept {
  DWORD mode = 0;
  if (!detail::console_mode(descriptor, mode)) {
    const int put =
        _write(descriptor, from, static_cast<unsigned>(std::min<std::size_t>(size, 1U << 30)));
    // The runtime says EINVAL where the reader of a pipe has gone; the system
    // knows better: ERROR_NO_DATA on Windows, ERROR_PIPE_NOT_CONNECTED under wine.
    if (put < 0 && (_doserrno == ERROR_NO_DATA || _doserrno == ERROR_PIPE_NOT_CONNECTED ||
                    _doserrno == ERROR_BROKEN_PIPE)) {
      errno = EPIPE;
    }
    return put;
  }
  try {
    // The output buffer hands over whole characters (descriptor_output::overflow).
    std::u16string units;
    for (const char16_t unit : utf16_of(std::string_view(from, size))) {
      if (unit == u'\n') units += u'\r';  // as the runtime's text mode writes a line end
      units += unit;
    }
    std::wstring wide(units.begin(), units.end());
    for (std::size_t written = 0; written < wide.size();) {
      DWORD put = 0;
      const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - written, 8192));
      if (WriteConsoleW(detail::handle_of(descriptor), wide.data() + written, chunk, &put,
                        nullptr) == 0) {
        errno = EIO;
        return -1;
      }
      written += put;
    }
    return static_cast<long long>(size);
  } catch (...) {
    errno = ENOMEM;
    return -1;
  }
}

inline bool is_terminal(int descriptor) noexcept {
  DWORD mode = 0;
  return detail::console_mode(descriptor, mode);
}

// Whether the console shows the line end of what is typed (its echo).
inline bool echoes_typing(int descriptor) noexcept {
  DWORD mode = 0;
  return detail::console_mode(descriptor, mode) && (mode & ENABLE_ECHO_INPUT) != 0;
}

inline bool reads_typed_lines(int descriptor) noexcept {
  DWORD mode = 0;
  return detail::console_mode(descriptor, mode) && (mode & ENABLE_LINE_INPUT) != 0;
}

// A Windows program has at most one console.
inline bool same_terminal(int first, int second) noexcept {
  return is_terminal(first) && is_terminal(second);
}

enum class direction { in, out };

// Windows' descriptors do not say that they are busy; nothing is waited on.
inline bool waited_until_ready(int /*descriptor*/, direction /*way*/) noexcept { return false; }

inline std::size_t typed_bytes_waiting(int /*descriptor*/) noexcept { return 0; }

}  // namespace console_calls
