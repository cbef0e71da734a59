// The line that names a run by the second its die was seeded from: the page
// shows it above the transcript, and the class tally reads it back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

inline constexpr std::string_view run_start_line_start = "Run started ";

// "Run started 2026-12-09 14:03:07 +01:00": the second `seconds` (since 1970,
// UTC) in local time, with the local offset from UTC in whole minutes. An
// offset with seconds (the local mean times of the 19th century) is rounded to
// the nearest minute and the time shown with it, so that the line always
// reads back as `seconds`.
std::string run_start_line(long long seconds, long long offset_seconds);

// The same local time as a file name takes it: "2026-12-09-140307".
std::string run_start_stamp(long long seconds, long long offset_seconds);

// The second that a start line names; none where `line` is not one, or names a
// date that does not exist.
std::optional<long long> read_run_start(std::string_view line);
