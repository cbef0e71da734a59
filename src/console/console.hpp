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
// Input that starts with a byte-order mark is read by it: a UTF-8 mark is
// dropped, UTF-16 in either byte order (Windows PowerShell 5.1 writes it) is
// read as UTF-8. Their buffers are on the heap: the program runs on a small
// stack. The system calls of each platform are in console_posix.hpp and
// console_windows.hpp.
#pragma once

#include <memory>
#include <optional>
#include <streambuf>
#include <string>

#include "console_link.hpp"
#include "unicode.hpp"

inline constexpr int standard_input = 0;
inline constexpr int standard_output = 1;
inline constexpr int standard_error = 2;

// Memory from malloc, which says that there is none by a null pointer: the
// C++ runtime throws, and would abort where it lacks the memory for the throw.
struct free_memory {
  void operator()(char* memory) const noexcept;
};
using memory_block = std::unique_ptr<char[], free_memory>;

class descriptor_buffer : public std::streambuf {
 public:
  explicit descriptor_buffer(int descriptor) noexcept : descriptor_(descriptor) {}
  // The system's error number of the failed read or write; 0 while none failed.
  [[nodiscard]] int error() const noexcept { return error_; }
  [[nodiscard]] int descriptor() const noexcept { return descriptor_; }
  // Whether the buffer's memory could be had; a buffer without it is not to be used.
  [[nodiscard]] virtual bool has_memory() const noexcept = 0;

 protected:
  int descriptor_;
  int error_ = 0;
};

class descriptor_input final : public descriptor_buffer {
 public:
  explicit descriptor_input(int descriptor) noexcept;
  [[nodiscard]] bool has_memory() const noexcept override { return text_ != nullptr; }

  // Whether typed lines are read from a terminal (in canonical mode), which
  // echoes them as they are typed.
  [[nodiscard]] bool reads_typed_lines() const noexcept { return reads_typed_lines_; }

  // Whether the last read from a terminal ended without a line end (text, then
  // Ctrl-D), leaving the cursor after the echoed text; true once per such read.
  // The text so sent ends its last entry, as the line broke there on the screen.
  bool take_unended_typed_line() noexcept;

  // Marks the moment before a prompt is shown. typed_line_ended() then tells
  // whether a line has been typed since and ended with Enter, so that its
  // echo left the cursor at the start of a line; lines typed ahead, already
  // waiting at the mark, were echoed before the prompt, and a terminal that
  // does not echo leaves the cursor after the prompt.
  void mark_prompt() noexcept;
  [[nodiscard]] bool typed_line_ended() const noexcept { return typed_line_ended_; }

 protected:
  int_type underflow() override;

 private:
  enum class encoding { undecided, utf8, utf16 };
  static constexpr std::size_t read_size = 1 << 16;

  // One read into `to`: the bytes read, 0 at the end of input, -1 on failure.
  long long read_bytes(char* to, std::size_t size);
  // Text from one read, in the text buffer; 0 bytes where the read gave
  // nothing to show yet (half a UTF-16 unit, part of a byte-order mark).
  std::size_t read_text(long long& got);
  std::size_t decide_encoding(std::size_t size);

  // The text handed to the reader. Two bytes of UTF-16 give at most three of
  // UTF-8, and a read cut off by Ctrl-D gets a line end.
  static constexpr std::size_t text_size = read_size / 2 * 3 + 8;
  memory_block text_;
  memory_block utf16_bytes_;  // only for UTF-16 input
  std::optional<utf16_bytes_to_utf8> from_utf16_;
  std::string converted_;
  encoding encoding_ = encoding::undecided;
  std::size_t held_ = 0;  // bytes at the start of text_ that may begin a byte-order mark
  bool reads_typed_lines_;
  bool echoes_typing_;  // the terminal shows a typed line's end (not after stty -echo)
  bool ended_ = false;
  bool unended_typed_line_ = false;
  bool watching_typing_ = false;
  std::size_t typed_ahead_ = 0;  // bytes of lines typed before the prompt, not read yet
  bool typed_line_ended_ = false;
};

class descriptor_output final : public descriptor_buffer {
 public:
  explicit descriptor_output(int descriptor) noexcept;
  [[nodiscard]] bool has_memory() const noexcept override { return buffer_ != nullptr; }
  descriptor_output(const descriptor_output&) = delete;
  descriptor_output& operator=(const descriptor_output&) = delete;
  ~descriptor_output() override;

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  // Writes what the buffer holds but its last `kept` bytes, which move to its start.
  int write_all_but(std::size_t kept);

  static constexpr std::size_t buffer_size = 1 << 12;
  memory_block buffer_;
};

// The console as the dialogue sees it: the three descriptor buffers, and
// the terminal that they may read from and write to.
class standard_console final : public console_link {
 public:
  standard_console(descriptor_input& input, descriptor_output& output,
                   descriptor_output& errors) noexcept;

  [[nodiscard]] echo_stream typing_echoed_on() const noexcept override { return echoed_on_; }
  [[nodiscard]] bool output_is_terminal() const noexcept override { return output_is_terminal_; }
  void mark_prompt() noexcept override { input_.mark_prompt(); }
  [[nodiscard]] bool typed_line_ended() const noexcept override {
    return input_.typed_line_ended();
  }
  bool take_unended_typed_line() noexcept override { return input_.take_unended_typed_line(); }
  [[nodiscard]] int input_error() const noexcept override { return input_.error(); }
  [[nodiscard]] int output_error() const noexcept override { return output_.error(); }

 private:
  descriptor_input& input_;
  descriptor_output& output_;
  echo_stream echoed_on_;
  bool output_is_terminal_;
};

// Says "Cannot allocate memory." on standard error, without allocating, and
// gives the exit status 1: what the program does when it cannot get memory.
int report_out_of_memory() noexcept;
