// Counting faces straight from the lanes, whole rounds of draws at a time.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "draw_lanes.hpp"
#include "faces.hpp"

// Steps the lanes `rounds` times and returns the sum of (face - 1) over the
// rounds' draws, exactly as roll_die would give it draw by draw.
using face_counter = std::uint64_t (*)(xoshiro_lanes& lanes, std::uint64_t rounds) noexcept;

// The vector counters add each word's (face - 1), at most 5, to a 16-bit
// counter of its own; two vectors' counters are added together and emptied
// into 64 bits after every block of rounds, before they can overflow.
inline constexpr std::uint64_t rounds_per_block = 4096;
static_assert(2 * rounds_per_block * (face_count - 1) <= std::numeric_limits<std::uint16_t>::max(),
              "the 16-bit counters would overflow within a block");

struct named_face_counter {
  std::string_view name;
  face_counter count;
};

// The fastest counter that this processor can run, chosen once, without allocating.
face_counter best_face_counter() noexcept;

// Every counter that this processor can run, slowest first: the portable one,
// then one for each instruction set that the processor has.
std::vector<named_face_counter> runnable_face_counters();

// The counters' arithmetic in every shape that they take, each compiled for
// any processor: the plain definition, and the vector code at each width.
std::vector<named_face_counter> face_counter_shapes();
