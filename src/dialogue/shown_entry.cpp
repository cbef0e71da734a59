// How a message quotes what the user typed: recognisable, and harmless to any terminal.
#include "shown_entry.hpp"

#include <algorithm>
#include <cstdint>

#include "hidden_code_points.hpp"

namespace {

// Sorted and disjoint, so that a binary search finds a code point's range.
constexpr bool sorted_and_disjoint(const auto& ranges) noexcept {
  return std::adjacent_find(ranges.begin(), ranges.end(), [](const auto& a, const auto& b) {
           return a.last >= b.first;
         }) == ranges.end() &&
         std::all_of(ranges.begin(), ranges.end(),
                     [](const auto& range) { return range.first <= range.last; });
}
static_assert(sorted_and_disjoint(hidden_code_points));

// Whether a code point shows nothing or acts on the terminal, by the Unicode
// Character Database: ESC (U+001B) starts every terminal escape sequence, CSI
// (U+009B) and OSC (U+009D) are C1 controls, U+202E reverses the text after it,
// U+034F and the variation selectors show nothing at all.
bool is_hidden(char32_t code_point) noexcept {
  const auto ranges_from_below =
      std::upper_bound(hidden_code_points.begin(), hidden_code_points.end(), code_point,
                       [](char32_t point, const code_point_range& range) {
                         return point < range.first;
                       }) -
      hidden_code_points.begin();
  return ranges_from_below > 0 &&
         code_point <= hidden_code_points.at(static_cast<std::size_t>(ranges_from_below - 1)).last;
}

struct decoded {
  char32_t code_point;
  std::size_t length;  // 0 where the bytes are not well-formed UTF-8
};

// The character at the start of `bytes`, by the well-formed byte sequences of
// the Unicode Standard (table 3-7): no overlong form, no surrogate, nothing
// above U+10FFFF, no truncated sequence, no stray continuation byte.
constexpr decoded decode_utf8(std::string_view bytes) noexcept {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  char32_t code_point = 0;
  unsigned char second_low = 0x80;
  unsigned char second_high = 0xbf;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
    code_point = lead & 0x1fU;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    code_point = lead & 0x0fU;
    if (lead == 0xe0) second_low = 0xa0;   // below: overlong
    if (lead == 0xed) second_high = 0x9f;  // above: surrogates
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    code_point = lead & 0x07U;
    if (lead == 0xf0) second_low = 0x90;   // below: overlong
    if (lead == 0xf4) second_high = 0x8f;  // above: past U+10FFFF
  } else {
    return {0, 0};
  }
  if (bytes.size() < length) return {0, 0};
  for (std::size_t at = 1; at < length; ++at) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    const unsigned char low = at == 1 ? second_low : 0x80;
    const unsigned char high = at == 1 ? second_high : 0xbf;
    if (byte < low || byte > high) return {0, 0};
    code_point = code_point << 6 | (byte & 0x3fU);
  }
  return {code_point, length};
}

void append_hex(std::string& to, std::uint32_t value, int digits) {
  constexpr std::string_view hex = "0123456789abcdef";
  for (int digit = digits - 1; digit >= 0; --digit) to += hex[(value >> (4 * digit)) & 0xfU];
}

}  // namespace

// The escape rule. Printable text stands as typed; everything else is escaped,
// so that a message can neither act on the terminal nor hide or reorder what
// it quotes, and every escape reads back unambiguously:
//   a typed backslash or double quote                 \\  \"
//   a C0 control or DEL (U+0000 to U+001F, U+007F)    \xNN
//   each byte that is not part of well-formed UTF-8   \xNN
//   any other code point of hidden_code_points.hpp    \uNNNN, or \UNNNNNNNN above U+FFFF
//     (default-ignorable, or of category Cc, Cf, Zl, Zp, Co, Cs or Cn)
std::string shown_entry(std::string_view typed, bool longer) {
  std::string shown;
  std::size_t characters = 0;
  std::size_t at = 0;
  for (; at < typed.size() && characters < shown_characters; ++characters) {
    const decoded next = decode_utf8(typed.substr(at));
    if (next.length == 0) {
      shown += "\\x";
      append_hex(shown, static_cast<unsigned char>(typed[at]), 2);
      ++at;
      continue;
    }
    if (next.code_point == '\\' || next.code_point == '"') {
      shown += '\\';
      shown += static_cast<char>(next.code_point);
    } else if (is_hidden(next.code_point)) {
      const int digits = next.code_point < 0x80 ? 2 : next.code_point <= 0xffff ? 4 : 8;
      shown += digits == 2 ? "\\x" : digits == 4 ? "\\u" : "\\U";
      append_hex(shown, next.code_point, digits);
    } else {
      shown += typed.substr(at, next.length);
    }
    at += next.length;
  }
  if (longer || at < typed.size()) shown += "...";
  return shown;
}
