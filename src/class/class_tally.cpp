// The tally's pipeline, in one place: each hand-in repaired and read, then the class's repeats and figures.
#include "class_tally.hpp"

#include "class_channels.hpp"
#include "class_figures.hpp"
#include "class_reading.hpp"

hand_in_reading read_hand_in(const hand_in& given) { return read_lines(repaired_lines(given.text), given.name); }

class_tally tally_readings(const std::vector<hand_in_reading>& readings) {
  class_tally tally{};
  tally.hand_ins = readings.size();
  for (std::size_t index = 0; index < readings.size(); ++index) {
    for (class_run run : readings[index].runs) {
      run.hand_in = index;
      tally.runs.push_back(std::move(run));
    }
    for (unreadable_line line : readings[index].unreadable) {
      line.hand_in = index;
      tally.unreadable.push_back(std::move(line));
    }
  }
  find_repeats(tally);
  compute_figures(tally);
  return tally;
}

class_tally tally_class(const std::vector<hand_in>& hand_ins) {
  std::vector<hand_in_reading> readings;
  readings.reserve(hand_ins.size());
  for (const hand_in& given : hand_ins) readings.push_back(read_hand_in(given));
  return tally_readings(readings);
}

class_tally tally_class(std::string_view text) { return tally_class({hand_in{"", "", std::string(text)}}); }
