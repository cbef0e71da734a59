// Entry point of the browser page: the experiment on the page's entry field and transcript.
//
// The program runs in a Web Worker (src/page/worker.js), so that rolling the
// largest sample never stops the page. Reading waits for the page to hand over
// a line that the user entered; Asyncify turns that wait into an awaited
// promise, since a worker of a page opened from a file cannot block on one.
#include <emscripten.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <ctime>
#include <streambuf>
#include <string>
#include <string_view>

#include "dialogue.hpp"
#include "run_start.hpp"
#include "shown_entry.hpp"

// At most `size` bytes of the lines the user entered, waiting for the next line
// when none is left; the page's input never ends.
EM_ASYNC_JS(int, take_entered_bytes, (char* into, int size), {
  const bytes = await Module.takeEnteredBytes(size);
  HEAPU8.set(bytes, into);
  return bytes.length;
});

// Text for the transcript: `stream` 1 is the program's output, 2 its messages,
// 3 the echo of a line entered.
EM_JS(void, show_text, (int stream, const char* text, int size),
      { Module.showText(stream, HEAPU8.slice(text, text + size)); });

// The line that names the run by the second its die was seeded from, and the
// same time as the saved transcript's name takes it.
EM_JS(void, show_run_start, (const char* line, int size, const char* stamp, int stamp_size), {
  Module.showRunStart(HEAPU8.slice(line, line + size), HEAPU8.slice(stamp, stamp + stamp_size));
});

EM_JS(void, end_run, (int status), { Module.endRun(status); });

namespace {

// A whole line at a time, echoed after its prompt as the program reads it, as
// a terminal shows it, with the messages' escapes: a typed U+202E would
// otherwise turn the transcript's line around.
class page_input final : public std::streambuf {
 protected:
  int_type underflow() override {
    line_.clear();
    while (line_.empty() || line_.back() != '\n') {
      const int got = take_entered_bytes(piece_.data(), static_cast<int>(piece_.size()));
      if (got <= 0) break;
      line_.append(piece_.data(), static_cast<std::size_t>(got));
    }
    if (line_.empty()) return traits_type::eof();
    const bool ended = line_.back() == '\n';
    const std::string echo =
        shown_text(std::string_view(line_).substr(0, line_.size() - (ended ? 1 : 0))) + "\n";
    show_text(3, echo.data(), static_cast<int>(echo.size()));
    setg(line_.data(), line_.data(), line_.data() + line_.size());
    return traits_type::to_int_type(line_[0]);
  }

 private:
  std::array<char, 4096> piece_{};
  std::string line_;
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
  const auto started = std::chrono::system_clock::now();
  const std::time_t second =
      std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(started));
  std::tm local{};
  localtime_r(&second, &local);  // the browser's time zone
  const std::string line = run_start_line(second, local.tm_gmtoff);
  const std::string stamp = run_start_stamp(second, local.tm_gmtoff);
  show_run_start(line.data(), static_cast<int>(line.size()), stamp.data(),
                 static_cast<int>(stamp.size()));
  const int status = run_experiment(input, output, errors, started);
  end_run(status);
  return status;
}
