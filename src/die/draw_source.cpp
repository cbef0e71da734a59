// The draw source: the run's one draw stream, seeded from the clock by the dialogue.
#include "draw_source.hpp"

#include "draw_stream.hpp"

draw_stream& the_draw_stream() noexcept {
  // Seeded even if seed_draws is never called: the all-zero state would give only zeros.
  static draw_stream stream{0};
  return stream;
}

void seed_draws(std::uint32_t seed) { the_draw_stream() = draw_stream{seed}; }

int next_draw() { return the_draw_stream().next_draw(); }
