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


}  // namespace

std::string tally_json(const class_tally& tally) {
  std::string json = "{\"runs\":[";
  for (std::size_t index = 0; index < tally.runs.size(); ++index) {
    const class_run& run = tally.runs[index];
    if (index > 0) json += ',';
    json += "{\"line\":" + std::to_string(run.line) + ",\"name\":";
    append_json_string(json, shown_text(run.name));
    json += ",\"started\":" + (run.started ? std::to_string(*run.started) : "null");
    json += ",\"repeatOf\":" + (run.repeat_of ? std::to_string(*run.repeat_of) : "null");
    json += ",\"samples\":[";
    for (std::size_t at = 0; at < run.samples.size(); ++at) {
      const class_sample& sample = run.samples[at];
      if (at > 0) json += ',';
      json += "{\"size\":" + std::to_string(sample.size) + ",\"mean\":";
      append_json_string(json, sample.shown);
      json += ",\"z\":" + json_number(z_of(sample)) + "}";
    }
    json += "]}";
  }
  json += "],\"runsCounted\":" + std::to_string(tally.runs_counted) + ",\"unreadable\":[";
  for (std::size_t index = 0; index < tally.unreadable.size(); ++index) {
    if (index > 0) json += ',';
    json += "{\"line\":" + std::to_string(tally.unreadable[index].line) + ",\"shown\":";
    append_json_string(json, tally.unreadable[index].shown);
    json += '}';
  }
  json += "],\"sizes\":[";
  for (std::size_t index = 0; index < tally.sizes.size(); ++index) {
    const size_figures& figures = tally.sizes[index];
    if (index > 0) json += ',';
    json += "{\"size\":" + std::to_string(figures.size) + ",\"samples\":" + std::to_string(figures.samples) +
            ",\"meanOfMeans\":" + json_number(figures.mean_of_means) +
            ",\"beyondThree\":" + std::to_string(figures.beyond_three) +
            ",\"expectedBeyondThree\":" + json_number(figures.expected_beyond_three) + '}';
  }
  json += "],\"pooled\":";
  if (tally.pooled) {
    const pooled_figures& pooled = *tally.pooled;
    json += "{\"rolls\":" + std::to_string(pooled.rolls) + ",\"mean\":" + json_number(pooled.mean) +
            ",\"standardError\":" + json_number(pooled.standard_error) + ",\"z\":" + json_number(pooled.z) +
            ",\"low\":" + json_number(pooled.low) + ",\"high\":" + json_number(pooled.high) + '}';
  } else {
    json += "null";
  }
  const picture_figures& picture = tally.picture;
  json += R"(,"picture":{"samples":)" + std::to_string(picture.samples) + R"(,"beyondThree":)" +
          std::to_string(picture.beyond_three) + R"(,"smallestSize":)" + std::to_string(picture.smallest_size) +
          R"(,"largestSize":)" + std::to_string(picture.largest_size) +
          R"(,"largestDistance":)" + json_number(picture.largest_distance) + "}}";
  return json;
}

