// Reading one hand-in into runs, by the grammar in class_reading.hpp, with the lines that could not be read.
#include "class_reading.hpp"

#include <algorithm>
#include <array>
#include <deque>
#include <sstream>

#include "class_fields.hpp"
#include "dialogue_lines.hpp"
#include "run_start.hpp"
#include "shown_entry.hpp"
#include "size_input.hpp"

namespace {

// The prompt as a trimmed line shows it: without its closing blank.
constexpr std::string_view prompt_text = size_prompt.substr(0, size_prompt.size() - 1);
static_assert(size_prompt.back() == ' ');

enum class line_kind {
  blank,
  start,
  no_start,
  title,
  introduction,
  message,
  prompt,
  entries,
  mean,
  record,
  other
};

bool is_introduction(std::string_view line) {
  return line == parameters_line || line.starts_with(mu_line_start) ||
         line.starts_with(sigma_line_start);
}

bool is_message(std::string_view line) {
  return line.starts_with(not_a_number_start) || line.starts_with(out_of_range_start);
}

// Entries as the program reads them: sizes until one of 0 or less (which ends
// the run) or a rejected entry (which drops the rest of its line).
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

// Sizes alone on a line: an optional sign and digits, blanks between.
bool holds_entries_only(std::string_view line) {
  bool digit = false;
  for (std::size_t at = 0; at < line.size(); ++at) {
    const char c = line[at];
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if ((c == '+' || c == '-') && (at == 0 || line[at - 1] == ' ' || line[at - 1] == '\t')) {
      continue;
    } else if (c != ' ' && c != '\t') {
      return false;
    }
  }
  return digit;
}

bool is_a_record(std::string_view line) {
  return read_record(line).kind != record_kind::not_a_record;
}

line_kind kind_of(std::string_view line) {
  if (line.empty()) return line_kind::blank;
  if (line.starts_with(run_start_line_start))
    return read_run_start(line) ? line_kind::start : line_kind::no_start;
  if (line == title_line) return line_kind::title;
  if (is_introduction(line)) return line_kind::introduction;
  if (is_message(line)) return line_kind::message;
  if (line.starts_with(prompt_text)) return line_kind::prompt;
  if (line.starts_with(mean_line_start)) return line_kind::mean;
  if (holds_entries_only(line)) return line_kind::entries;
  if (is_a_record(line)) return line_kind::record;
  return line_kind::other;
}

// The program's words that a damaged line may still hold: never a name.
bool holds_the_programs_words(std::string_view line) {
  constexpr std::array<std::string_view, 9> programs_words{
      "sample size",  "sample mean",  "Run started", "fair die", "population parameters",
      "whole number", "Out of range", "mu =",        "sigma ="};
  return std::any_of(programs_words.begin(), programs_words.end(), [line](std::string_view words) {
    return line.find(words) != std::string_view::npos;
  });
}

class reader {
 public:
  reader(const std::vector<repaired_line>& lines, std::string_view name)
      : lines_(lines), hand_in_name_(name) {}

  hand_in_reading read() {
    for (next_ = 0; next_ < lines_.size(); ++next_) read_line(lines_[next_].text);
    end_run();
    list_unused_name();
    for (std::size_t run = 0; run < reading_.runs.size(); ++run) {
      if (reading_.runs[run].samples.empty()) {
        const repaired_line& first = lines_[first_lines_[run]];
        reading_.unreadable.push_back(
            {first.number, shown(first.text), "a run with no samples: not counted"});
      }
    }
    std::stable_sort(
        reading_.unreadable.begin(), reading_.unreadable.end(),
        [](const unreadable_line& a, const unreadable_line& b) { return a.line < b.line; });
    return std::move(reading_);
  }

 private:
  enum class run_kind { none, transcript, record };

  void read_line(std::string_view line) {
    const line_kind kind = kind_of(line);
    if (kind == line_kind::blank) return;
    const bool after_start = awaiting_title_;
    awaiting_title_ = false;
    switch (kind) {
      case line_kind::start:
        begin_run(run_kind::transcript, line);
        reading_.runs.back().started = read_run_start(line);
        reading_.runs.back().known_by = run_known_by::start_second;
        awaiting_title_ = true;
        return;
      case line_kind::title:
        if (!after_start) begin_run(run_kind::transcript, line);
        return;
      case line_kind::introduction:
      case line_kind::message:
        if (current_ != run_kind::transcript) begin_run(run_kind::transcript, line);
        return;
      case line_kind::prompt:
        read_prompt(line);
        return;
      case line_kind::entries:
        // Typed in a transcript; elsewhere "1 6" is a record with a whole mean.
        if (current_ == run_kind::transcript) {
          wait_for(entries_of(line));
          return;
        }
        if (is_a_record(line)) {
          read_record_line(line);
          return;
        }
        break;
      case line_kind::mean:
        read_mean(line);
        return;
      case line_kind::no_start:
        unreadable(line, "a start line whose date or time does not exist: no run's start");
        return;
      case line_kind::record:
        read_record_line(line);
        return;
      default:
        break;
    }
    if (is_a_name(line)) {
      end_run();
      list_unused_name();
      name_ = std::string(line);
      name_line_ = next_;
      return;
    }
    unreadable(line, kind == line_kind::entries
                         ? "sizes with no prompt before them and no means after them"
                         : "not a result: none of the program's lines, nor SIZE MEAN");
  }

