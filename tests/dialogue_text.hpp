// The dialogue's fixed text, to the character, for every test that reads it.
#pragma once

#include <string>
#include <vector>

inline const std::string introduction =
    "Roll a die many times to determine whether it is a fair die\n"
    "\n"
    "The population parameters of a fair die are\n"
    "mu = 3.5\n"
    "sigma = 1.70783\n"
    "\n";
inline const std::string prompt = "Enter the sample size (0 to quit): ";
inline const std::string mean_line_start = "The sample mean = ";

// The line that rejects an entry, given the entry as the message shows it.
inline std::string not_a_number(const std::string& shown) {
  return "Not a whole number: \"" + shown + "\". Enter a sample size such as 100, or 0 to quit.\n";
}
inline std::string out_of_range(const std::string& shown) {
  return "Out of range: \"" + shown +
         "\". Enter a whole number from -2147483648 to 2147483647; 0 or less quits.\n";
}

// A mean's line, with the empty line after it.
inline std::string mean_line(const std::string& mean) { return mean_line_start + mean + "\n\n"; }

// A transcript as a terminal (or the student's page) shows it: the
// introduction, then what follows it, typed lines after their prompts.
inline std::string transcript_of(const std::vector<std::string>& shown) {
  std::string text = introduction;
  for (const std::string& piece : shown) text += piece;
  return text;
}
