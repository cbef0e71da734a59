// How a message quotes what the user typed: recognisable, and harmless to any terminal.
#include "shown_entry.hpp"

#include <algorithm>
#include <cstdint>

#include "hidden_code_points.hpp"
#include "unicode.hpp"

namespace {

// Sorted and disjoint, so that a binary search finds a code point's range.
constexpr bool sorted_and_disjoint(const auto& ranges) noexcept {
  return std::adjacent_find(ranges.begin(), ranges.end(),
                            [](const auto& a, const auto& b) { return a.last >= b.first; }) ==
             ranges.end() &&
         std::all_of(ranges.begin(), ranges.end(),
                     [](const auto& range) { return range.first <= range.last; });
}
static_assert(sorted_and_disjoint(hidden_code_points));
static_assert(sorted_and_disjoint(joining_marks));

template <std::size_t count>
bool is_in(const std::array<code_point_range, count>& ranges, char32_t code_point) noexcept {
  const auto ranges_from_below =
      std::upper_bound(
          ranges.begin(), ranges.end(), code_point,
          [](char32_t point, const code_point_range& range) { return point < range.first; }) -
      ranges.begin();
  return ranges_from_below > 0 &&
         code_point <= ranges.at(static_cast<std::size_t>(ranges_from_below - 1)).last;
}

// Whether a code point shows nothing, acts on the terminal or passes for a
// blank, by the Unicode Character Database: ESC (U+001B) starts every terminal
// escape sequence, CSI (U+009B) and OSC (U+009D) are C1 controls, U+202E
// reverses the text after it, U+034F and the variation selectors show nothing
// at all, and U+00A0 or U+3000 would make one entry look like two.
bool is_hidden(char32_t code_point) noexcept { return is_in(hidden_code_points, code_point); }

void append_hex(std::string& to, std::uint32_t value, int digits) {
  constexpr std::string_view hex = "0123456789abcdef";
  for (int digit = digits - 1; digit >= 0; --digit) to += hex[(value >> (4 * digit)) & 0xfU];
}

// \\ and \" for the two characters that the quote's own syntax uses, else
// \xNN below U+0080, \uNNNN up to U+FFFF, \UNNNNNNNN above.
void append_escape(std::string& to, char32_t code_point) {
  if (code_point == '\\' || code_point == '"') {
    to += '\\';
    to += static_cast<char>(code_point);
    return;
  }
  const int digits = code_point < 0x80 ? 2 : code_point <= 0xffff ? 4 : 8;
  to += digits == 2 ? "\\x" : digits == 4 ? "\\u" : "\\U";
  append_hex(to, code_point, digits);
}

}  // namespace

// The escape rule. Printable text stands as typed; everything else is escaped,
// so that a message can neither act on the terminal nor hide or reorder what
// it quotes, and every escape reads back unambiguously:
//   a typed backslash or double quote                 \\  \"
//   a C0 control or DEL (U+0000 to U+001F, U+007F)    \xNN
//   each byte that is not part of well-formed UTF-8   \xNN
//   any other code point of hidden_code_points.hpp    \uNNNN, or \UNNNNNNNN above U+FFFF
//     (default-ignorable; of category Cc, Cf, Zl, Zp, Co, Cs or Cn; a space but U+0020)
//   a joining mark (a combining mark, or a Hangul     \uNNNN, or \UNNNNNNNN
//     vowel or final consonant) that does not follow a character shown as
//     typed, so that it cannot sit on the quote sign or on an escape
namespace {

// The escaped form of at most `most` characters of `typed`; `at` ends after them.
// `quoted`: the text stands between double quotes, whose syntax its own
// backslashes and double quotes would upset.
std::string escape_up_to(std::string_view typed, std::size_t most, std::size_t& at,
                         bool quoted = true) {
  std::string shown;
  std::size_t characters = 0;
  at = 0;
  bool after_typed_character = false;  // the opening quote sign comes first
  for (; at < typed.size() && characters < most; ++characters) {
    const decoded_character next = decode_utf8(typed.substr(at));
    if (next.length == 0) {
      shown += "\\x";
      append_hex(shown, static_cast<unsigned char>(typed[at]), 2);
      after_typed_character = false;
      ++at;
      continue;
    }
    const char32_t code_point = next.code_point;
    const bool escaped = (quoted && (code_point == '\\' || code_point == '"')) ||
                         is_hidden(code_point) ||
                         (!after_typed_character && is_in(joining_marks, code_point));
    if (escaped) {
      append_escape(shown, code_point);
    } else {
      shown += typed.substr(at, next.length);
    }
    after_typed_character = !escaped;
    at += next.length;
  }
  return shown;
}

}  // namespace

std::string shown_entry(std::string_view typed, bool longer, std::size_t most) {
  std::size_t at = 0;
  std::string shown = escape_up_to(typed, most, at);
  if (longer || at < typed.size()) shown += "...";
  return shown;
}

std::string shown_text(std::string_view typed) {
  std::size_t at = 0;
  return escape_up_to(typed, typed.size(), at);
}

std::string shown_name(std::string_view typed) {
  std::size_t at = 0;
  return escape_up_to(typed, typed.size(), at, false);
}
