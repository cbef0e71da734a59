// UTF-8 decoding and UTF-16 conversion, for quoting entries and for text that is not UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct decoded_character {
  char32_t code_point;
  std::size_t length;  // 0 where the bytes are not well-formed UTF-8
};

// The character at the start of `bytes` (not empty), by the well-formed byte
// sequences of the Unicode Standard (table 3-7): no overlong form, no
// surrogate, nothing above U+10FFFF, no truncated sequence, no stray
// continuation byte.
constexpr decoded_character decode_utf8(std::string_view bytes) noexcept {
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

// How many bytes at the end of `bytes` begin a UTF-8 sequence that the next
// bytes may complete (0 to 3): text cut there is held back rather than shown
// as a broken character.
std::size_t unfinished_utf8_tail(std::string_view bytes) noexcept;

// UTF-16 code units as UTF-8, a piece at a time: a surrogate pair may be
// split between pieces. A surrogate without its partner becomes U+FFFD, the
// replacement character, as every decoder of the Encoding Standard does.
class utf16_to_utf8 {
 public:
  // Appends the UTF-8 of `units` to `to`.
  void convert(std::u16string_view units, std::string& to);
  // Ends the text: a high surrogate still waiting for its partner is replaced.
  void finish(std::string& to);

 private:
  char16_t waiting_high_ = 0;
};

// UTF-16 bytes in either order as UTF-8, a piece at a time: a code unit may be
// split between pieces too. An odd byte at the end becomes U+FFFD.
class utf16_bytes_to_utf8 {
 public:
  explicit utf16_bytes_to_utf8(bool big_endian) noexcept : big_endian_(big_endian) {}
  void convert(std::string_view bytes, std::string& to);
  void finish(std::string& to);

 private:
  bool big_endian_;
  int waiting_byte_ = -1;
  utf16_to_utf8 units_;
};

// UTF-8 as UTF-16; each byte that is not part of well-formed UTF-8 becomes
// U+FFFD. `text` should end on a whole character (unfinished_utf8_tail).
std::u16string utf16_of(std::string_view text);

// Appends the UTF-8 form of a Unicode scalar value.
void append_utf8(std::string& to, char32_t code_point);
