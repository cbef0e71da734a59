// The dialogue's fixed text, as the program prints it and as the class tally reads it back.
#pragma once

#include <cmath>
#include <string_view>

inline constexpr std::string_view title_line =
    "Roll a die many times to determine whether it is a fair die";
inline constexpr std::string_view parameters_line = "The population parameters of a fair die are";
inline constexpr std::string_view mu_line_start = "mu = ";
inline constexpr std::string_view sigma_line_start = "sigma = ";
inline constexpr std::string_view size_prompt = "Enter the sample size (0 to quit): ";
inline constexpr std::string_view mean_line_start = "The sample mean = ";
inline constexpr std::string_view not_a_number_start = "Not a whole number: \"";
inline constexpr std::string_view not_a_number_end =
    "\". Enter a sample size such as 100, or 0 to quit.";
inline constexpr std::string_view out_of_range_start = "Out of range: \"";
inline constexpr std::string_view out_of_range_end =
    "\". Enter a whole number from -2147483648 to 2147483647; 0 or less quits.";

// The population parameters of a fair die: the dialogue prints them, and the
// class tally measures every mean against the same two.
inline constexpr double fair_mean = 3.5;
inline constexpr double fair_variance = 35.0 / 12.0;
inline double fair_sigma() {
  return std::sqrt(fair_variance);
}  // 1.707825127659933, printed 1.70783
