// Tests of the class page's tally: pasted texts read into runs, repeats found, figures computed.
#include "class_tally.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "class_figures.hpp"
#include "class_json.hpp"
#include "dialogue_text.hpp"

namespace {}  // namespace

TEST(class_tally, runs_of_one_second_are_one_run_whatever_their_time_zone) {
  const std::string run = transcript_of({prompt + "10\n", mean_line("3.7"), prompt + "0\n"});
  const class_tally tally = tally_class("Run started 2026-12-09 14:03:07 +01:00\n" + run +
                                        "Run started 2026-12-09 08:03:07 -05:00\n" + run +
                                        "Run started 2026-12-09 14:03:08 +01:00\n" + run);
  ASSERT_EQ(tally.runs.size(), 3U);
  EXPECT_EQ(tally.runs[1].repeat_of, 0U);
  EXPECT_FALSE(tally.runs[2].repeat_of);
  EXPECT_EQ(tally.runs_counted, 2U);
}

// The lesson's first four samples (10, 10, 10 and 100 rolls) agree by chance
// once in 430,000 pairs of runs: too often; the fifth, 100 rolls again, takes
// it below one in a million.
TEST(class_tally, runs_without_a_start_repeat_when_enough_first_samples_agree) {
  const std::string five = "10 3.7\n10 3.1\n10 4\n100 3.55\n100 3.42\n";
  const class_tally tally =
      tally_class("A\n" + five + "B\n" + five + "1000 3.6\nC\n10 3.7\n10 3.1\n10 4\n100 3.55\n" +
                  "D\n10 3.7\n10 3.1\n10 4\n100 3.55\n100 3.43\n" +
                  "E\n10 3.7\n10 3.1\n100 4\n100 3.55\n100 3.42\n");
  ASSERT_EQ(tally.runs.size(), 5U);
  EXPECT_EQ(tally.runs[1].repeat_of, 0U);
  EXPECT_FALSE(tally.runs[2].repeat_of);  // four samples tell too little
  EXPECT_FALSE(tally.runs[3].repeat_of);
  EXPECT_FALSE(tally.runs[4].repeat_of);  // the same means of other sizes
  EXPECT_EQ(tally.runs_counted, 4U);
}

TEST(class_tally, figures_per_size_and_pooled_count_each_run_once) {
  // z = (mean - 3.5) / (sqrt(35/12) / sqrt(n)): 10 rolls at 5.2 give 3.148, at 1.8 give -3.148,
  // at 2 give -2.777 (figures computed with Python, not by the tally's code).
  const class_tally tally = tally_class(
      "A\n10 5.2\n10 3.5\n100 3.6\nB\n10 5.2\n10 3.5\n100 3.6\n10 1.8\n100 3.6\n"
      "C\n10 5.2\n10 3.5\n100 3.6\n10 1.8\n100 3.6\nD\n10 2\n");
  ASSERT_EQ(tally.runs_counted, 3U);
  ASSERT_EQ(tally.sizes.size(), 2U);
  EXPECT_EQ(tally.sizes[0].size, 10);
  EXPECT_EQ(tally.sizes[0].samples, 6U);
  EXPECT_DOUBLE_EQ(tally.sizes[0].mean_of_means, 21.2 / 6);
  EXPECT_EQ(tally.sizes[0].beyond_three, 3U);  // 5.2 twice above, 1.8 below; 2 is within
  EXPECT_NEAR(tally.sizes[0].expected_beyond_three, 6 * 0.0014255242468119698, 1e-12);
  EXPECT_EQ(tally.sizes[1].beyond_three, 0U);
  ASSERT_TRUE(tally.pooled);
  EXPECT_EQ(tally.pooled->rolls, 360);
  EXPECT_NEAR(tally.pooled->mean, 1292 / 360.0, 1e-12);
  EXPECT_NEAR(tally.pooled->standard_error, 0.090010287477887, 1e-12);
  EXPECT_NEAR(tally.pooled->z, 0.98754143975739, 1e-9);
  EXPECT_NEAR(tally.pooled->low, 3.4124687254322, 1e-9);
  EXPECT_NEAR(tally.pooled->high, 3.7653090523455, 1e-9);
  EXPECT_EQ(tally.picture.samples, 9U);
  EXPECT_EQ(tally.picture.beyond_three, 3U);
  EXPECT_EQ(tally.picture.smallest_size, 10);
  EXPECT_EQ(tally.picture.largest_size, 100);
  EXPECT_NEAR(tally.picture.largest_distance, 3.1477883392266754, 1e-12);
  std::vector<std::tuple<std::int32_t, std::string, std::size_t>> marks;
  for (const picture_point& point : tally.picture.points)
    marks.emplace_back(point.size, point.mean, point.samples);
  EXPECT_EQ(marks,
            (std::vector<std::tuple<std::int32_t, std::string, std::size_t>>{
                {10, "1.8", 1}, {10, "2", 1}, {10, "3.5", 2}, {10, "5.2", 2}, {100, "3.6", 3}}));
}

