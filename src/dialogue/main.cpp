// Entry point: seeds the die from the clock and hands the console to the dialogue.
#include <iostream>

#include "dialogue.hpp"
#include "die.hpp"

int main() {
  seed_draws(clock_seed());
  std::ios::sync_with_stdio(false);  // buffered reading: a long line comes in blocks, not bytes
  return run_dialogue(std::cin, std::cout, std::cerr, sample_mean);
}
