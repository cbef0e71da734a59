// How a message quotes what the user typed: recognisable, and harmless to any terminal.
#include "shown_entry.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace {

// Code points that act on a terminal or hide or reorder the text around them,
// though they are well-formed: the C0 controls, DEL and the C1 controls, and
// the invisible format characters (Unicode's Cf, Zl and Zp that show nothing).
constexpr std::array<std::pair<char32_t, char32_t>, 10> hidden_code_points{{
    {0x0000, 0x001f},    // C0 controls: ESC starts every terminal escape sequence
    {0x007f, 0x009f},    // DEL, and the C1 controls: CSI (U+009B) and OSC (U+009D) among them
    {0x00ad, 0x00ad},    // soft hyphen
    {0x061c, 0x061c},    // Arabic letter mark
    {0x180e, 0x180e},    // Mongolian vowel separator
    {0x200b, 0x200f},    // zero-width space, (non-)joiner; left-to-right and right-to-left marks
    {0x2028, 0x202e},    // line and paragraph separators; bidi embeddings and overrides
    {0x2060, 0x206f},    // word joiner, invisible operators, bidi isolates (U+2066 to U+2069)
    {0xfeff, 0xfeff},    // zero-width no-break space, the byte order mark
    {0xe0000, 0xe007f},  // tags
}};

constexpr bool is_hidden(char32_t code_point) noexcept {
  return std::any_of(hidden_code_points.begin(), hidden_code_points.end(),
                     [code_point](const auto& range) {
                       return code_point >= range.first && code_point <= range.second;
                     });
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
//   a typed backslash or double quote                   \\  \"
//   a C0 control or DEL (U+0000 to U+001F, U+007F)      \xNN
//   each byte that is not part of well-formed UTF-8     \xNN
//   any other hidden code point (C1 controls, format)   \uNNNN, or \UNNNNNNNN above U+FFFF
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
