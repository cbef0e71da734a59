// Reading pasted text into runs: page texts, console transcripts and record-sheet lines.
#include "class_reading.hpp"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "dialogue_lines.hpp"
#include "run_start.hpp"
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

bool starts_a_run(std::string_view line) { return read_run_start(line) || line == title_line || record_line(line); }

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
    if (const std::optional<long long> started = read_run_start(line)) {
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


}  // namespace

class_tally read_class_text(std::string_view text) { return reader(text).read(); }
