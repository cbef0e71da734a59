// Writes the draw source's 15-bit draws for a seed as a raw bit stream, for
// statistical test suites such as dieharder: draw_dump SEED [DRAWS].
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "draw_source.hpp"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr,
                 "usage: draw_dump SEED [DRAWS]  (without DRAWS: until the reader stops)\n");
    return 2;
  }
  seed_draws(static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)));
  const bool endless = argc == 2;
  unsigned long long left = endless ? 0 : std::strtoull(argv[2], nullptr, 10);

  // The 15 bits of each draw follow on from the last, so every byte written
  // is eight uniform bits: no padding bits for the tests to find.
  std::vector<unsigned char> buffer;
  buffer.reserve(1 << 16);
  std::uint64_t bits = 0;
  int bit_count = 0;
  while (endless || left > 0) {
    bits = bits << 15 | static_cast<std::uint64_t>(next_draw());
    bit_count += 15;
    while (bit_count >= 8) {
      bit_count -= 8;
      buffer.push_back(static_cast<unsigned char>(bits >> bit_count));
    }
    if (!endless) --left;
    if (buffer.size() >= (1 << 16) - 8 || (!endless && left == 0)) {
      if (std::fwrite(buffer.data(), 1, buffer.size(), stdout) != buffer.size()) return 0;
      buffer.clear();
    }
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
