// Tests of the class page's tally: pasted texts read into runs, repeats found, figures computed.
#include "class_figures.hpp"
#include "class_json.hpp"
#include "class_tally.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dialogue_text.hpp"

namespace {

std::string mean_line(const std::string& mean) { return mean_line_start + mean + "\n\n"; }

// A transcript as a terminal (or the student's page) shows it: typed lines
// after their prompts, and prompts answered by entries typed ahead.
std::string transcript(const std::vector<std::string>& shown) {
  std::string text = introduction;
  for (const std::string& piece : shown) text += piece;
  return text;
}

std::vector<std::pair<std::int32_t, std::string>> samples_of(const class_run& run) {
  std::vector<std::pair<std::int32_t, std::string>> samples;
  for (const class_sample& sample : run.samples) samples.emplace_back(sample.size, sample.shown);
  return samples;
}

using samples = std::vector<std::pair<std::int32_t, std::string>>;

}  // namespace

TEST(class_tally, reads_a_page_text_with_its_start_and_entries_typed_ahead) {
  const class_tally tally = tally_class(
      "Run started 2026-12-09 14:03:07 +01:00\n" +
      transcript({prompt + "10 10\n", mean_line("3.7"), prompt, mean_line("2.9"), prompt + "abc 20\n",
                  not_a_number("abc"), prompt + "100\n", mean_line("3.61"), prompt + "0\n"}));
  ASSERT_EQ(tally.runs.size(), 1U);
  EXPECT_EQ(tally.runs[0].started, 1796821387LL);  // 13:03:07 UTC
  EXPECT_EQ(samples_of(tally.runs[0]), (samples{{10, "3.7"}, {10, "2.9"}, {100, "3.61"}}));
  EXPECT_TRUE(tally.unreadable.empty());
}

TEST(class_tally, a_rejection_answers_no_prompt_and_drops_the_rest_of_its_line) {
  const class_tally tally = tally_class(transcript(
      {prompt + "5 1,000 7\n", mean_line("4.2"), prompt + "Not a whole number: \"1,000\". Enter...\n",
       prompt + "8\n", mean_line("3.25"), prompt}));
  ASSERT_EQ(tally.runs.size(), 1U);
  EXPECT_EQ(samples_of(tally.runs[0]), (samples{{5, "4.2"}, {8, "3.25"}}));
}

TEST(class_tally, reads_record_sheet_blocks_each_started_by_a_name) {
  const class_tally tally = tally_class("Anna\n10 3.7\n100 3,42\n\nBen K.\n  1000\t3.551 \n1 6\n1 1\n");
  ASSERT_EQ(tally.runs.size(), 2U);
  EXPECT_EQ(tally.runs[0].name, "Anna");
  EXPECT_EQ(samples_of(tally.runs[0]), (samples{{10, "3.7"}, {100, "3,42"}}));
  EXPECT_DOUBLE_EQ(tally.runs[0].samples[1].mean, 3.42);
  EXPECT_EQ(tally.runs[1].name, "Ben K.");
  EXPECT_EQ(tally.runs[1].line, 5U);
  EXPECT_EQ(samples_of(tally.runs[1]), (samples{{1000, "3.551"}, {1, "6"}, {1, "1"}}));
}

TEST(class_tally, lists_each_line_it_cannot_read_and_counts_the_rest) {
  const class_tally tally = tally_class(
      "Cleo\n10 3.7\nthis is not a result \xe2\x80\xae" "42\n10 9.5\n\nDee\n" +
      transcript({prompt, mean_line("3.5")}) + "a name with nothing after it\n");
  ASSERT_EQ(tally.unreadable.size(), 4U);
  EXPECT_EQ(tally.unreadable[0].line, 3U);
  EXPECT_EQ(tally.unreadable[0].shown, R"(this is not a result \u202e42)");
  EXPECT_EQ(tally.unreadable[1].line, 4U);  // a mean no die gives
  EXPECT_EQ(tally.unreadable[2].shown, mean_line_start + "3.5");  // a mean without its size
  EXPECT_EQ(tally.unreadable[3].shown, "a name with nothing after it");
  EXPECT_EQ(tally.runs.size(), 2U);
  EXPECT_EQ(tally.runs[0].samples.size(), 1U);
}

// After a size of 0 or less the program reads nothing more: a mean after it has no size.
TEST(class_tally, nothing_typed_after_a_quitting_entry_is_a_size) {
  const class_tally tally =
      tally_class(transcript({prompt + "10 0 20\n", mean_line("3.7"), prompt + "30\n", mean_line("3.1")}));
  ASSERT_EQ(tally.runs.size(), 1U);
  EXPECT_EQ(samples_of(tally.runs[0]), (samples{{10, "3.7"}}));
  ASSERT_EQ(tally.unreadable.size(), 1U);
  EXPECT_EQ(tally.unreadable[0].shown, mean_line_start + "3.1");
}