// Exact from the sum of fair dice, which for 1 roll never strays that far;
// beyond the exact sizes the normal approximation is within 0.00002 of the
// exact chance (1001 and 3000 rolls, computed by convolution elsewhere).
TEST(class_tally, a_fair_dies_chance_beyond_three_standard_errors) {
  EXPECT_EQ(fair_chance_beyond_three(1), 0.0);
  EXPECT_NEAR(fair_chance_beyond_three(10), 0.0014255242468119698, 1e-15);
  EXPECT_NEAR(fair_chance_beyond_three(100), 0.0024792039728260325, 1e-15);
  EXPECT_NEAR(fair_chance_beyond_three(420), 0.002555361088281851,
              1e-15);  // 1365 and 1575 on the line
  EXPECT_NEAR(fair_chance_beyond_three(1000), 0.002613139662017572, 1e-15);  // the last exact size
  static_assert(exact_fair_sizes == 1000);
  EXPECT_NEAR(fair_chance_beyond_three(1001), 0.0027073293327285735, 0.00002);
  EXPECT_NEAR(fair_chance_beyond_three(3000), 0.0027086535247878778, 0.00002);
  EXPECT_NEAR(fair_chance_beyond_three(2147483647), 0.0027, 0.00001);
  EXPECT_NEAR(fair_chance_beyond_three(4294967294), 0.0027, 0.00001);  // two largest samples pooled
}

// 420 rolls at 3.75 or 3.25 lie exactly 3 standard errors from 3.5: on the
// line, not beyond it, in the count and in the chance that it stands beside
// (exact chances by convolution, computed with Python).
TEST(class_tally, a_sample_on_the_line_is_not_beyond_it) {
  const class_tally tally = tally_class("A\n420 3.75\n420 3.25\n420 3.7524\n");
  ASSERT_EQ(tally.sizes.size(), 1U);
  EXPECT_EQ(tally.sizes[0].beyond_three, 1U);
  EXPECT_NEAR(tally.sizes[0].expected_beyond_three, 3 * 0.002555361088281851, 1e-15);
  EXPECT_EQ(tally.picture.beyond_three, 1U);
}

