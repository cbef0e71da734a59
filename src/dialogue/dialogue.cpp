// The console dialogue: the introduction, then prompt, read, sample and report.
#include "dialogue.hpp"

#include <chrono>
#include <cmath>
#include <exception>
#include <new>
#include <istream>
#include <ostream>
#include <system_error>

#include "console.hpp"
#include "dialogue_lines.hpp"
#include "die.hpp"
#include "size_input.hpp"

namespace {


void explain_rejected(std::ostream& err, const size_reading& reading) {
  if (reading.status == size_status::not_a_number) {
    err << not_a_number_start << reading.shown
        << "\". Enter a sample size such as 100, or 0 to quit." << std::endl;
  } else {
    err << out_of_range_start << reading.shown
        << "\". Enter a whole number from -2147483648 to 2147483647; 0 or less quits." << std::endl;
  }
}

// "Cannot read standard input: Is a directory." in the system's words, where
// the stream's buffer knows them; never a library's own wording.
int report_failure(std::ostream& err, const char* what, const std::ios& stream) {
  err << what;
  if (const int error = stream_error(stream); error != 0) {
    err << ": " << std::generic_category().message(error);
  }
  err << '.' << std::endl;
  return 1;
}

// The next entry; `failed` when the input could not be read.
size_reading read_entry(std::istream& in, bool& failed) {
  size_reading reading{size_status::end_of_input, 0, {}};
  failed = false;
  try {
    reading = read_size(*in.rdbuf());
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    failed = true;  // a library's buffer that throws where this one would fail
  }
  failed = failed || stream_error(in) != 0;
  return reading;
}

// After an entry was read from a terminal: text ended by Ctrl-D leaves the
// cursor right after the echoed text, so what follows starts a line of its
// own on `screen`, the stream that writes to that terminal. Returns whether
// the line of the prompt on `out` is ended, by the user's Enter or here.
bool end_typed_line(std::istream& in, std::ostream& out, std::ostream* screen) {
  const bool prompt_line_ended = screen == &out && typed_line_ended(in);
  if (!take_unended_typed_line(in) || screen == nullptr) return prompt_line_ended;
  *screen << std::endl;
  return prompt_line_ended || screen == &out;
}

}  // namespace

std::uint32_t seed_of(std::chrono::system_clock::time_point time) {
  // The floor, not the cast's truncation toward zero: every second before 1970
  // starts a run of its own too.
  const auto seconds = std::chrono::floor<std::chrono::seconds>(time.time_since_epoch());
  return static_cast<std::uint32_t>(seconds.count());
}

int run_dialogue(std::istream& in, std::ostream& out, std::ostream& err, const sampler& sample) {
  out << title_line << std::endl << std::endl;
  out << parameters_line << std::endl;
  out << mu_line_start << fair_mean << std::endl;
  const double sigma = std::sqrt(fair_variance);
  out << sigma_line_start << sigma << std::endl << std::endl;

  if (in.rdbuf() == nullptr) return 0;
  // The terminal that shows what the user types, if the program writes to it:
  // through standard output, or through standard error when the output goes
  // to a file or a pipe.
  std::ostream* const screen = echoes_on(in, out) ? &out : echoes_on(in, err) ? &err : nullptr;
  const bool out_on_terminal = writes_to_terminal(out);
  for (;;) {
    // The size is read from the stream buffer, past the tie that would flush
    // the prompt, so it is flushed here: it must show before the wait.
    mark_prompt(in);
    out << size_prompt << std::flush;
    // Nobody sees the means any more (a closed pipe, a full disk): going on
    // would only roll dice for nothing, perhaps for ever on endless input.
    if (!out) return report_failure(err, "Cannot write standard output", out);
    bool read_failed = false;
    const size_reading reading = read_entry(in, read_failed);
    const bool prompt_line_ended = end_typed_line(in, out, screen);
    const bool input_ended = read_failed || reading.status == size_status::end_of_input;
    if (input_ended || (reading.status == size_status::read && reading.size <= 0)) {
      // On a terminal the run ends at the start of a line; elsewhere nothing is added.
      if (out_on_terminal && !prompt_line_ended) out << std::endl;
      return read_failed ? report_failure(err, "Cannot read standard input", in) : 0;
    }
    if (reading.status != size_status::read) {
      explain_rejected(err, reading);
    } else {
      out << mean_line_start << sample(reading.size) << std::endl << std::endl;
    }
  }
}

int run_experiment(std::streambuf& input, std::streambuf& output, std::streambuf& errors,
                   std::chrono::system_clock::time_point started) {
  seed_draws(seed_of(started));
  std::istream in(&input);
  std::ostream out(&output);
  std::ostream err(&errors);
  return run_dialogue(in, out, err, sample_mean);
}
