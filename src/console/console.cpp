// The standard streams, read and written through their file descriptors.
#include "console.hpp"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <ios>
#include <istream>
#include <new>
#include <ostream>
#include <string_view>
#include <utility>

#if defined(_WIN32)
#include "console_windows.hpp"
#else
#include "console_posix.hpp"
#endif

namespace {

using namespace console_calls;

constexpr std::size_t largest_transfer = 1 << 16;

bool is_busy(int error) noexcept { return error == EAGAIN || error == EWOULDBLOCK; }

memory_block buffer_of(std::size_t size) noexcept {
  return memory_block(static_cast<char*>(std::malloc(size)));  // NOLINT: see free_memory
}

}  // namespace

void free_memory::operator()(char* memory) const noexcept { std::free(memory); }  // NOLINT

descriptor_input::descriptor_input(int descriptor) noexcept
    : descriptor_buffer(descriptor),
      text_(buffer_of(text_size)),
      reads_typed_lines_(console_calls::reads_typed_lines(descriptor)),
      echoes_typing_(console_calls::echoes_typing(descriptor)) {
  prepare_input(descriptor);
}

bool descriptor_input::take_unended_typed_line() noexcept {
  return std::exchange(unended_typed_line_, false);
}

void descriptor_input::mark_prompt() noexcept {
  watching_typing_ = reads_typed_lines_;
  typed_ahead_ = watching_typing_ ? typed_bytes_waiting(descriptor_) : 0;
  typed_line_ended_ = false;
}

long long descriptor_input::read_bytes(char* to, std::size_t size) {
  for (;;) {
    const long long got = read_some(descriptor_, to, size);
    if (got >= 0) return got;
    const int error = errno;
    if (error == EINTR) continue;
    if (is_busy(error) && waited_until_ready(descriptor_, direction::in)) continue;
    error_ = error;
    return -1;
  }
}

// The first bytes of the input decide how it is read: a UTF-8 byte-order mark
// is dropped, a UTF-16 one switches to UTF-16 in its byte order, and anything
// else is read as it is. Bytes that may still begin a mark are held for the
// next read.
std::size_t descriptor_input::decide_encoding(std::size_t size) {
  constexpr std::string_view utf8_mark = "\xef\xbb\xbf";
  constexpr std::string_view utf16le_mark = "\xff\xfe";
  constexpr std::string_view utf16be_mark = "\xfe\xff";
  const std::string_view start(text_.get(), size);
  for (const std::string_view mark : {utf8_mark, utf16le_mark, utf16be_mark}) {
    if (start.size() < mark.size() && mark.starts_with(start)) {
      held_ = size;
      return 0;
    }
  }
  held_ = 0;
  if (start.starts_with(utf8_mark)) {
    encoding_ = encoding::utf8;
    std::memmove(text_.get(), text_.get() + utf8_mark.size(), size - utf8_mark.size());
    return size - utf8_mark.size();
  }
  if (!start.starts_with(utf16le_mark) && !start.starts_with(utf16be_mark)) {
    encoding_ = encoding::utf8;
    return size;
  }
  encoding_ = encoding::utf16;
  from_utf16_.emplace(start.starts_with(utf16be_mark));
  utf16_bytes_ = buffer_of(read_size);
  if (utf16_bytes_ == nullptr) throw std::bad_alloc();
  converted_.clear();
  from_utf16_->convert(start.substr(2), converted_);
  std::memcpy(text_.get(), converted_.data(), converted_.size());
  return converted_.size();
}

std::size_t descriptor_input::read_text(long long& got) {
  if (encoding_ == encoding::utf16) {
    got = read_bytes(utf16_bytes_.get(), read_size);
    converted_.clear();
    if (got > 0)
      from_utf16_->convert({utf16_bytes_.get(), static_cast<std::size_t>(got)}, converted_);
    if (got == 0) from_utf16_->finish(converted_);
    std::memcpy(text_.get(), converted_.data(), converted_.size());
    return converted_.size();
  }
  got = read_bytes(text_.get() + held_, read_size - held_);
  if (got < 0) return 0;
  const std::size_t size = held_ + static_cast<std::size_t>(got);
  if (got == 0 || encoding_ == encoding::utf8) {
    held_ = 0;  // the input ended within a byte-order mark: those bytes are text
    return size;
  }
  return decide_encoding(size);
}

