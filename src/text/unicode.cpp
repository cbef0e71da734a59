// UTF-8 decoding and UTF-16 conversion, for quoting entries and for text that is not UTF-8.
#include "unicode.hpp"

namespace {

constexpr char32_t replacement_character = 0xfffd;

constexpr bool is_high_surrogate(char32_t unit) noexcept {
  return unit >= 0xd800 && unit <= 0xdbff;
}
constexpr bool is_low_surrogate(char32_t unit) noexcept { return unit >= 0xdc00 && unit <= 0xdfff; }

constexpr std::size_t sequence_length(unsigned char lead) noexcept {
  return lead >= 0xc2 && lead <= 0xdf   ? 2
         : lead >= 0xe0 && lead <= 0xef ? 3
         : lead >= 0xf0 && lead <= 0xf4 ? 4
                                        : 1;
}

}  // namespace

std::size_t unfinished_utf8_tail(std::string_view bytes) noexcept {
  for (std::size_t tail = 1; tail <= 3 && tail <= bytes.size(); ++tail) {
    const auto byte = static_cast<unsigned char>(bytes[bytes.size() - tail]);
    if (byte >= 0x80 && byte <= 0xbf) continue;  // a continuation byte: its lead is further back
    return sequence_length(byte) > tail ? tail : 0;
  }
  return 0;
}

void append_utf8(std::string& to, char32_t code_point) {
  const auto byte = [](char32_t bits) {
    return static_cast<char>(static_cast<unsigned char>(bits));
  };
  if (code_point < 0x80) {
    to += byte(code_point);
  } else if (code_point < 0x800) {
    to += byte(0xc0 | code_point >> 6);
    to += byte(0x80 | (code_point & 0x3f));
  } else if (code_point < 0x10000) {
    to += byte(0xe0 | code_point >> 12);
    to += byte(0x80 | (code_point >> 6 & 0x3f));
    to += byte(0x80 | (code_point & 0x3f));
  } else {
    to += byte(0xf0 | code_point >> 18);
    to += byte(0x80 | (code_point >> 12 & 0x3f));
    to += byte(0x80 | (code_point >> 6 & 0x3f));
    to += byte(0x80 | (code_point & 0x3f));
  }
}

void utf16_to_utf8::convert(std::u16string_view units, std::string& to) {
  for (const char16_t unit : units) {
    if (waiting_high_ != 0) {
      const char32_t high = waiting_high_;
      waiting_high_ = 0;
      if (is_low_surrogate(unit)) {
        append_utf8(to, 0x10000 + ((high - 0xd800) << 10) + (unit - 0xdc00U));
        continue;
      }
      append_utf8(to, replacement_character);
    }
    if (is_high_surrogate(unit)) {
      waiting_high_ = unit;
    } else {
      append_utf8(to, is_low_surrogate(unit) ? replacement_character : unit);
    }
  }
}

void utf16_to_utf8::finish(std::string& to) {
  if (waiting_high_ != 0) append_utf8(to, replacement_character);
  waiting_high_ = 0;
}

void utf16_bytes_to_utf8::convert(std::string_view bytes, std::string& to) {
  std::u16string units;
  units.reserve(bytes.size() / 2 + 1);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (waiting_byte_ < 0) {
      waiting_byte_ = byte;
      continue;
    }
    const auto first = static_cast<unsigned>(waiting_byte_);
    const unsigned second = byte;
    units += static_cast<char16_t>(big_endian_ ? first << 8U | second : second << 8U | first);
    waiting_byte_ = -1;
  }
  units_.convert(units, to);
}

void utf16_bytes_to_utf8::finish(std::string& to) {
  units_.finish(to);
  if (waiting_byte_ >= 0) append_utf8(to, replacement_character);
  waiting_byte_ = -1;
}

std::u16string utf16_of(std::string_view text) {
  std::u16string units;
  units.reserve(text.size());
  while (!text.empty()) {
    const decoded_character next = decode_utf8(text);
    const char32_t code_point = next.length == 0 ? replacement_character : next.code_point;
    if (code_point >= 0x10000) {
      units += static_cast<char16_t>(0xd800 + ((code_point - 0x10000) >> 10));
      units += static_cast<char16_t>(0xdc00 + ((code_point - 0x10000) & 0x3ff));
    } else {
      units += static_cast<char16_t>(code_point);
    }
    text.remove_prefix(next.length == 0 ? 1 : next.length);
  }
  return units;
}
