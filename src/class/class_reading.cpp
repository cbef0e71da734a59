// Reading pasted text into runs: page texts, console transcripts and record-sheet lines.
#include "class_reading.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "dialogue_lines.hpp"
#include "run_start.hpp"
#include "shown_entry.hpp"
#include "size_input.hpp"

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

bool all_digits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The prompt as a line trimmed of blanks ends it: without its closing blank.
constexpr std::string_view prompt_text = size_prompt.substr(0, size_prompt.size() - 1);
static_assert(size_prompt.back() == ' ');

// A mean as the program prints it, or as a teacher copies it from a sheet
// (a decimal comma too): a number from 1 to 6, with its last digit's place.
struct written_mean {
  double value;
  int decimals;
};

std::optional<written_mean> printed_mean(std::string_view text) {
  // Longer is no mean that a person writes or the program prints.
  std::array<char, 32> number{};
  if (text.empty() || text.size() >= number.size()) return std::nullopt;
  std::copy(text.begin(), text.end(), number.begin());
  std::replace(number.begin(), number.end(), ',', '.');
  const std::string_view written(number.data(), text.size());
  const std::size_t point = written.find('.');
  const std::string_view whole = written.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view() : written.substr(point + 1);
  if (!all_digits(whole) || (point != std::string_view::npos && !all_digits(fraction))) return std::nullopt;
  const double mean = std::strtod(number.data(), nullptr);
  if (!(mean >= 1.0 && mean <= 6.0)) return std::nullopt;
  return written_mean{mean, static_cast<int>(fraction.size())};
}

