// The tally as JSON, for the class page, which shows it as it stands.
#include "class_json.hpp"

#include <cmath>
#include <sstream>

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
void append_array(std::string& json, const std::vector<Item>& items, std::size_t most, Write write) {
  json += '[';
  for (std::size_t index = 0; index < items.size() && index < most; ++index) {
    if (index > 0) json += ',';
    write(items[index]);
  }
  json += ']';
}

}  // namespace

std::string tally_json(const class_tally& tally) {
  std::string json = R"({"runs":)";
  append_array(json, tally.runs, tally.runs.size(), [&json](const class_run& run) {
    json += R"({"label":)";
    append_json_string(json, shown_name(run.label));
    json += R"(,"repeatOf":)" + (run.repeat_of ? std::to_string(*run.repeat_of) : "null");
    json += R"(,"samples":)" + std::to_string(run.samples.size()) + '}';
  });
  json += R"(,"runsCounted":)" + std::to_string(tally.runs_counted);
  json += R"(,"unreadableCount":)" + std::to_string(tally.unreadable.size()) + R"(,"unreadable":)";
  append_array(json, tally.unreadable, listed_at_most, [&json](const unreadable_line& line) {
    json += R"({"line":)" + std::to_string(line.line) + R"(,"shown":)";
    append_json_string(json, line.shown);
    json += R"(,"why":)";
    append_json_string(json, line.why);
    json += '}';
  });
  json += R"(,"sizes":)";
  append_array(json, tally.sizes, tally.sizes.size(), [&json](const size_figures& figures) {
    json += R"({"size":)" + std::to_string(figures.size) + R"(,"samples":)" + std::to_string(figures.samples) +
            R"(,"meanOfMeans":)" + json_number(figures.mean_of_means) + R"(,"beyondThree":)" +
            std::to_string(figures.beyond_three) + R"(,"expectedBeyondThree":)" +
            json_number(figures.expected_beyond_three) + '}';
  });
  json += R"(,"pooled":)";
  if (tally.pooled) {
    const pooled_figures& pooled = *tally.pooled;
    json += R"({"rolls":)" + std::to_string(pooled.rolls) + R"(,"mean":)" + json_number(pooled.mean) +
            R"(,"standardError":)" + json_number(pooled.standard_error) + R"(,"z":)" + json_number(pooled.z) +
            R"(,"low":)" + json_number(pooled.low) + R"(,"high":)" + json_number(pooled.high) + '}';
  } else {
    json += "null";
  }
  const picture_figures& picture = tally.picture;
  json += R"(,"picture":{"samples":)" + std::to_string(picture.samples) + R"(,"beyondThree":)" +
          std::to_string(picture.beyond_three) + R"(,"smallestSize":)" + std::to_string(picture.smallest_size) +
          R"(,"largestSize":)" + std::to_string(picture.largest_size) + R"(,"largestDistance":)" +
          json_number(picture.largest_distance) + R"(,"pointCount":)" + std::to_string(picture.point_count) +
          R"(,"points":)";
  append_array(json, picture.points, picture.points.size(), [&json](const picture_point& point) {
    json += R"({"size":)" + std::to_string(point.size) + R"(,"mean":)";
    append_json_string(json, point.mean);
    json += R"(,"z":)" + json_number(point.z) + R"(,"samples":)" + std::to_string(point.samples) + '}';
  });
  json += R"(},"faces":)";
  if (tally.faces) {
    const faces_figures& faces = *tally.faces;
    json += R"({"observed":[)";
    for (std::size_t face = 0; face < faces.observed.size(); ++face) {
      if (face > 0) json += ',';
      json += std::to_string(faces.observed.at(face));
    }
    json += R"(],"rolls":)" + std::to_string(faces.rolls) + R"(,"expected":)" + json_number(faces.expected) +
            R"(,"chiSquare":)" + json_number(faces.chi_square) + R"(,"degreesOfFreedom":)" +
            std::to_string(faces_degrees_of_freedom) + R"(,"lineOfTheRule":)" +
            json_number(chi_square_line_of_the_rule) + R"(,"lineAtFivePercent":)" +
            json_number(chi_square_line_at_five_percent) + '}';
  } else {
    json += "null";
  }
  json += '}';
  return json;
}
