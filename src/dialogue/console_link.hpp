// What the dialogue needs of a console beyond its three streams.
//
// On a terminal a person's typing is echoed as it is typed, and a run must end
// at the start of a line: the dialogue asks the console where the echo shows,
// whether the line typed after a prompt was ended by Enter, and whether text
// was sent by Ctrl-D without one. It asks, too, for the system's error number
// of a failed read or write, so that a failure is told in the system's words.
// The console program implements this; string streams and the page have no
// terminal and pass none.
#pragma once

// Which of the program's streams writes to the terminal that shows the typing:
// standard output, or standard error when the output goes to a file or pipe.
enum class echo_stream { none, output, errors };

class console_link {
 public:
  console_link() = default;
  console_link(const console_link&) = delete;
  console_link& operator=(const console_link&) = delete;
  virtual ~console_link() = default;

  [[nodiscard]] virtual echo_stream typing_echoed_on() const noexcept = 0;
  [[nodiscard]] virtual bool output_is_terminal() const noexcept = 0;

  // Marks the moment before a prompt is shown; typed_line_ended() then tells
  // whether a line has been typed since and ended with Enter, so that its echo
  // left the cursor at the start of a line.
  virtual void mark_prompt() noexcept = 0;
  [[nodiscard]] virtual bool typed_line_ended() const noexcept = 0;

  // Whether the last read ended a typed line without a line end (text, then
  // Ctrl-D), leaving the cursor after the echoed text; true once per such read.
  virtual bool take_unended_typed_line() noexcept = 0;

  // The system's error numbers of the failed read or write; 0 while none failed.
  [[nodiscard]] virtual int input_error() const noexcept = 0;
  [[nodiscard]] virtual int output_error() const noexcept = 0;
};
