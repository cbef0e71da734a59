// Entry point of the class page: hand-ins added, replaced and removed, and the class's tally as JSON.
#include <emscripten.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "class_json.hpp"
#include "class_tally.hpp"

namespace {

// Each hand-in is read once, when it is handed in; the tally of them all is
// cheap to make again. In the order they came, by the page's number for each.
std::vector<std::pair<int, hand_in_reading>>& hand_ins() {
  static std::vector<std::pair<int, hand_in_reading>> readings;  // one thread: the page's
  return readings;
}

}  // namespace

// A hand-in's text and where it came from, each with its length: a NUL in a
// text is text too, listed where it stands, not the end of everything after
// it. `path` is a file's path (its runs labelled by file_label), or empty
// for a paste. A hand-in of a number already given replaces that one, in its place.
extern "C" EMSCRIPTEN_KEEPALIVE void hand_in_set(int number, const char* path,
                                                 std::size_t path_size, const char* text,
                                                 std::size_t text_size) {
  const std::string_view file(path, path_size);
  const hand_in given{std::string(file), file.empty() ? std::string() : file_label(file),
                      std::string(text, text_size)};
  hand_in_reading reading = read_hand_in(given);
  auto& readings = hand_ins();
  const auto same = std::find_if(readings.begin(), readings.end(),
                                 [number](const auto& kept) { return kept.first == number; });
  if (same != readings.end()) {
    same->second = std::move(reading);
  } else {
    readings.emplace_back(number, std::move(reading));
  }
}

extern "C" EMSCRIPTEN_KEEPALIVE void hand_in_remove(int number) {
  auto& readings = hand_ins();
  readings.erase(std::remove_if(readings.begin(), readings.end(),
                                [number](const auto& kept) { return kept.first == number; }),
                 readings.end());
}

// The JSON stays valid until the next call; the page reads it at once.
extern "C" EMSCRIPTEN_KEEPALIVE const char* class_tally_json() {
  static std::string json;
  std::vector<const hand_in_reading*> readings;
  readings.reserve(hand_ins().size());
  for (const auto& kept : hand_ins()) readings.push_back(&kept.second);
  json = tally_json(tally_readings(readings));
  return json.c_str();
}
