// The tally's pipeline, in one place: each hand-in repaired and read, then the class's repeats and figures.
#include "class_tally.hpp"

#include "class_channels.hpp"
#include "class_figures.hpp"
#include "class_reading.hpp"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Moodle's "_<submission number>_assignsubmission_<plugin>_" after a student's name.
std::string_view without_submission_suffix(std::string_view name) {
  constexpr std::string_view marker = "_assignsubmission_";
  const std::size_t at = name.rfind(marker);
  if (at == std::string_view::npos) return name;
  std::size_t number = at;
  while (number > 0 && is_digit(name[number - 1])) --number;
  if (number == at || number < 2 || name[number - 1] != '_') return name;  // a name must be left
  return name.substr(0, number - 1);
}

}  // namespace

std::string file_label(std::string_view path) {
  while (path.ends_with('/')) path.remove_suffix(1);
  const std::size_t slash = path.rfind('/');
  if (slash != std::string_view::npos) {
    std::string_view folder = path.substr(0, slash);
    folder = folder.substr(folder.rfind('/') == std::string_view::npos ? 0 : folder.rfind('/') + 1);
    return std::string(without_submission_suffix(folder));
  }
  const std::size_t dot = path.rfind('.');
  return std::string(without_submission_suffix(path.substr(0, dot == 0 ? path.size() : dot)));
}

hand_in_reading read_hand_in(const hand_in& given) {
  return read_lines(repaired_lines(given.text), given.name);
}

class_tally tally_readings(const std::vector<const hand_in_reading*>& readings) {
  class_tally tally{};
  tally.hand_ins = readings.size();
  for (std::size_t index = 0; index < readings.size(); ++index) {
    for (class_run run : readings[index]->runs) {
      run.hand_in = index;
      tally.runs.push_back(std::move(run));
    }
    for (unreadable_line line : readings[index]->unreadable) {
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
  std::vector<const hand_in_reading*> read;
  read.reserve(readings.size());
  for (const hand_in_reading& reading : readings) read.push_back(&reading);
  return tally_readings(read);
}

class_tally tally_class(std::string_view text) {
  return tally_class({hand_in{"", "", std::string(text)}});
}