  // A transcript copied from its first prompt on, or the next one after a run
  // that quit (sizes typed after its last prompt, not the prompt itself).
  void read_prompt(std::string_view line) {
    const std::string_view typed = trimmed(line.substr(prompt_text.size()));
    if (current_ != run_kind::transcript || (ended_ && !typed.empty()))
      begin_run(run_kind::transcript, line);
    wait_for(entries_of(typed));
  }

  void wait_for(const typed_entries& typed) {
    waiting_sizes_.insert(waiting_sizes_.end(), typed.sizes.begin(), typed.sizes.end());
    ended_ = ended_ || typed.quits;
  }

  void read_mean(std::string_view line) {
    const std::string_view mean_text = trimmed(line.substr(mean_line_start.size()));
    const std::optional<written_mean> mean = printed_mean(mean_text);
    if (current_ == run_kind::transcript && !mean) {
      unreadable(line, "not a mean that a die gives: a number from 1 to 6 was expected");
    } else if (current_ != run_kind::transcript || waiting_sizes_.empty()) {
      unreadable(line,
                 "a mean without its size: the prompt with the size typed after it is missing");
    } else {
      add_sample(waiting_sizes_.front(), *mean, mean_text);
      waiting_sizes_.pop_front();
    }
  }

  void read_record_line(std::string_view line) {
    const record_line record = read_record(line);
    switch (record.kind) {
      case record_kind::record:
        if (current_ != run_kind::record) begin_run(run_kind::record, line);
        add_sample(record.size, record.mean, record.mean_text);
        return;
      case record_kind::list_number:
        unreadable(line, "a list's number before SIZE MEAN: remove the list number");
        return;
      case record_kind::wrong_z:
        unreadable(
            line,
            "SIZE MEAN and a third number that is not this sample's z: correct it or remove it");
        return;
      case record_kind::extra_fields:
        unreadable(line, "more columns than SIZE MEAN and z: keep those");
        return;
      case record_kind::not_a_record:
        break;
    }
  }

  // A sample whose size cannot give its mean is listed, not counted.
  void add_sample(std::int32_t size, const written_mean& mean, std::string_view mean_text) {
    if (!mean_is_possible(size, mean)) {
      unreadable(lines_[next_].text, "a mean that " + std::to_string(size) +
                                         (size == 1 ? " roll" : " rolls") +
                                         " cannot give: check the size and the mean");
      return;
    }
    reading_.runs.back().samples.push_back(
        {size, mean.value, std::string(mean_text), mean.decimals, mean.scaled});
  }

  // A name is taken only just before a run's first line: never inside a
  // transcript that goes on, and never from a line that holds the program's
  // words or numbers.
  [[nodiscard]] bool is_a_name(std::string_view line) const {
    if (holds_the_programs_words(line) || looks_like_a_record(line) || holds_a_decimal(line))
      return false;
    const std::string_view next = next_line();
    switch (kind_of(next)) {
      case line_kind::start:
      case line_kind::title:
      case line_kind::record:
        return true;
      case line_kind::entries:
        return is_a_record(next);
      case line_kind::other:  // a block's first record gone wrong, where no run is open
        return current_ == run_kind::none && looks_like_a_record(next);
      case line_kind::prompt:
      case line_kind::introduction:
        return current_ != run_kind::transcript || ended_;
      default:
        return false;
    }
  }

  [[nodiscard]] std::string_view next_line() const {
    for (std::size_t at = next_ + 1; at < lines_.size(); ++at) {
      if (!lines_[at].text.empty()) return lines_[at].text;
    }
    return {};
  }

  // A name read on the line before is kept for the run; without one, the
  // run is labelled by its hand-in's name, else by its first line (a start
  // line names the second it started).
  void begin_run(run_kind kind, std::string_view first_line) {
    end_run();
    current_ = kind;
    std::string label = !name_.empty()           ? name_
                        : !hand_in_name_.empty() ? std::string(hand_in_name_)
                                                 : std::string(first_line);
    class_run run{std::move(label),
                  kind == run_kind::record ? run_known_by::record_sheet : run_known_by::transcript,
                  std::nullopt,
                  {},
                  std::nullopt,
                  0,
                  lines_[next_].number};
    reading_.runs.push_back(std::move(run));
    first_lines_.push_back(next_);
    name_.clear();
  }

  // A name that no run followed (its records all unreadable) is listed, not dropped.
  void list_unused_name() {
    if (name_.empty()) return;
    reading_.unreadable.push_back({lines_[name_line_].number, shown(name_),
                                   "a name with no run after it: no line after it could be read"});
    name_.clear();
  }

  void end_run() {
    current_ = run_kind::none;
    waiting_sizes_.clear();
    ended_ = false;
  }

  static std::string shown(std::string_view line) {
    return shown_entry(line, false, shown_line_characters);
  }

  void unreadable(std::string_view line, std::string why) {
    reading_.unreadable.push_back({lines_[next_].number, shown(line), std::move(why)});
  }

  const std::vector<repaired_line>& lines_;
  std::string_view hand_in_name_;
  std::size_t next_ = 0;
  hand_in_reading reading_{};
  run_kind current_ = run_kind::none;
  bool awaiting_title_ = false;
  std::deque<std::int32_t> waiting_sizes_;  // typed, not yet answered by a mean
  bool ended_ = false;                      // a size of 0 or less was typed
  std::string name_;
  std::size_t name_line_ = 0;
  std::vector<std::size_t> first_lines_;  // each run's first line, by its index in lines_
};

}  // namespace

hand_in_reading read_lines(const std::vector<repaired_line>& lines, std::string_view name) {
  return reader(lines, name).read();
}
