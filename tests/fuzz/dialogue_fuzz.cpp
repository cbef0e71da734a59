// libFuzzer target: the real dialogue over arbitrary input bytes, with a
// sampler that only records the sizes that it is asked for.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "../dialogue_text.hpp"
#include "dialogue.hpp"
#include "hidden_code_points.hpp"

namespace {

// A quote shows 40 characters, each escape at most 10 bytes (\UNNNNNNNN), plus "...".
constexpr std::size_t longest_rejection = 100 + 40 * 10 + 3;

void require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "dialogue_fuzz: %s\n", what);
    std::abort();
  }
}

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Where `size` stands in the input at or after `from` as a whole entry: its
// digits, after leading zeros and a plus sign at most, with white space or
// either end of the input on both sides. Returns the position after it, or npos.
std::size_t find_written(std::string_view input, std::size_t from, std::int32_t size) {
  const std::string digits = std::to_string(size);
  for (std::size_t at = input.find(digits, from); at != std::string_view::npos;
       at = input.find(digits, at + 1)) {
    const std::size_t end = at + digits.size();
    if (end < input.size() && !is_space(input[end])) continue;
    std::size_t start = at;
    while (start > from && input[start - 1] == '0') --start;
    if (start > from && input[start - 1] == '+') --start;
    if (start > 0 && !is_space(input[start - 1])) continue;
    return end;
  }
  return std::string_view::npos;
}

// The next code point of strict UTF-8 at `at`, advancing past it; -1 where the
// bytes are ill-formed (overlong, surrogate, above U+10FFFF, cut short).
long next_code_point(std::string_view text, std::size_t& at) {
  const auto lead = static_cast<unsigned char>(text[at++]);
  if (lead < 0x80) return lead;
  const int length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 0;
  if (length == 0 || lead > 0xf7) return -1;
  long code_point = lead & (0x7f >> length);
  for (int i = 1; i < length; ++i, ++at) {
    if (at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xc0) != 0x80) return -1;
    code_point = code_point << 6 | (static_cast<unsigned char>(text[at]) & 0x3f);
  }
  constexpr long least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code_point < least[length] || code_point > 0x10ffff) return -1;
  if (code_point >= 0xd800 && code_point <= 0xdfff) return -1;
  return code_point;
}

bool is_in(const auto& ranges, long c) {
  return std::any_of(ranges.begin(), ranges.end(), [c](const code_point_range& range) {
    return c >= static_cast<long>(range.first) && c <= static_cast<long>(range.last);
  });
}

// Controls, the characters that show nothing and the spaces but U+0020, by
// the Unicode Character Database.
bool is_hidden(long c) { return is_in(hidden_code_points, c); }

// The length of the escape at the start of `text` (after its backslash
// comes \\, \", xNN, uNNNN or UNNNNNNNN); 0 where none is.
std::size_t escape_length(std::string_view text) {
  if (text.size() < 2 || text[0] != '\\') return 0;
  const std::size_t length = text[1] == 'x' ? 4 : text[1] == 'u' ? 6 : text[1] == 'U' ? 10 : 2;
  return length <= text.size() ? length : 0;
}

// A rejection line (without its newline): strict UTF-8, no control or format
// character, and a quote that ends at its one unescaped double quote.
void check_rejection(std::string_view line) {
  require(line.size() <= longest_rejection, "a rejection message is too long");
  for (std::size_t at = 0; at < line.size();) {
    const long c = next_code_point(line, at);
    require(c >= 0, "a message is not strict UTF-8");
    require(!is_hidden(c), "a message holds a control or a character that shows nothing");
  }
  const std::string_view starts[] = {"Not a whole number: \"", "Out of range: \""};
  const std::string_view ends[] = {"\". Enter a sample size such as 100, or 0 to quit.",
                                   "\". Enter a whole number from -2147483648 to 2147483647; 0 "
                                   "or less quits."};
  for (int kind = 0; kind < 2; ++kind) {
    if (!line.starts_with(starts[kind])) continue;
    // A combining mark in the quote sits on a character shown as typed, never
    // on the opening quote sign or on an escape.
    std::size_t at = starts[kind].size();
    bool after_typed = false;
    while (at < line.size() && line[at] != '"') {
      if (const std::size_t escape = escape_length(line.substr(at)); escape > 0) {
        at += escape;
        after_typed = false;
        continue;
      }
      const long c = next_code_point(line, at);
      require(after_typed || !is_in(joining_marks, c),
              "a combining mark sits on an escape or quote");
      after_typed = true;
    }
    require(at < line.size() && line.substr(at) == ends[kind], "the quote ends before its end");
    return;
  }
  require(false, "standard error holds something else");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::istringstream in(input);
  std::ostringstream out, err;
  std::vector<std::int32_t> sizes;
  const int status = run_dialogue(in, out, err, [&sizes](std::int32_t asked) {
    sizes.push_back(asked);
    return 3.5;
  });
  require(status == 0, "a dialogue on a string ended with a failure");

  std::size_t searched = 0;
  for (const std::int32_t asked : sizes) {
    require(asked >= 1, "sampled a size below 1");
    searched = find_written(input, searched, asked);
    require(searched != std::string_view::npos, "sampled a size that is not a whole entry");
  }

  // Standard output: the introduction, then nothing but prompts and means.
  const std::string mean_line = mean_line_start + "3.5\n\n";
  const std::string shown = out.str();
  std::string_view rest = shown;
  require(rest.starts_with(introduction), "the introduction is not first");
  rest.remove_prefix(introduction.size());
  std::size_t prompts = 0, means = 0;
  while (!rest.empty()) {
    if (rest.starts_with(prompt)) {
      rest.remove_prefix(prompt.size());
      ++prompts;
    } else {
      require(rest.starts_with(mean_line), "standard output holds something else");
      rest.remove_prefix(mean_line.size());
      ++means;
    }
  }
  require(means == sizes.size(), "a mean line without a sample, or a sample without one");

  // Standard error: one line per rejected entry, each ended by its newline.
  const std::string errors = err.str();
  require(errors.empty() || errors.back() == '\n', "a message does not end its line");
  std::size_t rejected = 0;
  for (std::size_t start = 0; start < errors.size(); ++rejected) {
    const std::size_t end = errors.find('\n', start);
    check_rejection(std::string_view(errors).substr(start, end - start));
    start = end + 1;
  }
  // Every prompt is answered by a mean, a rejection, or the end.
  require(prompts == sizes.size() + rejected + 1, "prompts and answers do not add up");
  return 0;
}