// Each run tested once on its rolls pooled: 20 rolls at 4.35 give z = 2.23,
// 100 at 4.1 give 3.51, and 400 at 3.7625 with 20 at 3.5 pool to 3.75 over
// 420 rolls, on the line. A fair die would bring 0.0078 of three such runs there.
TEST(class_tally, each_run_is_tested_by_the_rule_on_its_rolls_pooled) {
  const class_tally tally =
      tally_class("A\n10 5.2\n10 3.5\nB\n100 4.1\nC\n400 3.7625\n20 3.5\nD\n");
  ASSERT_EQ(tally.run_tests.size(), 3U);
  EXPECT_EQ(tally.run_tests[0].rolls, 20);
  EXPECT_NEAR(tally.run_tests[0].mean, 4.35, 1e-12);
  EXPECT_NEAR(tally.run_tests[0].z, 2.2258224804071216, 1e-12);
  EXPECT_FALSE(tally.run_tests[0].beyond_three);
  EXPECT_TRUE(tally.run_tests[1].beyond_three);
  EXPECT_EQ(tally.run_tests[2].run, 2U);
  EXPECT_EQ(tally.run_tests[2].rolls, 420);
  EXPECT_FALSE(tally.run_tests[2].beyond_three);
  EXPECT_EQ(tally.rule.runs, 3U);
  EXPECT_EQ(tally.rule.beyond_three, 1U);
  EXPECT_NEAR(tally.rule.expected_beyond_three, 0.007761800049214758, 1e-15);
  EXPECT_EQ(tally.runs_counted, 3U);  // D has no samples
}

TEST(class_tally, gives_the_page_json_with_names_as_typed) {
  const std::string json = tally_json(
      tally_class({hand_in{"Paste 1", "", "Dana \"D\" \\o/ \xe2\x80\xae\n10 3.7\nnonsense\n"},
                   hand_in{"b.txt", "b", "more\n"}}));
  EXPECT_NE(
      json.find(
          R"({"runs":[{"label":"Dana \"D\" \\o/ \\u202e","knownBy":"record sheet","handIn":0,"line":2,)"
          R"("repeatOf":null,"samples":1,"test":{"rolls":10,"mean":3.7000000000000002,)"
          R"("z":0.37032803990902097,"beyondThree":false}}],"runsCounted":1,)"
          R"("rule":{"runs":1,"beyondThree":0,"expectedBeyondThree":0.00142552424681197},)"
          R"("handIns":[{"runs":1,"unreadable":1},{"runs":0,"unreadable":1}],"unreadableCount":2,)"
          R"("unreadable":[{"handIn":0,"line":3,"shown":"nonsense","why":"not a result: none of the )"
          R"(program's lines, nor SIZE MEAN"},{"handIn":1,"line":1,"shown":"more",)"),
      std::string::npos)
      << json;
}

// However many different sizes and means, the picture keeps the first marks_kept.
TEST(class_tally, keeps_at_most_marks_kept_marks_and_counts_the_rest) {
  std::string text = "Everyone\n";
  for (std::size_t size = 1; size <= marks_kept + 1; ++size) text += std::to_string(size) + " 6\n";
  const class_tally tally = tally_class(text);
  EXPECT_EQ(tally.picture.point_count, marks_kept + 1);
  ASSERT_EQ(tally.picture.points.size(), marks_kept);
  EXPECT_EQ(tally.picture.points.back().size, static_cast<std::int32_t>(marks_kept));
  EXPECT_EQ(tally.picture.samples, marks_kept + 1);
}

// The faces step: size-1 samples of the counted runs, against a sixth each.
TEST(class_tally, counts_the_faces_of_single_rolls_with_their_chi_square) {
  const class_tally tally = tally_class("A\n1 3\n1 5\n1 2\n10 3.5\n1 6\nB\n1 6\n1 1\n1 6\n");
  ASSERT_TRUE(tally.faces);
  EXPECT_EQ(tally.faces->observed, (std::array<std::size_t, 6>{1, 1, 1, 0, 1, 3}));
  EXPECT_EQ(tally.faces->rolls, 7U);
  EXPECT_NEAR(tally.faces->expected, 7.0 / 6, 1e-15);
  // (O - E)^2 / E summed, by hand: (1/36 * 4 + 49/36 + 121/36) / (7/6) = 174/42
  EXPECT_NEAR(tally.faces->chi_square, 174.0 / 42, 1e-12);
  EXPECT_FALSE(tally_class("A\n10 3.5\n").faces);
  const class_tally one_roll = tally_class("A\n1 6\n");
  ASSERT_TRUE(one_roll.pooled);  // one roll pools too
  EXPECT_EQ(one_roll.pooled->rolls, 1);
}
