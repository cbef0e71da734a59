// The console dialogue: the introduction, then prompt, read, sample and report.
#include "dialogue.hpp"

#include <chrono>
#include <exception>
#include <istream>
#include <new>
#include <ostream>
#include <system_error>

#include "dialogue_lines.hpp"
#include "die.hpp"
#include "size_input.hpp"

namespace {

void introduce(std::ostream& out) {
  out << title_line << std::endl << std::endl;
  out << parameters_line << std::endl;
  out << mu_line_start << fair_mean << std::endl;
  out << sigma_line_start << fair_sigma() << std::endl << std::endl;
}

void explain_rejected(std::ostream& err, const size_reading& reading) {
  if (reading.status == size_status::not_a_number) {
    err << not_a_number_start << reading.shown << not_a_number_end << std::endl;
  } else {
    err << out_of_range_start << reading.shown << out_of_range_end << std::endl;
  }
}

// "Cannot read standard input: Is a directory." in the system's words, where
// the console knows them; never a library's own wording.
int report_failure(std::ostream& err, const char* what, int error) {
  err << what;
  if (error != 0) err << ": " << std::generic_category().message(error);
  err << '.' << std::endl;
  return 1;
}

// The next entry; `failed` when the input could not be read.
size_reading read_entry(std::istream& in, const console_link* console, bool& failed) {
  size_reading reading{size_status::end_of_input, 0, {}};
  failed = false;
  try {
    reading = read_size(*in.rdbuf());
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    failed = true;  // a library's buffer that throws where the console's would fail
  }
  failed = failed || (console != nullptr && console->input_error() != 0);
  return reading;
}

// After an entry was read from a terminal: text ended by Ctrl-D leaves the
// cursor right after the echoed text, so what follows starts a line of its
// own on `screen`, the stream that writes to that terminal. Returns whether
// the line of the prompt on `out` is ended, by the user's Enter or here.
bool end_typed_line(console_link& console, std::ostream& out, std::ostream* screen) {
  const bool prompt_line_ended = screen == &out && console.typed_line_ended();
  if (!console.take_unended_typed_line() || screen == nullptr) return prompt_line_ended;
  *screen << std::endl;
  return prompt_line_ended || screen == &out;
}

int input_error(const console_link* console) {
  return console == nullptr ? 0 : console->input_error();
}
int output_error(const console_link* console) {
  return console == nullptr ? 0 : console->output_error();
}

// The end of the run: on a terminal at the start of a line (elsewhere nothing
// is added), and a failure said.
int end_run(std::ostream& out, std::ostream& err, const console_link* console,
            bool prompt_line_ended, bool read_failed) {
  if (console != nullptr && console->output_is_terminal() && !prompt_line_ended) out << std::endl;
  if (read_failed) return report_failure(err, "Cannot read standard input", input_error(console));
  if (!out) return report_failure(err, "Cannot write standard output", output_error(console));
  return 0;
}

std::ostream* screen_of(const console_link* console, std::ostream& out, std::ostream& err) {
  if (console == nullptr) return nullptr;
  switch (console->typing_echoed_on()) {
    case echo_stream::output:
      return &out;
    case echo_stream::errors:
      return &err;
    case echo_stream::none:
      break;
  }
  return nullptr;
}

}  // namespace

std::uint32_t seed_of(std::chrono::system_clock::time_point time) {
  // The floor, not the cast's truncation toward zero: every second before 1970
  // starts a run of its own too.
  const auto seconds = std::chrono::floor<std::chrono::seconds>(time.time_since_epoch());
  return static_cast<std::uint32_t>(seconds.count());
}

int run_dialogue(std::istream& in, std::ostream& out, std::ostream& err, const sampler& sample,
                 console_link* console) {
  introduce(out);
  if (in.rdbuf() == nullptr) return 0;
  std::ostream* const screen = screen_of(console, out, err);
  for (;;) {
    // The size is read from the stream buffer, past the tie that would flush
    // the prompt, so it is flushed here: it must show before the wait.
    if (console != nullptr) console->mark_prompt();
    out << size_prompt << std::flush;
    // Nobody sees the means any more (a closed pipe, a full disk): going on
    // would only roll dice for nothing, perhaps for ever on endless input.
    if (!out) return report_failure(err, "Cannot write standard output", output_error(console));

    bool read_failed = false;
    const size_reading reading = read_entry(in, console, read_failed);
    const bool prompt_line_ended = console != nullptr && end_typed_line(*console, out, screen);
    const bool quits = reading.status == size_status::read && reading.size <= 0;
    if (read_failed || reading.status == size_status::end_of_input || quits) {
      return end_run(out, err, console, prompt_line_ended, read_failed);
    }
    if (reading.status == size_status::read) {
      out << mean_line_start << sample(reading.size) << std::endl << std::endl;
    } else {
      explain_rejected(err, reading);
    }
  }
}

int run_experiment(std::streambuf& input, std::streambuf& output, std::streambuf& errors,
                   std::chrono::system_clock::time_point started, console_link* console) {
  seed_draws(seed_of(started));
  std::istream in(&input);
  std::ostream out(&output);
  std::ostream err(&errors);
  return run_dialogue(in, out, err, sample_mean, console);
}
