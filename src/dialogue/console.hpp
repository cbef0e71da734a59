// The standard streams, read and written through their file descriptors.
//
// The standard library's own buffers for these differ where it matters here:
// on a read error libstdc++ throws with its internal wording and libc++ takes
// the error for the end of input; neither waits on a non-blocking descriptor.
// These buffers keep the system's error number, tell a read error from the end
// of input by the system call's result, and wait until a non-blocking
// descriptor is ready where the system can wait (poll). The end of input is
// final: a terminal gives it as one read of nothing (Ctrl-D) and would block
// on the next read, so the input buffer never reads again once it has seen it.
// Their buffers are on the heap: the program runs on a small stack.
#pragma once

#include <iosfwd>
#include <memory>
#include <streambuf>

inline constexpr int standard_input = 0;
inline constexpr int standard_output = 1;
inline constexpr int standard_error = 2;

class descriptor_buffer : public std::streambuf {
 public:
  explicit descriptor_buffer(int descriptor) noexcept : descriptor_(descriptor) {}
  // The system's error number of the failed read or write; 0 while none failed.
  [[nodiscard]] int error() const noexcept { return error_; }
  [[nodiscard]] int descriptor() const noexcept { return descriptor_; }

 protected:
  int descriptor_;
  int error_ = 0;
};

class descriptor_input final : public descriptor_buffer {
 public:
  explicit descriptor_input(int descriptor);

  // Whether the last read from a terminal ended without a line end (text, then
  // Ctrl-D), leaving the cursor after the echoed text; true once per such read.
  bool take_unended_typed_line() noexcept;

 protected:
  int_type underflow() override;

 private:
  static constexpr std::size_t buffer_size = 1 << 16;
  std::unique_ptr<char[]> buffer_;
  bool reads_terminal_;
  bool ended_ = false;
  bool unended_typed_line_ = false;
};

class descriptor_output final : public descriptor_buffer {
 public:
  explicit descriptor_output(int descriptor);
  descriptor_output(const descriptor_output&) = delete;
  descriptor_output& operator=(const descriptor_output&) = delete;
  ~descriptor_output() override;

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  static constexpr std::size_t buffer_size = 1 << 12;
  std::unique_ptr<char[]> buffer_;
};

// The system's error number of the failed read or write of `stream`'s buffer,
// when that buffer is a descriptor_buffer; 0 otherwise.
int stream_error(const std::ios& stream) noexcept;

// Whether `stream` writes to a terminal through a descriptor_buffer.
bool writes_to_terminal(const std::ostream& stream) noexcept;

// descriptor_input::take_unended_typed_line, when `stream`'s buffer is one; false otherwise.
bool take_unended_typed_line(std::istream& stream) noexcept;
