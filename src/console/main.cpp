// Entry point of the console program: the experiment on the standard streams.
#include <chrono>
#include <new>

#include "console.hpp"
#include "dialogue.hpp"

int main() {
  try {
    descriptor_input input(standard_input);
    descriptor_output output(standard_output);
    descriptor_output errors(standard_error);
    if (!input.has_memory() || !output.has_memory() || !errors.has_memory()) {
      return report_out_of_memory();
    }
    standard_console console(input, output, errors);
    return run_experiment(input, output, errors, std::chrono::system_clock::now(), &console);
  } catch (const std::bad_alloc&) {
    return report_out_of_memory();
  }
}
