// What the channels between a student and the teacher do to a text, undone before it is read.
#include "class_channels.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

#include "class_fields.hpp"
#include "class_spreadsheet.hpp"
#include "dialogue_lines.hpp"
#include "run_start.hpp"
#include "unicode.hpp"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Category Zs of the Unicode Character Database, but U+0020 itself.
bool is_unicode_space(char32_t c) {
  return c == 0xa0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200a) || c == 0x202f || c == 0x205f ||
         c == 0x3000;
}

bool is_line_end(char32_t c) {
  return c == '\n' || c == '\r' || c == 0x0b || c == 0x0c || c == 0x85 || c == 0x2028 ||
         c == 0x2029;
}

// Hyphens, dashes and minus signs that stand for the program's minus before a number.
bool is_dash(char32_t c) {
  return (c >= 0x2010 && c <= 0x2015) || c == 0x2212 || c == 0xfe63 || c == 0xff0d;
}

// An entity at the start of `text` ("&amp;", "&#8722;", "&#x2212;"), and its length.
struct entity {
  char32_t code_point;
  std::size_t length;
};

std::optional<entity> entity_at(std::string_view text) {
  const std::size_t end = text.find(';', 1);
  if (end > 10) return std::nullopt;  // none (npos), or too far for any entity
  const std::string_view name = text.substr(1, end - 1);
  constexpr std::array<std::pair<std::string_view, char32_t>, 6> named{
      {{"nbsp", 0xa0}, {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}}};
  for (const auto& [known, code_point] : named) {
    if (name == known) return entity{code_point, end + 1};
  }
  if (name.size() < 2 || name[0] != '#') return std::nullopt;
  const bool hex = name[1] == 'x' || name[1] == 'X';
  const std::string_view digits = name.substr(hex ? 2 : 1);
  if (digits.empty()) return std::nullopt;
  char32_t code_point = 0;
  for (const char c : digits) {
    const int digit = is_digit(c) ? c - '0'
                      : hex && std::isxdigit(static_cast<unsigned char>(c)) != 0
                          ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                          : -1;
    if (digit < 0 || code_point > 0x10ffff) return std::nullopt;
    code_point = code_point * (hex ? 16 : 10) + static_cast<char32_t>(digit);
  }
  if (code_point == 0 || code_point > 0x10ffff || (code_point >= 0xd800 && code_point <= 0xdfff))
    return std::nullopt;
  return entity{code_point, end + 1};
}

// The text's lines with entities decoded, spaces as blanks, and dashes before
// digits as minus signs, each with its number in the text as it came.
// The character at `at` that may be undone: an entity, or a character of
// UTF-8 beyond ASCII; none where the byte stands as it is (ASCII, a lone
// '&', a byte that is not UTF-8, which the reader shows escaped).
struct coded_character {
  char32_t code_point;
  std::size_t length;
  bool entity;
};

std::optional<coded_character> coded_at(std::string_view text, std::size_t at) {
  if (text[at] == '&') {
    const std::optional<entity> found = entity_at(text.substr(at));
    if (!found) return std::nullopt;
    return coded_character{found->code_point, found->length, true};
  }
  if (static_cast<unsigned char>(text[at]) < 0x80) return std::nullopt;
  const decoded_character decoded = decode_utf8(text.substr(at));
  if (decoded.length == 0) return std::nullopt;
  return coded_character{decoded.code_point, decoded.length, false};
}

std::vector<repaired_line> physical_lines(std::string_view text) {
  std::vector<repaired_line> lines;
  std::string line;
  std::size_t number = 1;
  const auto end_line = [&] {
    lines.push_back({line, number++});
    line.clear();
  };
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    const std::optional<coded_character> coded = coded_at(text, at);
    if (!coded) {
      if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;  // CR LF: one line end
      if (c == '\n' || c == '\r' || c == '\v' || c == '\f') {
        end_line();
      } else {
        line += c;
      }
      ++at;
      continue;
    }
    const bool digit_follows =
        at + coded->length < text.size() && is_digit(text[at + coded->length]);
    if (is_line_end(coded->code_point)) {
      end_line();
    } else if (is_unicode_space(coded->code_point)) {
      line += ' ';
    } else if (is_dash(coded->code_point) && digit_follows) {
      line += '-';
    } else if (coded->entity) {
      append_utf8(line, coded->code_point);
    } else {
      line.append(text.substr(at, coded->length));
    }
    at += coded->length;
  }
  end_line();
  return lines;
}

// The program's prompt as a trimmed line shows it: without its closing blank.
constexpr std::string_view prompt_text = size_prompt.substr(0, size_prompt.size() - 1);
constexpr std::string_view curly_open = "\xe2\x80\x9c";   // U+201C
constexpr std::string_view curly_close = "\xe2\x80\x9d";  // U+201D
static_assert(curly_open.size() == curly_close.size());
constexpr std::string_view mu_line = "mu = 3.5";
constexpr std::string_view sigma_line = "sigma = 1.70783";

std::string with_straight_quotes(const std::string& text) {
  std::string straight;
  straight.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const std::string_view rest = std::string_view(text).substr(at);
    if (rest.starts_with(curly_open) || rest.starts_with(curly_close)) {
      straight += '"';
      at += curly_open.size();
    } else {
      straight += text[at++];
    }
  }
  return straight;
}

// The closing words of the message that `line` starts with, if it starts with one.
std::optional<std::string_view> message_end_of(std::string_view line) {
  if (line.starts_with(not_a_number_start)) return not_a_number_end;
  if (line.starts_with(out_of_range_start)) return out_of_range_end;
  return std::nullopt;
}

