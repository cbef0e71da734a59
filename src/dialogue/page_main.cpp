// Entry point of the browser page: the experiment on the page's entry field and transcript.
//
// The program runs in a Web Worker (src/page/worker.js), so that rolling the
// largest sample never stops the page. Reading waits for the page to hand over
// a line that the user entered; Asyncify turns that wait into an awaited
// promise, since a worker of a page opened from a file cannot block on one.
#include <emscripten.h>

#include <array>
#include <cstddef>
#include <streambuf>
#include <string>

#include "dialogue.hpp"

// At most `size` bytes of the lines the user entered, waiting for the next line
// when none is left; the page's input never ends.
EM_ASYNC_JS(int, take_entered_bytes, (char* into, int size), {
  const bytes = await Module.takeEnteredBytes(size);
  HEAPU8.set(bytes, into);
  return bytes.length;
});

// Text for the transcript: `stream` 1 is the program's output, 2 its messages.
EM_JS(void, show_text, (int stream, const char* text, int size), {
  Module.showText(stream, HEAPU8.slice(text, text + size));
});

EM_JS(void, end_run, (int status), { Module.endRun(status); });

namespace {

class page_input final : public std::streambuf {
 protected:
  int_type underflow() override {
    const int got = take_entered_bytes(buffer_.data(), static_cast<int>(buffer_.size()));
    setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
    return got > 0 ? traits_type::to_int_type(buffer_[0]) : traits_type::eof();
  }

 private:
  std::array<char, 4096> buffer_{};
};

// Held until the dialogue flushes, as on the console: every line ends with
// endl and the prompt is flushed before each read, so that a mean line shows
// whole once its sample is rolled.
class page_output final : public std::streambuf {
 public:
  explicit page_output(int stream) noexcept : stream_(stream) {}

 protected:
  std::streamsize xsputn(const char* text, std::streamsize size) override {
    pending_.append(text, static_cast<std::size_t>(size));
    return size;
  }
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) pending_ += traits_type::to_char_type(c);
    return traits_type::not_eof(c);
  }
  int sync() override {
    if (!pending_.empty()) show_text(stream_, pending_.data(), static_cast<int>(pending_.size()));
    pending_.clear();
    return 0;
  }

 private:
  int stream_;
  std::string pending_;
};

}  // namespace

int main() {
  page_input input;
  page_output output(1);
  page_output errors(2);
  const int status = run_experiment(input, output, errors);
  end_run(status);
  return status;
}
