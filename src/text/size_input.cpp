// Reading one sample size from a person or a pipe, in bounded memory.
#include "size_input.hpp"

#include "shown_entry.hpp"

namespace {

using traits = std::char_traits<char>;

bool is_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_digit(int c) { return c >= '0' && c <= '9'; }

// Drops what is left of the line and the CR or LF that ends it. The LF of a
// CRLF is left: it is white space to the next read, and waiting for it here
// would hold up the message after a lone CR.
void drop_rest_of_line(std::streambuf& in) {
  for (int c = in.sgetc(); c != traits::eof(); c = in.snextc()) {
    if (c == '\n' || c == '\r') {
      in.sbumpc();
      return;
    }
  }
}

}  // namespace

size_reading read_size(std::streambuf& in) {
  int c = in.sgetc();
  while (c != traits::eof() && is_space(c)) c = in.snextc();
  if (c == traits::eof()) return {size_status::end_of_input, 0, {}};

  // The magnitude stops growing once it is out of range, so that no number of
  // digits can wrap it back into range; the entry is read to its end anyway.
  constexpr std::uint64_t most_negative = std::uint64_t{1} << 31;
  std::string kept;
  bool longer = false;
  bool negative = false;
  bool sign_and_digits = true;
  bool any_digit = false;
  std::uint64_t magnitude = 0;
  for (bool first = true; c != traits::eof() && !is_space(c); c = in.snextc(), first = false) {
    if (kept.size() < kept_entry_bytes) {
      kept += traits::to_char_type(c);
    } else {
      longer = true;
    }
    if (first && (c == '+' || c == '-')) {
      negative = c == '-';
    } else if (is_digit(c)) {
      any_digit = true;
      if (magnitude <= most_negative) magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    } else {
      sign_and_digits = false;
    }
  }
  if (!sign_and_digits || !any_digit) {
    drop_rest_of_line(in);
    return {size_status::not_a_number, 0, shown_entry(kept, longer)};
  }
  if (magnitude > (negative ? most_negative : most_negative - 1)) {
    drop_rest_of_line(in);
    return {size_status::out_of_range, 0, shown_entry(kept, longer)};
  }
  const auto size = static_cast<std::int64_t>(magnitude);
  return {size_status::read, static_cast<std::int32_t>(negative ? -size : size), {}};
}
