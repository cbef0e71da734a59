// The console dialogue: the introduction, then prompt, read, sample and report.
#include "dialogue.hpp"

#include <chrono>
#include <cmath>
#include <exception>
#include <istream>
#include <ostream>

#include "size_input.hpp"

namespace {

constexpr double fair_mean = 3.5;
constexpr double fair_variance = 35.0 / 12.0;
constexpr const char* prompt = "Enter the sample size (0 to quit): ";

void explain_rejected(std::ostream& err, const size_reading& reading) {
  if (reading.status == size_status::not_a_number) {
    err << "Not a whole number: \"" << reading.typed
        << "\". Enter a sample size such as 100, or 0 to quit." << std::endl;
  } else {
    err << "Out of range: \"" << reading.typed
        << "\". Enter a whole number from -2147483648 to 2147483647; 0 or less quits." << std::endl;
  }
}

}  // namespace

std::uint32_t clock_seed() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::seconds>(now).count());
}

int run_dialogue(std::istream& in, std::ostream& out, std::ostream& err, const sampler& sample) {
  out << "Roll a die many times to determine whether it is a fair die" << std::endl << std::endl;
  out << "The population parameters of a fair die are" << std::endl;
  out << "mu = " << fair_mean << std::endl;
  const double sigma = std::sqrt(fair_variance);
  out << "sigma = " << sigma << std::endl << std::endl;

  std::streambuf* input = in.rdbuf();
  if (input == nullptr) return 0;
  for (;;) {
    // The size is read from the stream buffer, past the tie that would flush
    // the prompt, so it is flushed here: it must show before the wait.
    out << prompt << std::flush;
    if (!out) {
      // Nobody sees the means any more (a closed pipe, a full disk): going on
      // would only roll dice for nothing, perhaps for ever on endless input.
      err << "Cannot write standard output: the dialogue ends." << std::endl;
      return 1;
    }
    size_reading reading;
    try {
      reading = read_size(*input);
    } catch (const std::exception& failure) {
      // A stream buffer may throw where a stream would set badbit: standard
      // input closed, say. Nothing more can be read, and that is no success.
      err << "Cannot read standard input: " << failure.what() << std::endl;
      return 1;
    }
    switch (reading.status) {
      case size_status::end_of_input:
        return 0;
      case size_status::not_a_number:
      case size_status::out_of_range:
        explain_rejected(err, reading);
        break;
      case size_status::read:
        if (reading.size <= 0) return 0;
        out << "The sample mean = " << sample(reading.size) << std::endl << std::endl;
        break;
    }
  }
}
