// Reading one hand-in into runs, by the grammar below, with the lines that could not be read.
//
// The grammar of a hand-in, line by line, once class_channels has undone
// what the channels did to it. Blanks around a line never matter.
//
//   start    "Run started 2026-12-09 14:03:07 +01:00"    starts a run (the page's Copy and Save)
//   title    "Roll a die many times to determine ..."    starts a run, but right after a start line
//   intro    the parameters' three lines                  known; starts a run outside one
//   message  "Not a whole number: ...", "Out of range: ..."  known; starts a run outside one
//   prompt   "Enter the sample size (0 to quit): " ENTRIES
//            its entries wait, read as the program reads them; starts a run
//            outside a transcript, or after a transcript's quitting entry
//   entries  sizes alone (an optional sign, digits; blanks between), in a
//            transcript: typed ahead while the die rolled, or a prompt's line
//            wrapped; they wait like a prompt's
//   mean     "The sample mean = " MEAN                    the mean of the oldest waiting size
//   record   SIZE MEAN [Z]                                a record sheet's sample (SIZE perhaps
//            grouped in threes, MEAN with a point or a comma, Z this sample's z);
//            starts a record run outside one
//   name     a line just before a start or title line, a record line (or
//            one gone wrong), or a prompt or intro line where no transcript
//            is open (or it has quit), that holds none of the program's
//            words, no decimal number and no record gone wrong; it names the
//            run that follows
//   blank    nothing
//
// Everything else is listed with the reason that says what to fix, and so is
// what a line's kind cannot be: a mean without a size, a mean no die gives
// or its size cannot give, a record behind a list's number, a record with a
// third number that is not its z, or with more columns; a run with no
// samples is listed too, and not counted.
#pragma once

#include <string_view>
#include <vector>

#include "class_channels.hpp"
#include "class_tally.hpp"

// The runs and unreadable lines of a hand-in's repaired lines; its runs are
// labelled by `name` where no name line names them.
hand_in_reading read_lines(const std::vector<repaired_line>& lines, std::string_view name);
