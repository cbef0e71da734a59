// The console dialogue: the introduction, then prompt, read, sample and report
// until the user enters a size of 0 or less.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>

// Turns a sample size (1 or more) into a sample mean; sample_mean in the program.
using sampler = std::function<double(std::int32_t size)>;

// The seed of a run: the calendar time in whole seconds, cut to its low 32 bits.
std::uint32_t clock_seed();

// Runs the whole dialogue and returns the exit status: 0 when the user quits
// or the input ends, 1 when `in` cannot be read or `out` written (said on
// `err`, in the system's words where the streams' buffers are the console's).
// Entries that are not a usable size are explained on `err` before the prompt
// is shown again.
int run_dialogue(std::istream& in, std::ostream& out, std::ostream& err, const sampler& sample);