TEST(class_tally, runs_of_one_second_are_one_run_whatever_their_time_zone) {
  const std::string run = transcript({prompt + "10\n", mean_line("3.7"), prompt + "0\n"});
  const class_tally tally = tally_class("Run started 2026-12-09 14:03:07 +01:00\n" + run +
                                        "Run started 2026-12-09 08:03:07 -05:00\n" + run +
                                        "Run started 2026-12-09 14:03:08 +01:00\n" + run);
  ASSERT_EQ(tally.runs.size(), 3U);
  EXPECT_EQ(tally.runs[1].repeat_of, 0U);
  EXPECT_FALSE(tally.runs[2].repeat_of);
  EXPECT_EQ(tally.runs_counted, 2U);
}

TEST(class_tally, runs_without_a_start_repeat_when_their_first_four_samples_agree) {
  const std::string four = "10 3.7\n10 3.1\n10 4\n100 3.55\n";
  const class_tally tally = tally_class("A\n" + four + "B\n" + four + "1000 3.6\nC\n10 3.7\n10 3.1\n10 4\n" +
                                        "D\n10 3.7\n10 3.1\n10 4\n100 3.56\nE\n10 3.7\n10 3.1\n100 4\n100 3.55\n");
  ASSERT_EQ(tally.runs.size(), 5U);
  EXPECT_EQ(tally.runs[1].repeat_of, 0U);
  EXPECT_FALSE(tally.runs[2].repeat_of);  // three samples tell nothing
  EXPECT_FALSE(tally.runs[3].repeat_of);
  EXPECT_FALSE(tally.runs[4].repeat_of);  // the same means of other sizes
  EXPECT_EQ(tally.runs_counted, 4U);
}

TEST(class_tally, figures_per_size_and_pooled_count_each_run_once) {
  // z = (mean - 3.5) / (sqrt(35/12) / sqrt(n)): 10 rolls at 5.2 give 3.148, at 1.8 give -3.148,
  // at 2 give -2.777 (figures computed with Python, not by the tally's code).
  const class_tally tally = tally_class("A\n10 5.2\n10 3.5\n100 3.6\nB\n10 5.2\n10 3.5\n100 3.6\n10 1.8\n"
                                        "C\n10 5.2\n10 3.5\n100 3.6\n10 1.8\nD\n10 2\n");
  ASSERT_EQ(tally.runs_counted, 3U);
  ASSERT_EQ(tally.sizes.size(), 2U);
  EXPECT_EQ(tally.sizes[0].size, 10);
  EXPECT_EQ(tally.sizes[0].samples, 6U);
  EXPECT_DOUBLE_EQ(tally.sizes[0].mean_of_means, 21.2 / 6);
  EXPECT_EQ(tally.sizes[0].beyond_three, 3U);  // 5.2 twice above, 1.8 below; 2 is within
  EXPECT_NEAR(tally.sizes[0].expected_beyond_three, 6 * 0.0014255242468119698, 1e-12);
  EXPECT_EQ(tally.sizes[1].beyond_three, 0U);
  ASSERT_TRUE(tally.pooled);
  EXPECT_EQ(tally.pooled->rolls, 260);
  EXPECT_NEAR(tally.pooled->mean, 932 / 260.0, 1e-12);
  EXPECT_NEAR(tally.pooled->standard_error, 0.10591481821704, 1e-12);
  EXPECT_NEAR(tally.pooled->z, 0.79890034312282, 1e-9);
  EXPECT_NEAR(tally.pooled->low, 3.37702234091, 1e-9);
  EXPECT_NEAR(tally.pooled->high, 3.7922084283208, 1e-9);
  EXPECT_EQ(tally.picture.samples, 8U);
  EXPECT_EQ(tally.picture.beyond_three, 3U);
  EXPECT_EQ(tally.picture.smallest_size, 10);
  EXPECT_EQ(tally.picture.largest_size, 100);
  EXPECT_NEAR(tally.picture.largest_distance, 3.1477883392266754, 1e-12);
}

// Exact from the sum of fair dice, which for 1 roll never strays that far;
// beyond the exact sizes the normal approximation is within 0.00002 of the
// exact chance (1001 and 3000 rolls, computed by convolution elsewhere).
TEST(class_tally, a_fair_dies_chance_beyond_three_standard_errors) {
  EXPECT_EQ(fair_chance_beyond_three(1), 0.0);
  EXPECT_NEAR(fair_chance_beyond_three(10), 0.0014255242468119698, 1e-15);
  EXPECT_NEAR(fair_chance_beyond_three(100), 0.0024792039728260325, 1e-15);
  static_assert(exact_fair_sizes == 1000);
  EXPECT_NEAR(fair_chance_beyond_three(1001), 0.0027073293327285735, 0.00002);
  EXPECT_NEAR(fair_chance_beyond_three(3000), 0.0027086535247878778, 0.00002);
  EXPECT_NEAR(fair_chance_beyond_three(2147483647), 0.0027, 0.00001);
}

TEST(class_tally, gives_the_page_json_with_names_escaped) {
  const std::string json = tally_json(tally_class("Dana \"D\"\n10 3.7\nnonsense\n"));
  EXPECT_NE(json.find(R"("name":"Dana \\\"D\\\"")"), std::string::npos) << json;
  EXPECT_NE(json.find(R"("unreadable":[{"line":3,"shown":"nonsense"}])"), std::string::npos) << json;
  EXPECT_NE(json.find(R"("runsCounted":1)"), std::string::npos) << json;
}
