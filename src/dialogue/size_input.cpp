// Reading one sample size from a person or a pipe, in bounded memory.
#include "size_input.hpp"

#include <limits>

namespace {

using traits = std::char_traits<char>;

// What a message shows of a rejected entry: enough to recognise it, never a
// whole 50 MB line.
constexpr std::size_t shown_characters = 40;
constexpr std::size_t kept_bytes = 4 * shown_characters;  // a UTF-8 character has at most 4

bool is_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_digit(int c) { return c >= '0' && c <= '9'; }

struct typed_text {
  std::string kept;
  std::size_t characters = 0;
  bool cut = false;           // nothing more is kept
  bool more_follows = false;  // something other than white space came after the cut
};

void keep(typed_text& text, int c) {
  const auto byte = static_cast<unsigned char>(c);
  const bool starts_character = (byte & 0xC0U) != 0x80U;  // not a UTF-8 continuation byte
  text.cut = text.cut || text.kept.size() == kept_bytes ||
             (starts_character && text.characters == shown_characters);
  if (text.cut) {
    text.more_follows = text.more_follows || !is_space(c);
    return;
  }
  if (starts_character) ++text.characters;
  text.kept += static_cast<char>(byte);
}

// The entry as a message shows it: trailing white space (a CR of a CRLF line
// end, say) dropped, control bytes written as \xNN so that they cannot act on
// the terminal, and "..." where it was cut short.
std::string shown(const typed_text& text) {
  std::string_view kept = text.kept;
  while (!kept.empty() && is_space(static_cast<unsigned char>(kept.back()))) kept.remove_suffix(1);
  std::string result;
  for (const char c : kept) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      constexpr const char* hex = "0123456789abcdef";
      result += "\\x";
      result += hex[byte >> 4];
      result += hex[byte & 0xfU];
    } else {
      result += c;
    }
  }
  if (text.more_follows) result += "...";
  return result;
}

// Consumes the rest of the line and its line end, keeping what is shown of it.
void take_rest_of_line(std::streambuf& in, typed_text* text) {
  for (int c = in.sgetc(); c != traits::eof(); c = in.snextc()) {
    if (c == '\n') {
      in.sbumpc();
      return;
    }
    if (text) keep(*text, c);
  }
}

}  // namespace

size_reading read_size(std::streambuf& in) {
  int c = in.sgetc();
  while (c != traits::eof() && is_space(c)) c = in.snextc();
  if (c == traits::eof()) return {size_status::end_of_input, 0, {}};

  typed_text typed;
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    keep(typed, c);
    c = in.snextc();
  }
  if (!is_digit(c)) {
    take_rest_of_line(in, &typed);
    return {size_status::not_a_number, 0, shown(typed)};
  }

  // The magnitude stops growing once it is out of range, but every digit is
  // still consumed: the number ends where `in >> size` would end it.
  constexpr std::uint64_t most_negative = std::uint64_t{1} << 31;
  std::uint64_t magnitude = 0;
  for (; is_digit(c); c = in.snextc()) {
    keep(typed, c);
    if (magnitude <= most_negative)
      magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (magnitude > (negative ? most_negative : most_negative - 1)) {
    take_rest_of_line(in, nullptr);
    return {size_status::out_of_range, 0, shown(typed)};
  }
  const auto size = static_cast<std::int64_t>(magnitude);
  return {size_status::read, static_cast<std::int32_t>(negative ? -size : size), {}};
}
