// The fields of a class text's lines: sizes, means and z as the program prints them or a record sheet holds them.
#include "class_fields.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "dialogue_lines.hpp"
#include "size_input.hpp"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool all_digits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), is_digit);
}

std::vector<std::string_view> fields_of(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t at = 0; at < line.size();) {
    while (at < line.size() && is_blank(line[at])) ++at;
    const std::size_t start = at;
    while (at < line.size() && !is_blank(line[at])) ++at;
    if (at > start) fields.push_back(line.substr(start, at - start));
  }
  return fields;
}

// The fields from `first` up to `end`, as they stood in the line with one blank between.
std::string joined(const std::vector<std::string_view>& fields, std::size_t first,
                   std::size_t end) {
  std::string text;
  for (std::size_t at = first; at < end; ++at) (text += at > first ? " " : "") += fields[at];
  return text;
}

std::optional<double> written_number(std::string_view text) {
  std::array<char, 32> number{};
  if (text.empty() || text.size() >= number.size()) return std::nullopt;
  std::copy(text.begin(), text.end(), number.begin());
  std::replace(number.begin(), number.end(), ',', '.');
  const std::string_view written(number.data(), text.size());
  const std::string_view digits = written.substr(written[0] == '-' || written[0] == '+' ? 1 : 0);
  const std::size_t point = digits.find('.');
  if (!all_digits(digits.substr(0, point)) ||
      (point != std::string_view::npos && !all_digits(digits.substr(point + 1)))) {
    return std::nullopt;
  }
  return std::strtod(number.data(), nullptr);
}

// Whether `written` is the z of `size` rolls with mean `mean`, as a student
// works it out by hand: to its written decimals, give or take a rounded
// standard error (2 %).
bool is_z_of(std::string_view written, std::int32_t size, const written_mean& mean) {
  const std::optional<double> z = written_number(written);
  if (!z) return false;
  const double exact =
      (mean.value - fair_mean) / (fair_sigma() / std::sqrt(static_cast<double>(size)));
  const std::size_t point = written.find_first_of(".,");
  const auto decimals =
      static_cast<int>(point == std::string_view::npos ? 0 : written.size() - point - 1);
  return std::abs(*z - exact) <= 0.5 * std::pow(10.0, -decimals) + 0.02 * std::abs(exact) + 1e-9;
}

}  // namespace

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<written_mean> printed_mean(std::string_view text) {
  const std::size_t point = text.find_first_of(".,");
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if (whole.size() != 1 || !all_digits(whole) ||
      (point != std::string_view::npos && !all_digits(fraction)) ||
      fraction.size() > static_cast<std::size_t>(most_mean_decimals)) {
    return std::nullopt;
  }
  std::int64_t scaled = whole[0] - '0';
  for (const char digit : fraction) scaled = scaled * 10 + (digit - '0');
  const auto decimals = static_cast<int>(fraction.size());
  const double value = static_cast<double>(scaled) / std::pow(10.0, decimals);
  if (!(value >= 1.0 && value <= 6.0)) return std::nullopt;
  return written_mean{value, decimals, scaled};
}

bool mean_is_possible(std::int32_t size, const written_mean& mean) {
  const double n = size;
  const double half_unit = 0.5 * std::pow(10.0, -mean.decimals);
  const double least_total = std::max(n, std::ceil((mean.value - half_unit) * n - 1e-9 * n));
  const double most_total = std::min(6.0 * n, std::floor((mean.value + half_unit) * n + 1e-9 * n));
  return least_total <= most_total;
}

std::optional<std::int32_t> size_of(std::string_view text) {
  // Plain digits, by far the most common, read at once; the rest as the program reads them.
  if (all_digits(text) && text.size() <= 9) {
    std::int32_t size = 0;
    for (const char digit : text) size = size * 10 + (digit - '0');
    return size > 0 ? std::optional(size) : std::nullopt;
  }
  std::stringbuf entry{std::string(text) + "\n"};
  const size_reading first = read_size(entry);
  if (first.status != size_status::read || first.size <= 0) return std::nullopt;
  if (read_size(entry).status != size_status::end_of_input) return std::nullopt;
  return first.size;
}

std::optional<std::int32_t> recorded_size(std::string_view text) {
  if (const std::optional<std::int32_t> size = size_of(text)) return size;
  // 1,000 or 10 000: a first group of one to three digits, then groups of three, one separator throughout.
  const std::size_t first = text.find_first_of(", ");
  if (first == std::string_view::npos || first == 0 || first > 3) return std::nullopt;
  const char separator = text[first];
  std::string digits(text.substr(0, first));
  if (!all_digits(digits)) return std::nullopt;
  for (std::size_t at = first; at < text.size(); at += 4) {
    if (text[at] != separator || text.size() < at + 4 || !all_digits(text.substr(at + 1, 3)))
      return std::nullopt;
    digits += text.substr(at + 1, 3);
  }
  return size_of(digits);
}

namespace {

// SIZE MEAN (the size perhaps grouped in threes), or SIZE MEAN Z with Z this
// sample's z or not (wrong_z).
std::optional<record_line> size_mean_and_z(const std::vector<std::string_view>& fields) {
  const auto as_record = [&fields](std::size_t mean_at) -> std::optional<record_line> {
    const std::optional<written_mean> mean = printed_mean(fields[mean_at]);
    if (!mean || mean_at == 0) return std::nullopt;
    const std::optional<std::int32_t> size = recorded_size(joined(fields, 0, mean_at));
    if (!size) return std::nullopt;
    return record_line{record_kind::record, *size, *mean, fields[mean_at]};
  };
  if (fields.size() < 2) return std::nullopt;
  if (std::optional<record_line> record = as_record(fields.size() - 1)) return record;
  if (fields.size() < 3) return std::nullopt;
  std::optional<record_line> record = as_record(fields.size() - 2);
  if (record && !is_z_of(fields.back(), record->size, record->mean))
    record->kind = record_kind::wrong_z;
  return record;
}

}  // namespace

record_line read_record(std::string_view line) {
  const std::vector<std::string_view> fields = fields_of(line);
  if (const std::optional<record_line> record = size_mean_and_z(fields)) return *record;
  const record_line none{record_kind::not_a_record, 0, {}, {}};
  if (fields.size() < 3) return none;
  const std::string_view first = fields[0];
  const bool numbered = first.size() >= 2 && (first.back() == '.' || first.back() == ')') &&
                        all_digits(first.substr(0, first.size() - 1));
  if (numbered) {
    const std::optional<record_line> rest = size_mean_and_z({fields.begin() + 1, fields.end()});
    if (rest && rest->kind == record_kind::record) {
      return {record_kind::list_number, rest->size, rest->mean, rest->mean_text};
    }
  }
  // SIZE MEAN first, then fields that are not its z.
  const std::optional<std::int32_t> size = recorded_size(fields[0]);
  const std::optional<written_mean> mean = printed_mean(fields[1]);
  if (size && mean) return {record_kind::extra_fields, *size, *mean, fields[1]};
  return none;
}

bool looks_like_a_record(std::string_view line) {
  const std::vector<std::string_view> fields = fields_of(line);
  if (fields.size() != 2) return false;
  const char first = fields[0].front();
  return is_digit(first) || first == '+' || first == '-';
}

bool holds_a_decimal(std::string_view line) {
  for (std::size_t at = 1; at + 1 < line.size(); ++at) {
    if ((line[at] == '.' || line[at] == ',') && is_digit(line[at - 1]) && is_digit(line[at + 1]))
      return true;
  }
  return false;
}