descriptor_input::int_type descriptor_input::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (!has_memory()) return traits_type::eof();
  // Neither a failed descriptor nor an ended one is read again.
  while (error_ == 0 && !ended_) {
    const bool typed_after_prompt = watching_typing_ && typed_ahead_ == 0;
    long long got = 0;
    std::size_t size = read_text(got);
    if (got < 0) break;
    if (got == 0) ended_ = true;  // the true end of input
    if (got > 0 && reads_typed_lines_ && encoding_ != encoding::utf16) {
      // Only a line feed moves the echo to a new line: a carriage return that
      // the terminal does not turn into one (stty -icrnl) is echoed as ^M.
      // A read that held only a byte-order mark ended no line either.
      const bool ends_typed_line = size > 0 && text_[size - 1] == '\n';
      // Text sent by Ctrl-D (a read that filled the buffer was only cut short).
      unended_typed_line_ = short_read_sends_typed_text &&
                            static_cast<std::size_t>(got) < read_size && size > 0 &&
                            !ends_typed_line;
      if (unended_typed_line_) text_[size++] = '\n';
      if (typed_after_prompt) typed_line_ended_ = ends_typed_line && echoes_typing_;
      // A read takes one typed line: one typed ahead, while such bytes are left.
      typed_ahead_ -= std::min(typed_ahead_, static_cast<std::size_t>(got));
    }
    if (size == 0) continue;
    setg(text_.get(), text_.get(), text_.get() + size);
    return traits_type::to_int_type(text_[0]);
  }
  return traits_type::eof();
}

descriptor_output::descriptor_output(int descriptor) noexcept
    : descriptor_buffer(descriptor), buffer_(buffer_of(buffer_size)) {
  if (buffer_ != nullptr) setp(buffer_.get(), buffer_.get() + buffer_size);
}

descriptor_output::~descriptor_output() { descriptor_output::sync(); }

int descriptor_output::write_all_but(std::size_t kept) {
  const char* next = pbase();
  const char* const end = pptr() - kept;
  while (error_ == 0 && next < end) {
    const auto size = static_cast<std::size_t>(end - next);
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
  if (buffer_ != nullptr) {
    std::memmove(buffer_.get(), end, kept);
    setp(buffer_.get(), buffer_.get() + buffer_size);
    pbump(static_cast<int>(kept));
  }
  return error_ == 0 ? 0 : -1;
}

int descriptor_output::sync() { return write_all_but(0); }

// A full buffer keeps a character whose bytes it holds only in part, so that
// a console, which takes whole characters, never gets it cut in two.
descriptor_output::int_type descriptor_output::overflow(int_type c) {
  if (!has_memory()) return traits_type::eof();
  const std::string_view held(pbase(), static_cast<std::size_t>(pptr() - pbase()));
  if (write_all_but(unfinished_utf8_tail(held)) != 0) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

standard_console::standard_console(descriptor_input& input, descriptor_output& output,
                                   descriptor_output& errors) noexcept
    : input_(input),
      output_(output),
      echoed_on_(!input.reads_typed_lines()                               ? echo_stream::none
                 : same_terminal(input.descriptor(), output.descriptor()) ? echo_stream::output
                 : same_terminal(input.descriptor(), errors.descriptor()) ? echo_stream::errors
                                                                          : echo_stream::none),
      output_is_terminal_(is_terminal(output.descriptor())) {}

int report_out_of_memory() noexcept {
  constexpr std::string_view message = "Cannot allocate memory.\n";
  for (std::size_t written = 0; written < message.size();) {
    const long long put =
        write_some(standard_error, message.data() + written, message.size() - written);
    if (put <= 0 && errno != EINTR) break;
    if (put > 0) written += static_cast<std::size_t>(put);
  }
  return 1;
}
