// The tally as JSON, for the class page, which shows it as it stands.
#include "class_json.hpp"

#include <cmath>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "class_figures.hpp"
#include "shown_entry.hpp"

namespace {

void append_json_string(std::string& to, std::string_view text) {
  to += '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      to += '\\';
      to += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      constexpr std::string_view hex = "0123456789abcdef";
      to += "\\u00";
      to += hex[static_cast<unsigned char>(c) >> 4];
      to += hex[static_cast<unsigned char>(c) & 0xf];
    } else {
      to += c;
    }
  }
  to += '"';
}

std::string json_number(double value) {
  if (!std::isfinite(value)) return "null";
  std::ostringstream out;
  out.precision(17);
  out << value;
  return out.str();
}

// Appends `items` as a JSON array, at most `most` of them, each written by `write`.
template <typename Item, typename Write>
void append_array(std::string& json, const std::vector<Item>& items, std::size_t most,
                  Write write) {
  json += '[';
  for (std::size_t index = 0; index < items.size() && index < most; ++index) {
    if (index > 0) json += ',';
    write(items[index]);
  }
  json += ']';
}

std::string_view known_by(run_known_by how) {
  switch (how) {
    case run_known_by::start_second:
      return "start second";
    case run_known_by::record_sheet:
      return "record sheet";
    case run_known_by::transcript:
      break;
  }
  return "transcript";
}

}  // namespace

std::string tally_json(const class_tally& tally) {
  std::vector<const run_figures*> tests(tally.runs.size(), nullptr);
  for (const run_figures& test : tally.run_tests) tests.at(test.run) = &test;
  std::string json = R"({"runs":)";
  for (std::size_t index = 0; index < tally.runs.size(); ++index) {
    const class_run& run = tally.runs[index];
    json += index == 0 ? "[" : ",";
    json += R"({"label":)";
    append_json_string(json, shown_name(run.label));
    json += R"(,"knownBy":")" + std::string(known_by(run.known_by)) + R"(","handIn":)" +
            std::to_string(run.hand_in) + R"(,"line":)" + std::to_string(run.first_line) +
            R"(,"repeatOf":)" + (run.repeat_of ? std::to_string(*run.repeat_of) : "null") +
            R"(,"samples":)" + std::to_string(run.samples.size());
    if (const run_figures* test = tests[index]) {
      json += R"(,"test":{"rolls":)" + std::to_string(test->rolls) + R"(,"mean":)" +
              json_number(test->mean) + R"(,"z":)" + json_number(test->z) + R"(,"beyondThree":)" +
              (test->beyond_three ? "true" : "false") + "}";
    } else {
      json += R"(,"test":null)";
    }
    json += '}';
  }
  json += tally.runs.empty() ? "[]" : "]";
  json += R"(,"runsCounted":)" + std::to_string(tally.runs_counted);
  json += R"(,"rule":{"runs":)" + std::to_string(tally.rule.runs) + R"(,"beyondThree":)" +
          std::to_string(tally.rule.beyond_three) + R"(,"expectedBeyondThree":)" +
          json_number(tally.rule.expected_beyond_three) + "}";
  // What each hand-in gave, for the page to say what a hand-in changed.
  std::vector<std::pair<std::size_t, std::size_t>> given(tally.hand_ins, {0, 0});
  for (const class_run& run : tally.runs) ++given.at(run.hand_in).first;
  for (const unreadable_line& line : tally.unreadable) ++given.at(line.hand_in).second;
  json += R"(,"handIns":)";
  append_array(json, given, given.size(),
               [&json](const std::pair<std::size_t, std::size_t>& counts) {
                 json += R"({"runs":)" + std::to_string(counts.first) + R"(,"unreadable":)" +
                         std::to_string(counts.second) + '}';
               });
  json += R"(,"unreadableCount":)" + std::to_string(tally.unreadable.size()) + R"(,"unreadable":)";
  append_array(json, tally.unreadable, listed_at_most, [&json](const unreadable_line& line) {
    json += R"({"handIn":)" + std::to_string(line.hand_in) + R"(,"line":)" +
            std::to_string(line.line) + R"(,"shown":)";
    append_json_string(json, line.shown);
    json += R"(,"why":)";
    append_json_string(json, line.why);
    json += '}';
  });
  json += R"(,"sizes":)";
  append_array(json, tally.sizes, tally.sizes.size(), [&json](const size_figures& figures) {
    json += R"({"size":)" + std::to_string(figures.size) + R"(,"samples":)" +
            std::to_string(figures.samples) + R"(,"meanOfMeans":)" +
            json_number(figures.mean_of_means) + R"(,"beyondThree":)" +
            std::to_string(figures.beyond_three) + R"(,"expectedBeyondThree":)" +
            json_number(figures.expected_beyond_three) + '}';
  });
  json += R"(,"pooled":)";
  if (tally.pooled) {
    const pooled_figures& pooled = *tally.pooled;
    json += R"({"rolls":)" + std::to_string(pooled.rolls) + R"(,"mean":)" +
            json_number(pooled.mean) + R"(,"standardError":)" + json_number(pooled.standard_error) +
            R"(,"z":)" + json_number(pooled.z) + R"(,"low":)" + json_number(pooled.low) +
            R"(,"high":)" + json_number(pooled.high) + '}';
  } else {
    json += "null";
  }
  const picture_figures& picture = tally.picture;
  json += R"(,"picture":{"samples":)" + std::to_string(picture.samples) + R"(,"beyondThree":)" +
          std::to_string(picture.beyond_three) + R"(,"smallestSize":)" +
          std::to_string(picture.smallest_size) + R"(,"largestSize":)" +
          std::to_string(picture.largest_size) + R"(,"largestDistance":)" +
          json_number(picture.largest_distance) + R"(,"pointCount":)" +
          std::to_string(picture.point_count) + R"(,"points":)";
  append_array(json, picture.points, picture.points.size(), [&json](const picture_point& point) {
    json += R"({"size":)" + std::to_string(point.size) + R"(,"mean":)";
    append_json_string(json, point.mean);
    json +=
        R"(,"z":)" + json_number(point.z) + R"(,"samples":)" + std::to_string(point.samples) + '}';
  });
  json += R"(},"faces":)";
  if (tally.faces) {
    const faces_figures& faces = *tally.faces;
    json += R"({"observed":[)";
    for (std::size_t face = 0; face < faces.observed.size(); ++face) {
      if (face > 0) json += ',';
      json += std::to_string(faces.observed.at(face));
    }
    json += R"(],"rolls":)" + std::to_string(faces.rolls) + R"(,"expected":)" +
            json_number(faces.expected) + R"(,"chiSquare":)" + json_number(faces.chi_square) +
            R"(,"degreesOfFreedom":)" + std::to_string(faces_degrees_of_freedom) +
            R"(,"lineOfTheRule":)" + json_number(chi_square_line_of_the_rule) +
            R"(,"lineAtFivePercent":)" + json_number(chi_square_line_at_five_percent) + '}';
  } else {
    json += "null";
  }
  json += '}';
  return json;
}
