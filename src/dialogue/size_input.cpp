// Reading one sample size from a person or a pipe, in bounded memory.
#include "size_input.hpp"

#include <string_view>

namespace {

using traits = std::char_traits<char>;

// What a message shows of a rejected entry: enough to recognise it, never a
// whole 50 MB line.
constexpr std::size_t shown_characters = 40;

bool is_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_digit(int c) { return c >= '0' && c <= '9'; }

// How many continuation bytes a UTF-8 lead byte announces; 0 for any other byte.
int continuations_after(unsigned char byte) {
  if (byte >= 0xC2 && byte <= 0xDF) return 1;
  if (byte >= 0xE0 && byte <= 0xEF) return 2;
  if (byte >= 0xF0 && byte <= 0xF4) return 3;
  return 0;
}

bool is_continuation(unsigned char byte) { return (byte & 0xC0U) == 0x80U; }

struct typed_text {
  std::string kept;  // at most shown_characters characters of 1 to 4 bytes
  std::size_t characters = 0;
  int continuations_due = 0;  // of the last character kept
  bool cut = false;           // nothing more is kept
  bool more_follows = false;  // something other than white space came after the cut
};

void keep(typed_text& text, int c) {
  const auto byte = static_cast<unsigned char>(c);
  // A continuation byte that no lead byte announced is a character of its own.
  const bool continues = is_continuation(byte) && text.continuations_due > 0;
  text.cut = text.cut || (!continues && text.characters == shown_characters);
  if (text.cut) {
    text.more_follows = text.more_follows || !is_space(c);
    return;
  }
  if (continues) {
    --text.continuations_due;
  } else {
    ++text.characters;
    text.continuations_due = continuations_after(byte);
  }
  text.kept += static_cast<char>(byte);
}

void append_escaped(std::string& to, unsigned char byte) {
  constexpr const char* hex = "0123456789abcdef";
  to += "\\x";
  to += hex[byte >> 4];
  to += hex[byte & 0xfU];
}

// The entry as a message shows it: trailing white space (a CR of a CRLF line
// end, say) dropped; control bytes and bytes that are not well-formed UTF-8
// written as \xNN, so that they can neither act on the terminal nor garble
// it; and "..." where it was cut short.
std::string shown(const typed_text& text) {
  std::string_view kept = text.kept;
  while (!kept.empty() && is_space(static_cast<unsigned char>(kept.back()))) kept.remove_suffix(1);
  std::string result;
  for (std::size_t at = 0; at < kept.size();) {
    const auto byte = static_cast<unsigned char>(kept[at]);
    if (byte >= 0x20 && byte < 0x7f) {
      result += kept[at++];
      continue;
    }
    const std::size_t length = 1 + static_cast<std::size_t>(continuations_after(byte));
    bool well_formed = length > 1 && at + length <= kept.size();
    for (std::size_t next = at + 1; well_formed && next < at + length; ++next) {
      well_formed = is_continuation(static_cast<unsigned char>(kept[next]));
    }
    if (well_formed) {
      result += kept.substr(at, length);
      at += length;
    } else {
      append_escaped(result, byte);
      ++at;
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
    if (text != nullptr) keep(*text, c);
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