// Whether `size` rolls can give a mean written so: a whole total from size to
// 6 * size whose mean rounds to it at the written decimals.
bool mean_is_possible(std::int32_t size, const written_mean& mean) {
  const double n = size;
  const double half_unit = 0.5 * std::pow(10.0, -mean.decimals);
  const double least_total = std::max(n, std::ceil((mean.value - half_unit) * n - 1e-9 * n));
  const double most_total = std::min(6.0 * n, std::floor((mean.value + half_unit) * n + 1e-9 * n));
  return least_total <= most_total;
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

// "SIZE MEAN", from a record sheet: two fields.
struct record {
  std::string_view size_text;
  std::string_view mean_text;
};

std::optional<record> record_fields(std::string_view line) {
  const std::size_t gap = line.find_first_of(" \t");
  if (gap == std::string_view::npos) return std::nullopt;
  const std::string_view mean_text = trimmed(line.substr(gap));
  if (mean_text.find_first_of(" \t") != std::string_view::npos) return std::nullopt;
  return record{line.substr(0, gap), mean_text};
}

// A size as the program reads it; plain digits, by far the most common, read at once.
std::optional<std::int32_t> size_of(std::string_view text) {
  if (all_digits(text) && text.size() <= 9) {
    std::int32_t size = 0;
    for (const char digit : text) size = size * 10 + (digit - '0');
    return size > 0 ? std::optional(size) : std::nullopt;
  }
  const typed_entries entries = entries_of(text);
  if (entries.sizes.size() != 1) return std::nullopt;
  return entries.sizes[0];
}

struct recorded_sample {
  class_sample sample;
  written_mean mean;
};

std::optional<recorded_sample> record_line(std::string_view line) {
  const std::optional<record> fields = record_fields(line);
  if (!fields) return std::nullopt;
  const std::optional<written_mean> mean = printed_mean(fields->mean_text);
  if (!mean) return std::nullopt;
  const std::optional<std::int32_t> size = size_of(fields->size_text);
  if (!size) return std::nullopt;
  return recorded_sample{{*size, mean->value, std::string(fields->mean_text)}, *mean};
}

// A record gone wrong ("1O 3.7", "10 9.5"), rather than a name ("Student 1",
// "2nd row Maria"): two fields, the first starting as a number does.
bool looks_like_a_record(std::string_view line) {
  const std::optional<record> fields = record_fields(line);
  if (!fields) return false;
  const char first = fields->size_text.front();
  return (first >= '0' && first <= '9') || first == '+' || first == '-';
}

bool is_introduction(std::string_view line) {
  return line == parameters_line || line.starts_with(mu_line_start) || line.starts_with(sigma_line_start);
}

bool is_message(std::string_view text) {
  return text.starts_with(not_a_number_start) || text.starts_with(out_of_range_start);
}

// Prompts with nothing typed after them, or a message only.
bool only_prompts(std::string_view line) {
  while (line.starts_with(prompt_text)) line = trimmed(line.substr(prompt_text.size()));
  return line.empty() || is_message(line);
}

bool starts_a_run(std::string_view line) {
  return read_run_start(line) || line == title_line || line.starts_with(prompt_text) || record_line(line);
}

// The lines of the text, trimmed, with a title or start line that a paste
// glued to the open prompt of the text before it on a line of its own.
struct text_line {
  std::string_view text;
  std::size_t number;  // from 1
};

std::vector<text_line> lines_of(std::string_view text) {
  std::vector<text_line> lines;
  std::size_t number = 0;
  for (std::size_t from = 0; from <= text.size();) {
    std::size_t end = text.find('\n', from);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = trimmed(text.substr(from, end - from));
    from = end + 1;
    ++number;
    while (line.starts_with(prompt_text)) {
      std::size_t glued = std::string_view::npos;
      for (const std::string_view start : {run_start_line_start, title_line}) {
        glued = std::min(glued, line.find(start, prompt_text.size()));
      }
      if (glued == std::string_view::npos) break;
      lines.push_back({trimmed(line.substr(0, glued)), number});
      line = line.substr(glued);
    }
    lines.push_back({line, number});
  }
  return lines;
}

class reader {
 public:
  explicit reader(std::string_view text) : lines_(lines_of(text)) {}

  class_tally read() {
    for (next_ = 0; next_ < lines_.size(); ++next_) read_line(lines_[next_].text);
    end_run();
    return std::move(tally_);
  }

 private:
  enum class kind { none, transcript, record };

  void read_line(std::string_view line) {
    if (line.empty()) return;
    if (const std::optional<long long> started = read_run_start(line)) {
      begin_run(kind::transcript, line);
      tally_.runs.back().started = started;
      awaiting_title_ = true;
      return;
    }
    if (line == title_line) {
      if (!awaiting_title_) begin_run(kind::transcript, line);
      awaiting_title_ = false;
      return;
    }
    awaiting_title_ = false;
    // A transcript copied from its first prompt on, or the next one after a run
    // that ended (sizes typed after its last prompt, not the prompt itself).
    if (line.starts_with(prompt_text) && (current_ != kind::transcript || (ended_ && !only_prompts(line)))) {
      begin_run(kind::transcript, line);
    }
    if (current_ == kind::transcript && read_transcript_line(line)) return;
    if (const std::optional<recorded_sample> recorded = record_line(line)) {
      if (current_ != kind::record) begin_run(kind::record, line);
      add_sample(recorded->sample, recorded->mean);
      return;
    }
    // A line that names the run starting on the next line; any other is unreadable.
    if (!looks_like_a_record(line) && starts_a_run(next_line())) {
      end_run();
      name_ = std::string(line);
      return;
    }
    unreadable(line, "not a result");
  }

  // A line of the program's output, with what the user typed after a prompt.
  bool read_transcript_line(std::string_view line) {
    if (is_introduction(line) || is_message(line)) return true;
    // Prompts answered by entries typed ahead, or by a message on another stream, stand side by side.
    bool prompted = false;
    while (line.starts_with(prompt_text)) {
      line = trimmed(line.substr(prompt_text.size()));
      prompted = true;
    }
    if (prompted && (line.empty() || is_message(line))) return true;
    if (prompted && !line.starts_with(mean_line_start)) {
      const typed_entries typed = entries_of(line);
      waiting_sizes_.insert(waiting_sizes_.end(), typed.sizes.begin(), typed.sizes.end());
      ended_ = typed.quits;
      return true;
    }
    if (!line.starts_with(mean_line_start)) return false;
    const std::string_view mean_text = trimmed(line.substr(mean_line_start.size()));
    const std::optional<written_mean> mean = printed_mean(mean_text);
    if (!mean) {
      unreadable(line, "not a mean that a die gives");
    } else if (waiting_sizes_.empty()) {
      unreadable(line, "a mean without its size");
    } else {
      add_sample({waiting_sizes_.front(), mean->value, std::string(mean_text)}, *mean);
      waiting_sizes_.erase(waiting_sizes_.begin());
    }
    return true;
  }

  // A sample whose size cannot give its mean is listed, not counted.
  void add_sample(class_sample sample, const written_mean& mean) {
    if (!mean_is_possible(sample.size, mean)) {
      unreadable(lines_[next_].text, "a mean that " + std::to_string(sample.size) +
                                         (sample.size == 1 ? " roll" : " rolls") + " cannot give");
      return;
    }
    tally_.runs.back().samples.push_back(std::move(sample));
  }

  [[nodiscard]] std::string_view next_line() const {
    for (std::size_t at = next_ + 1; at < lines_.size(); ++at) {
      if (!lines_[at].text.empty()) return lines_[at].text;
    }
    return {};
  }

  // A name read on the line before is kept for the run: a name is taken only
  // where a run starts on the next line. Without one, the run is labelled by
  // its first line (a start line names the second it started).
  void begin_run(kind run_kind, std::string_view first_line) {
    end_run();
    current_ = run_kind;
    tally_.runs.push_back({name_.empty() ? std::string(first_line) : name_, std::nullopt, {}, std::nullopt});
    name_.clear();
  }

  void end_run() {
    current_ = kind::none;
    waiting_sizes_.clear();
    ended_ = false;
  }

  void unreadable(std::string_view line, std::string why) {
    tally_.unreadable.push_back({lines_[next_].number, shown_entry(line, false), std::move(why)});
  }

  std::vector<text_line> lines_;
  std::size_t next_ = 0;
  class_tally tally_{};
  kind current_ = kind::none;
  bool awaiting_title_ = false;
  std::vector<std::int32_t> waiting_sizes_;  // typed, not yet answered by a mean
  bool ended_ = false;                       // a size of 0 or less was typed
  std::string name_;
};

}  // namespace

class_tally read_class_text(std::string_view text) { return reader(text).read(); }
