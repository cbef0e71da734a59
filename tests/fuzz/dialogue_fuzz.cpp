// libFuzzer target: the real dialogue over arbitrary input bytes, with a
// sampler that only records the sizes that it is asked for.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "dialogue.hpp"

namespace {

constexpr std::string_view introduction =
    "Roll a die many times to determine whether it is a fair die\n\n"
    "The population parameters of a fair die are\nmu = 3.5\nsigma = 1.70783\n\n";
constexpr std::string_view prompt = "Enter the sample size (0 to quit): ";
constexpr std::string_view mean_line = "The sample mean = 3.5\n\n";
constexpr std::string_view rejections[] = {"Not a whole number: \"", "Out of range: \""};
constexpr std::size_t longest_rejection = 300;  // a quote is cut at 40 characters

void require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "dialogue_fuzz: %s\n", what);
    std::abort();
  }
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Where `size` stands in the input at or after `from` as a whole number of its
// own: digits not preceded by a digit or a minus sign (leading zeros and a
// plus sign allowed) and not followed by a digit. Returns the position after
// it, or npos.
std::size_t find_written(std::string_view input, std::size_t from, std::int32_t size) {
  const std::string digits = std::to_string(size);
  for (std::size_t at = input.find(digits, from); at != std::string_view::npos;
       at = input.find(digits, at + 1)) {
    const std::size_t end = at + digits.size();
    if (end < input.size() && is_digit(input[end])) continue;
    std::size_t start = at;
    while (start > from && input[start - 1] == '0') --start;
    if (start > 0 && (is_digit(input[start - 1]) || input[start - 1] == '-')) continue;
    return end;
  }
  return std::string_view::npos;
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
    require(searched != std::string_view::npos, "sampled a size that the input does not hold");
  }

  // Standard output: the introduction, then nothing but prompts and means.
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

  // Standard error: one short line per rejected entry.
  std::size_t rejected = 0;
  std::istringstream lines(err.str());
  for (std::string line; std::getline(lines, line); ++rejected) {
    require(line.starts_with(rejections[0]) || line.starts_with(rejections[1]),
            "standard error holds something else");
    require(line.size() <= longest_rejection, "a rejection message is too long");
  }
  // Every prompt is answered by a mean, a rejection, or the end.
  require(prompts == sizes.size() + rejected + 1, "prompts and answers do not add up");
  return 0;
}
