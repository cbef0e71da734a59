// Entry point: seeds the die from the clock and hands the console to the dialogue.
#include <istream>
#include <ostream>

#include "console.hpp"
#include "dialogue.hpp"
#include "die.hpp"

int main() {
  seed_draws(clock_seed());
  descriptor_input input(standard_input);
  descriptor_output output(standard_output);
  descriptor_output errors(standard_error);
  std::istream in(&input);
  std::ostream out(&output);
  std::ostream err(&errors);
  return run_dialogue(in, out, err, sample_mean);
}