// Whether `line` holds a message whose quotes a word processor made curly.
bool holds_curly_message(std::string_view line) {
  const auto curly = [line](std::string_view start) {
    const std::string_view opening = start.substr(0, start.size() - 1);  // without its quote
    return line.find(std::string(opening) + std::string(curly_open)) != std::string_view::npos;
  };
  return curly(not_a_number_start) || curly(out_of_range_start);
}

// Where the next of the program's own texts stands in `line` after `from`,
// or npos: each starts a line of its own wherever a channel put it.
std::size_t next_marker(std::string_view line, std::size_t from) {
  std::size_t found = std::string_view::npos;
  for (const std::string_view marker :
       {prompt_text, mean_line_start, title_line, parameters_line, mu_line, sigma_line}) {
    found = std::min(found, line.find(marker, from));
  }
  for (const std::string_view start : {not_a_number_start, out_of_range_start})
    found = std::min(found, line.find(start, from));
  for (std::size_t at = line.find(run_start_line_start, from); at != std::string_view::npos;
       at = line.find(run_start_line_start, at + 1)) {
    const std::size_t date = at + run_start_line_start.size();
    if (date < line.size() && is_digit(line[date])) {
      found = std::min(found, at);
      break;
    }
  }
  return found;
}

// Where the line that starts at the start of `piece` ends: a mean's line
// after its number, a message after its closing words, else at the next marker.
std::size_t piece_end(std::string_view piece) {
  if (piece.starts_with(mean_line_start)) {
    std::size_t at = mean_line_start.size();
    while (at < piece.size() && piece[at] == ' ') ++at;
    while (at < piece.size() && piece[at] != ' ') ++at;
    return std::min(at, next_marker(piece, mean_line_start.size()));
  }
  if (const std::optional<std::string_view> end = message_end_of(piece)) {
    if (const std::size_t found = piece.find(*end); found != std::string_view::npos)
      return found + end->size();
  }
  return next_marker(piece, 1);
}

// The starts of lines that a list numbers ("3. ", "12) ").
std::size_t list_number_length(std::string_view line) {
  std::size_t digits = 0;
  while (digits < line.size() && digits < 4 && is_digit(line[digits])) ++digits;
  if (digits == 0 || digits >= line.size() || (line[digits] != '.' && line[digits] != ')'))
    return 0;
  return digits + 1 < line.size() && line[digits + 1] == ' ' ? digits + 2 : 0;
}

std::string_view without_quoting_and_bullet(std::string_view line) {
  line = trimmed(line);
  while (line.starts_with('>')) line = trimmed(line.substr(1));
  for (const std::string_view bullet :
       {"- ", "* ", "\xe2\x80\xa2 ", "\xe2\x97\xa6 ", "\xe2\x80\xa3 ", "\xe2\x96\xaa ", "\xc2\xb7 ",
        "\xe2\x80\x93 "}) {
    if (line.starts_with(bullet)) return trimmed(line.substr(bullet.size()));
  }
  if (const std::size_t numbered = list_number_length(line); numbered > 0) {
    const std::string_view rest = trimmed(line.substr(numbered));
    if (next_marker(rest, 0) == 0) return rest;
  }
  return line;
}

// A message's first line that lacks its closing words, joined with the
// lines that a re-wrapping cut from it (at most three).
void join_wrapped_messages(std::vector<repaired_line>& lines) {
  std::vector<repaired_line> joined;
  joined.reserve(lines.size());
  for (std::size_t at = 0; at < lines.size(); ++at) {
    repaired_line line = std::move(lines[at]);
    if (const std::optional<std::string_view> end = message_end_of(line.text)) {
      std::string whole = line.text;
      std::size_t taken = 0;
      while (whole.find(*end) == std::string::npos && taken < 3 && at + taken + 1 < lines.size() &&
             !lines.at(at + taken + 1).text.empty() &&
             next_marker(lines[at + taken + 1].text, 0) != 0) {
        ++taken;
        (whole += ' ') += with_straight_quotes(lines[at + taken].text);
      }
      if (taken > 0 && whole.ends_with(*end)) {
        line.text = std::move(whole);
        at += taken;
      }
    }
    joined.push_back(std::move(line));
  }
  lines = std::move(joined);
}

}  // namespace

std::vector<repaired_line> repaired_lines(std::string_view text) {
  std::string from_utf16;
  if (text.starts_with("\xff\xfe") || text.starts_with("\xfe\xff")) {
    utf16_bytes_to_utf8 decoder(text[0] == '\xfe');
    decoder.convert(text.substr(2), from_utf16);
    decoder.finish(from_utf16);
    text = from_utf16;
  } else if (text.starts_with("\xef\xbb\xbf")) {
    text.remove_prefix(3);
  }
  std::vector<repaired_line> lines;
  spreadsheet_rows rows;
  for (repaired_line& physical : physical_lines(text)) {
    if (holds_curly_message(physical.text)) physical.text = with_straight_quotes(physical.text);
    std::string_view line = without_quoting_and_bullet(physical.text);
    if (line.find('\t') != std::string_view::npos &&
        next_marker(line, 0) == std::string_view::npos) {
      rows.add_row(line, physical.number, lines);
      continue;
    }
    if (is_header_line(line)) continue;
    // One line for each of the program's texts in it.
    do {
      const std::size_t end = piece_end(line);
      lines.push_back({std::string(trimmed(line.substr(0, end))), physical.number});
      line = end == std::string_view::npos ? std::string_view() : trimmed(line.substr(end));
    } while (!line.empty());
  }
  join_wrapped_messages(lines);
  return lines;
}
