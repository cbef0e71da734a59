// The console dialogue: the introduction, then prompt, read, sample and report
// until the user enters a size of 0 or less.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <streambuf>

#include "console_link.hpp"

// Turns a sample size (1 or more) into a sample mean; sample_mean in the program.
using sampler = std::function<double(std::int32_t size)>;

// The seed of a run started at `time`: the floor of its seconds since the
// epoch, cut to the low 32 bits.
std::uint32_t seed_of(std::chrono::system_clock::time_point time);

// Runs the whole dialogue and returns the exit status: 0 when the user quits
// or the input ends, 1 when `in` cannot be read or `out` written (said on
// `err`, in the system's words where `console` knows them). Entries that are
// not a usable size are explained on `err` before the prompt is shown again.
// With a console on a terminal, the run ends at the start of a line.
int run_dialogue(std::istream& in, std::ostream& out, std::ostream& err, const sampler& sample,
                 console_link* console = nullptr);

// The whole run, as every front-end's main starts it: the die seeded from the
// run's start, then the dialogue on the three buffers, rolling with
// sample_mean. A front-end that shows when the run started passes the same
// time that seeds it.
int run_experiment(std::streambuf& input, std::streambuf& output, std::streambuf& errors,
                   std::chrono::system_clock::time_point started, console_link* console = nullptr);
