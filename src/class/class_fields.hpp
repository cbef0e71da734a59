// The fields of a class text's lines: sizes, means and z as the program prints them or a record sheet holds them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A mean as the program prints it, or as a teacher copies it from a sheet (a
// decimal comma too): a number from 1 to 6, kept exactly as `scaled` / 10^decimals.
struct written_mean {
  double value;
  int decimals;
  std::int64_t scaled;
};
// More decimals than this are no mean that anyone copied from the program,
// which prints at most five.
inline constexpr int most_mean_decimals = 9;

std::optional<written_mean> printed_mean(std::string_view text);

// Whether `size` rolls can give a mean written so: a whole total from size to
// 6 * size whose mean rounds to it at the written decimals.
bool mean_is_possible(std::int32_t size, const written_mean& mean);

// A size as the program reads an entry (an optional sign, digits), 1 or more.
std::optional<std::int32_t> size_of(std::string_view text);

// A size as a record sheet may print it: digits, or digits grouped in
// threes by commas or blanks ("1,000", "10 000").
std::optional<std::int32_t> recorded_size(std::string_view text);

bool is_blank(char c);
std::string_view trimmed(std::string_view text);

// What a line of fields is, as a record sheet's "SIZE MEAN", optionally
// followed by that sample's z.
enum class record_kind {
  record,        // SIZE MEAN, or SIZE MEAN Z with Z this sample's z
  not_a_record,  // no size and mean
  list_number,   // a list's number before SIZE MEAN: "3. 100 3.42"
  wrong_z,       // SIZE MEAN and a third number that is not its z
  extra_fields,  // SIZE MEAN and more than a z
};

struct record_line {
  record_kind kind;
  std::int32_t size;
  written_mean mean;
  std::string_view mean_text;
};

record_line read_record(std::string_view line);

// A record gone wrong ("1O 3.7", "10 9.5"), rather than a name ("Student 1",
// "2nd row Maria"): two fields, the first starting as a number does.
bool looks_like_a_record(std::string_view line);

// Whether a line holds a number with a decimal point or comma, as a mean or z does.
bool holds_a_decimal(std::string_view line);
