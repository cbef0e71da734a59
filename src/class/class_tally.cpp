// The class's results in one tally: runs read from pasted text, repeats found, figures computed.
#include "class_tally.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

#include "dialogue_lines.hpp"
#include "shown_entry.hpp"
#include "size_input.hpp"

namespace {

std::string_view trimmed(std::string_view text) {
  const auto is_blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

bool all_digits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar
// (H. Hinnant, "chrono-Compatible Low-Level Date Algorithms", days_from_civil).
long long days_from_civil(long long year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const auto year_of_era = static_cast<unsigned>(year - era * 400);
  const unsigned day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + static_cast<long long>(day_of_era) - 719468;
}

// "Run started 2026-12-09 14:03:07 +01:00": the second since 1970 that it names.
std::optional<long long> run_start(std::string_view line) {
  constexpr std::string_view start = "Run started ";
  if (!line.starts_with(start)) return std::nullopt;
  line.remove_prefix(start.size());
  // YYYY-MM-DD HH:MM:SS +HH:MM
  if (line.size() != 26 || line[4] != '-' || line[7] != '-' || line[10] != ' ' || line[13] != ':' ||
      line[16] != ':' || line[19] != ' ' || (line[20] != '+' && line[20] != '-') || line[23] != ':') {
    return std::nullopt;
  }
  const auto number = [&line](std::size_t at, std::size_t length) -> long long {
    const std::string_view digits = line.substr(at, length);
    return all_digits(digits) ? std::atoll(std::string(digits).c_str()) : -1;
  };
  const long long year = number(0, 4);
  const long long month = number(5, 2);
  const long long day = number(8, 2);
  const long long hour = number(11, 2);
  const long long minute = number(14, 2);
  const long long second = number(17, 2);
  const long long offset_hours = number(21, 2);
  const long long offset_minutes = number(24, 2);
  const auto within = [](long long value, long long low, long long high) { return value >= low && value <= high; };
  if (year < 0 || !within(month, 1, 12) || !within(day, 1, 31) || !within(hour, 0, 23) ||
      !within(minute, 0, 59) || !within(second, 0, 59) || !within(offset_hours, 0, 14) ||
      !within(offset_minutes, 0, 59)) {
    return std::nullopt;
  }
  const long long offset = (line[20] == '-' ? -1 : 1) * (offset_hours * 3600 + offset_minutes * 60);
  return days_from_civil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
         hour * 3600 + minute * 60 + second - offset;
}

// A mean as the program prints it, or as a teacher copies it from a sheet
// (a decimal comma too): a number from 1 to 6.
std::optional<double> printed_mean(std::string_view text) {
  std::string number(text);
  std::replace(number.begin(), number.end(), ',', '.');
  const std::size_t point = number.find('.');
  const std::string_view whole = std::string_view(number).substr(0, point);
  const std::string_view fraction =
      point == std::string::npos ? std::string_view() : std::string_view(number).substr(point + 1);
  if (!all_digits(whole) || (point != std::string::npos && !all_digits(fraction))) return std::nullopt;
  const double mean = std::strtod(number.c_str(), nullptr);
  if (!(mean >= 1.0 && mean <= 6.0)) return std::nullopt;
  return mean;
}

// The entries of `text` as the program reads them: sizes until one of 0 or
// less (which ends the run) or a rejected entry (which drops the rest).
struct typed_entries {
  std::vector<std::int32_t> sizes;
  bool quits = false;
};

typed_entries entries_of(std::string_view text) {
  std::stringbuf line{std::string(text) + "\n"};
  typed_entries entries;
  for (;;) {
    const size_reading reading = read_size(line);
    if (reading.status != size_status::read) return entries;
    if (reading.size <= 0) {
      entries.quits = true;
      return entries;
    }
    entries.sizes.push_back(reading.size);
  }
}

// "SIZE MEAN", from a record sheet.
std::optional<class_sample> record_line(std::string_view line) {
  line = trimmed(line);
  const std::size_t gap = line.find_first_of(" \t");
  if (gap == std::string_view::npos) return std::nullopt;
  const std::string_view size_text = line.substr(0, gap);
  const std::string_view mean_text = trimmed(line.substr(gap));
  if (mean_text.find_first_of(" \t") != std::string_view::npos) return std::nullopt;
  const typed_entries size = entries_of(size_text);
  const std::optional<double> mean = printed_mean(mean_text);
  if (size.sizes.size() != 1 || !mean) return std::nullopt;
  return class_sample{size.sizes[0], *mean, std::string(mean_text)};
}

bool is_introduction(std::string_view line) {
  return line == parameters_line || line.starts_with(mu_line_start) || line.starts_with(sigma_line_start);
}

bool is_message(std::string_view text) {
  return text.starts_with(not_a_number_start) || text.starts_with(out_of_range_start);
}

bool starts_a_run(std::string_view line) { return run_start(line) || line == title_line || record_line(line); }

class reader {
 public:
  explicit reader(std::string_view text) {
    for (std::size_t from = 0; from <= text.size();) {
      std::size_t end = text.find('\n', from);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(from, end - from);
      if (line.ends_with('\r')) line.remove_suffix(1);
      lines_.push_back(line);
      from = end + 1;
    }
  }

  class_tally read() {
    for (next_ = 0; next_ < lines_.size(); ++next_) read_line(lines_[next_]);
    end_run();
    return std::move(tally_);
  }

 private:
  enum class kind { none, transcript, record };

  void read_line(std::string_view line) {
    if (const std::optional<long long> started = run_start(line)) {
      begin_run(kind::transcript);
      tally_.runs.back().started = started;
      awaiting_title_ = true;
      return;
    }
    if (line == title_line) {
      if (!awaiting_title_) begin_run(kind::transcript);
      awaiting_title_ = false;
      return;
    }
    if (trimmed(line).empty()) return;
    awaiting_title_ = false;
    if (current_ == kind::transcript && read_transcript_line(line)) return;
    if (const std::optional<class_sample> sample = record_line(line)) {
      if (current_ != kind::record) begin_run(kind::record);
      tally_.runs.back().samples.push_back(*sample);
      return;
    }
    // A line that names the run that starts on the next line (a name, not a
    // number gone wrong); any other is unreadable.
    const bool may_be_a_name = line.find_first_of("0123456789+-") != trimmed(line).find_first_not_of(" \t") ||
                               line.find_first_of("0123456789+-") == std::string_view::npos;
    if (may_be_a_name && starts_a_run(next_line())) {
      end_run();
      name_ = std::string(trimmed(line));
      name_line_ = next_ + 1;
      return;
    }
    unreadable(line);
  }

  // A line of the program's output, with what the user typed after a prompt.
  bool read_transcript_line(std::string_view line) {
    if (is_introduction(line) || is_message(line)) return true;
    if (line.starts_with(size_prompt)) {
      line.remove_prefix(size_prompt.size());
      if (line.empty() || is_message(line)) return true;
      if (!line.starts_with(mean_line_start)) {
        if (!ended_) {
          const typed_entries typed = entries_of(line);
          waiting_sizes_.insert(waiting_sizes_.end(), typed.sizes.begin(), typed.sizes.end());
          ended_ = typed.quits;
        }
        return true;
      }
    }
    if (!line.starts_with(mean_line_start)) return false;
    const std::string_view mean_text = line.substr(mean_line_start.size());
    const std::optional<double> mean = printed_mean(mean_text);
    if (!mean || waiting_sizes_.empty()) {
      unreadable(line);  // a mean whose size the text does not show
      return true;
    }
    tally_.runs.back().samples.push_back({waiting_sizes_.front(), *mean, std::string(mean_text)});
    waiting_sizes_.erase(waiting_sizes_.begin());
    return true;
  }

  [[nodiscard]] std::string_view next_line() const {
    for (std::size_t at = next_ + 1; at < lines_.size(); ++at) {
      if (!trimmed(lines_[at]).empty()) return lines_[at];
    }
    return {};
  }

  // A name read on the line before is kept for the run: a name is taken only
  // where a run starts on the next line.
  void begin_run(kind run_kind) {
    end_run();
    current_ = run_kind;
    class_run run{name_.empty() ? next_ + 1 : name_line_, name_, std::nullopt, {}, std::nullopt};
    tally_.runs.push_back(std::move(run));
    name_.clear();
  }

  void end_run() {
    current_ = kind::none;
    waiting_sizes_.clear();
    ended_ = false;
  }

  void unreadable(std::string_view line) { tally_.unreadable.push_back({next_ + 1, shown_entry(line, false)}); }

  std::vector<std::string_view> lines_;
  std::size_t next_ = 0;
  class_tally tally_{};
  kind current_ = kind::none;
  bool awaiting_title_ = false;
  std::vector<std::int32_t> waiting_sizes_;  // typed, not yet answered by a mean
  bool ended_ = false;                       // a size of 0 or less was typed
  std::string name_;
  std::size_t name_line_ = 0;
};

bool same_first_samples(const class_run& a, const class_run& b) {
  if (a.samples.size() < samples_that_identify_a_run || b.samples.size() < samples_that_identify_a_run) {
    return false;
  }
  return std::equal(a.samples.begin(), a.samples.begin() + samples_that_identify_a_run, b.samples.begin(),
                    [](const class_sample& x, const class_sample& y) {
                      return x.size == y.size && x.mean == y.mean;
                    });
}

// Runs started in the same second draw the same faces: one run. So are runs
// whose first samples agree where a start line does not tell.
void find_repeats(class_tally& tally) {
  for (std::size_t later = 0; later < tally.runs.size(); ++later) {
    class_run& run = tally.runs[later];
    for (std::size_t earlier = 0; earlier < later; ++earlier) {
      const class_run& first = tally.runs[earlier];
      if (first.repeat_of) continue;
      const bool both_started = run.started && first.started;
      if (both_started ? *run.started == *first.started : same_first_samples(run, first)) {
        run.repeat_of = earlier;
        break;
      }
    }
  }
}

double standard_normal_above(double x) { return 0.5 * std::erfc(x / std::sqrt(2.0)); }

// P(|S/n - 3.5| > 3 sigma / sqrt(n)) for the sum S of n fair dice.
double compute_fair_chance(std::int32_t size) {
  const double n = size;
  const double reach = 3.0 * printed_sigma * std::sqrt(n);  // in units of the sum
  const double centre = fair_mean * n;
  if (size > exact_fair_sizes) {
    // Beyond the line: S >= floor(centre + reach) + 1, or S <= ceil(centre - reach) - 1.
    const double sd = std::sqrt(fair_variance * n);
    const double above = std::floor(centre + reach) + 1.0;
    const double below = std::ceil(centre - reach) - 1.0;
    return standard_normal_above((above - 0.5 - centre) / sd) +
           standard_normal_above((centre - below - 0.5) / sd);
  }
  std::vector<double> chance{1.0};  // of each sum of the dice so far, from 0
  for (std::int32_t roll = 0; roll < size; ++roll) {
    std::vector<double> next(chance.size() + 6, 0.0);
    for (std::size_t sum = 0; sum < chance.size(); ++sum) {
      for (std::size_t face = 1; face <= 6; ++face) next[sum + face] += chance[sum] / 6.0;
    }
    chance = std::move(next);
  }
  double beyond = 0.0;
  for (std::size_t sum = 0; sum < chance.size(); ++sum) {
    if (std::abs(static_cast<double>(sum) - centre) > reach) beyond += chance[sum];
  }
  return beyond;
}

void compute_figures(class_tally& tally) {
  std::map<std::int32_t, size_figures> by_size;
  long long rolls = 0;
  double rolled_total = 0.0;
  for (const class_run& run : tally.runs) {
    if (run.repeat_of) continue;
    ++tally.runs_counted;
    for (const class_sample& sample : run.samples) {
      size_figures& figures = by_size.try_emplace(sample.size, size_figures{sample.size, 0, 0.0, 0, 0.0})
                                  .first->second;
      ++figures.samples;
      figures.mean_of_means += sample.mean;
      if (std::abs(z_of(sample)) > 3.0) ++figures.beyond_three;
      rolls += sample.size;
      rolled_total += sample.mean * sample.size;
    }
  }
  for (auto& [size, figures] : by_size) {
    figures.mean_of_means /= static_cast<double>(figures.samples);
    figures.expected_beyond_three = static_cast<double>(figures.samples) * fair_chance_beyond_three(size);
    tally.sizes.push_back(figures);
  }
  if (rolls > 0) {
    const double mean = rolled_total / static_cast<double>(rolls);
    const double standard_error = printed_sigma / std::sqrt(static_cast<double>(rolls));
    tally.pooled = pooled_figures{rolls,
                                  mean,
                                  standard_error,
                                  (mean - fair_mean) / standard_error,
                                  mean - 1.96 * standard_error,
                                  mean + 1.96 * standard_error};
  }
}

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

class_tally tally_class(std::string_view text) {
  class_tally tally = reader(text).read();
  find_repeats(tally);
  compute_figures(tally);
  return tally;
}

double z_of(const class_sample& sample) {
  return (sample.mean - fair_mean) / (printed_sigma / std::sqrt(static_cast<double>(sample.size)));
}

double fair_chance_beyond_three(std::int32_t size) {
  static std::map<std::int32_t, double> computed;  // one thread: the page's, or a test's
  const auto [place, added] = computed.try_emplace(size, 0.0);
  if (added) place->second = compute_fair_chance(size);
  return place->second;
}

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
  json += '}';
  return json;
}
