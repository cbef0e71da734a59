// Tests of the run's start line: written in local time with its offset, read back to the same second.
#include "run_start.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

struct start_case {
  long long seconds;  // since 1970, UTC
  long long offset;   // of local time from UTC, in seconds
  std::string line;   // as Python's datetime gives it, the offset rounded to whole minutes
  std::string stamp;  // the same local time in a file's name
};

// clang-format off
const start_case start_cases[] = {
    {1796821387, 3600, "Run started 2026-12-09 14:03:07 +01:00", "2026-12-09-140307"},
    {1796821387, -18000, "Run started 2026-12-09 08:03:07 -05:00", "2026-12-09-080307"},
    {1796821387, 20700, "Run started 2026-12-09 18:48:07 +05:45", "2026-12-09-184807"},
    {-1000000000, -2670, "Run started 1938-04-24 21:29:20 -00:44", "1938-04-24-212920"},  // Monrovia, -0:44:30
    {0, 2670, "Run started 1970-01-01 00:45:00 +00:45", "1970-01-01-004500"},  // +0:44:30, rounded up
    {-1, 0, "Run started 1969-12-31 23:59:59 +00:00", "1969-12-31-235959"},
    {951782400, 0, "Run started 2000-02-29 00:00:00 +00:00", "2000-02-29-000000"},
    {4102444799, 50400, "Run started 2100-01-01 13:59:59 +14:00", "2100-01-01-135959"},
    {1796860799, -43200, "Run started 2026-12-09 11:59:59 -12:00", "2026-12-09-115959"},
    {1796853600, 3600, "Run started 2026-12-09 23:00:00 +01:00", "2026-12-09-230000"},  // an hour's first second
    {0, 7140, "Run started 1970-01-01 01:59:00 +01:59", "1970-01-01-015900"},  // an hour's last minute
    {1077969600, 0, "Run started 2004-02-28 12:00:00 +00:00", "2004-02-28-120000"},  // the end of a four-year cycle
    {1078056000, 0, "Run started 2004-02-29 12:00:00 +00:00", "2004-02-29-120000"},
};
// clang-format on

TEST(run_start, is_written_in_local_time_and_read_back_to_its_second) {
  for (const start_case& row : start_cases) {
    EXPECT_EQ(run_start_line(row.seconds, row.offset), row.line)
        << row.seconds << " " << row.offset;
    EXPECT_EQ(run_start_stamp(row.seconds, row.offset), row.stamp)
        << row.seconds << " " << row.offset;
    EXPECT_EQ(read_run_start(row.line), row.seconds) << row.line;
  }
}

TEST(run_start, names_no_second_for_dates_that_do_not_exist_or_other_shapes) {
  for (const char* line :
       {"Run started 2026-02-31 10:00:00 +01:00", "Run started 1900-02-29 10:00:00 +00:00",
        "Run started 2026-04-31 10:00:00 +00:00", "Run started 2026-13-01 10:00:00 +00:00",
        "Run started 2026-12-09 24:00:00 +00:00", "Run started 2026-12-09 14:03:60 +01:00",
        "Run started 2026-12-09 14:03:07 -00:44.5", "Run started 2026-12-9 14:03:07 +01:00",
        "Run started 2026-12-09 14:60:07 +01:00", "Run started 2026-12-09 14:03:07 +24:00",
        "Run started 2026-12-00 14:03:07 +01:00", "Run started 2026-00-09 14:03:07 +01:00",
        "Run started 2026-12-09 14:03:07 +01:60", "Run started 2026-12-09 14:03:07 01:00",
        "run started 2026-12-09 14:03:07 +01:00"}) {
    EXPECT_FALSE(read_run_start(line)) << line;
  }
  EXPECT_TRUE(read_run_start("Run started 2000-02-29 10:00:00 +00:00"));
}

}  // namespace
