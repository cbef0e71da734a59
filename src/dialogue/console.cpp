// The standard streams, read and written through their file descriptors.
#include "console.hpp"

#include <cerrno>
#include <cstddef>
#include <ios>
#include <istream>
#include <ostream>
#include <utility>

// The one place where platforms differ: the calls that read, write, wait and
// ask for a terminal.
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif
#if defined(__EMSCRIPTEN__)
#include <emscripten.h>
// Emscripten's isatty answers yes for every descriptor; where the console
// program runs, under Node, Node knows.
EM_JS(int, node_is_terminal, (int descriptor), { return require("tty").isatty(descriptor) ? 1 : 0; });
#endif
#if __has_include(<poll.h>)
#include <poll.h>
#endif

namespace {

constexpr std::size_t largest_transfer = 1 << 16;

long long read_some(int descriptor, char* to, std::size_t size) noexcept {
#if defined(_WIN32)
  return _read(descriptor, to, static_cast<unsigned>(size));
#else
  return ::read(descriptor, to, size);
#endif
}

long long write_some(int descriptor, const char* from, std::size_t size) noexcept {
#if defined(_WIN32)
  return _write(descriptor, from, static_cast<unsigned>(size));
#else
  return ::write(descriptor, from, size);
#endif
}

bool is_terminal(int descriptor) noexcept {
#if defined(_WIN32)
  return _isatty(descriptor) != 0;
#elif defined(__EMSCRIPTEN__)
  return node_is_terminal(descriptor) != 0;
#else
  return ::isatty(descriptor) != 0;
#endif
}

enum class direction { in, out };

// A non-blocking descriptor that has nothing to give, or no room, is waited
// on; where the system cannot wait, that is a failure like any other.
bool waited_until_ready(int descriptor, direction way) noexcept {
#if __has_include(<poll.h>)
  pollfd ready{descriptor, static_cast<short>(way == direction::in ? POLLIN : POLLOUT), 0};
  for (;;) {
    if (::poll(&ready, 1, -1) >= 0) return true;
    if (errno != EINTR) return false;
  }
#else
  (void)descriptor;
  (void)way;
  return false;
#endif
}

bool is_busy(int error) noexcept { return error == EAGAIN || error == EWOULDBLOCK; }

}  // namespace

descriptor_input::descriptor_input(int descriptor)
    : descriptor_buffer(descriptor),
      buffer_(std::make_unique<char[]>(buffer_size)),
      reads_terminal_(is_terminal(descriptor)) {}

bool descriptor_input::take_unended_typed_line() noexcept {
  return std::exchange(unended_typed_line_, false);
}

descriptor_input::int_type descriptor_input::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  // Neither a failed descriptor nor an ended one is read again.
  while (error_ == 0 && !ended_) {
    const long long got = read_some(descriptor_, buffer_.get(), buffer_size);
    if (got > 0) {
      setg(buffer_.get(), buffer_.get(), buffer_.get() + got);
      const char last = buffer_[static_cast<std::size_t>(got - 1)];
      unended_typed_line_ = reads_terminal_ && last != '\n' && last != '\r';
      return traits_type::to_int_type(buffer_[0]);
    }
    if (got == 0) {
      ended_ = true;  // the true end of input
      break;
    }
    const int error = errno;
    if (error == EINTR) continue;
    if (is_busy(error) && waited_until_ready(descriptor_, direction::in)) continue;
    error_ = error;
  }
  return traits_type::eof();
}

descriptor_output::descriptor_output(int descriptor)
    : descriptor_buffer(descriptor), buffer_(std::make_unique<char[]>(buffer_size)) {
  setp(buffer_.get(), buffer_.get() + buffer_size);
}

descriptor_output::~descriptor_output() { descriptor_output::sync(); }

int descriptor_output::sync() {
  const char* next = pbase();
  while (error_ == 0 && next < pptr()) {
    const auto size = static_cast<std::size_t>(pptr() - next);
    const long long put =
        write_some(descriptor_, next, size < largest_transfer ? size : largest_transfer);
    if (put > 0) {
      next += put;
      continue;
    }
    const int error = put == 0 ? EIO : errno;
    if (error == EINTR) continue;
    if (is_busy(error) && waited_until_ready(descriptor_, direction::out)) continue;
    error_ = error;
  }
  setp(buffer_.get(), buffer_.get() + buffer_size);
  return error_ == 0 ? 0 : -1;
}

descriptor_output::int_type descriptor_output::overflow(int_type c) {
  if (sync() != 0) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int stream_error(const std::ios& stream) noexcept {
  const auto* buffer = dynamic_cast<const descriptor_buffer*>(stream.rdbuf());
  return buffer == nullptr ? 0 : buffer->error();
}

bool writes_to_terminal(const std::ostream& stream) noexcept {
  const auto* buffer = dynamic_cast<const descriptor_buffer*>(stream.rdbuf());
  return buffer != nullptr && is_terminal(buffer->descriptor());
}

bool take_unended_typed_line(std::istream& stream) noexcept {
  auto* buffer = dynamic_cast<descriptor_input*>(stream.rdbuf());
  return buffer != nullptr && buffer->take_unended_typed_line();
}
