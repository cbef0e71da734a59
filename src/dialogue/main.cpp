// Entry point of the console program: the experiment on the standard streams.
#include "console.hpp"
#include "dialogue.hpp"

int main() {
  descriptor_input input(standard_input);
  descriptor_output output(standard_output);
  descriptor_output errors(standard_error);
  return run_experiment(input, output, errors);
}
