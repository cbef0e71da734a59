// The run's start line, written and read back by one calendar.
#include "run_start.hpp"

#include <array>
#include <string_view>

namespace {

constexpr long long seconds_per_day = 86400;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and the
// date of a day (H. Hinnant, "chrono-Compatible Low-Level Date Algorithms":
// days_from_civil, civil_from_days).
constexpr long long days_from_civil(long long year, unsigned month, unsigned day) noexcept {
  year -= month <= 2 ? 1 : 0;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const auto year_of_era = static_cast<unsigned>(year - era * 400);
  const unsigned day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + static_cast<long long>(day_of_era) - 719468;
}

struct civil_date {
  long long year;
  unsigned month;
  unsigned day;
};

constexpr civil_date civil_from_days(long long days) noexcept {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const auto day_of_era = static_cast<unsigned>(days - era * 146097);
  const unsigned year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const unsigned day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const unsigned shifted_month = (5 * day_of_year + 2) / 153;
  const unsigned day = day_of_year - (153 * shifted_month + 2) / 5 + 1;
  const unsigned month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
  return {static_cast<long long>(year_of_era) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

static_assert(days_from_civil(1970, 1, 1) == 0 && days_from_civil(2000, 3, 1) == 11017);
static_assert(civil_from_days(11016).month == 2 && civil_from_days(11016).day == 29);

constexpr bool is_leap_year(long long year) noexcept {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

constexpr unsigned days_in_month(long long year, unsigned month) noexcept {
  constexpr std::array<unsigned, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap_year(year) ? 29 : days.at(month - 1);
}

constexpr long long floor_div(long long a, long long b) noexcept {
  return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

}  // namespace

namespace {

// A second in local time, the offset rounded to whole minutes, written field
// by field: each field zero-padded to its width, then its separator.
class local_time {
 public:
  local_time(long long seconds, long long offset_seconds)
      : offset_minutes_(floor_div(offset_seconds + 30, 60)) {
    const long long local = seconds + offset_minutes_ * 60;
    const long long days = floor_div(local, seconds_per_day);
    of_day_ = local - days * seconds_per_day;
    date_ = civil_from_days(days);
  }

  // YYYY-MM-DD, then `between`, then the time as HH, MM and SS separated by `in_time`.
  void put_date_and_time(std::string& to, char between, std::string_view in_time) const {
    put(to, date_.year, 4, "-");
    put(to, date_.month, 2, "-");
    put(to, date_.day, 2, std::string_view(&between, 1));
    put(to, of_day_ / 3600, 2, in_time);
    put(to, of_day_ / 60 % 60, 2, in_time);
    put(to, of_day_ % 60, 2, "");
  }

  // +HH:MM
  void put_offset(std::string& to) const {
    const long long offset = offset_minutes_ < 0 ? -offset_minutes_ : offset_minutes_;
    to += offset_minutes_ < 0 ? '-' : '+';
    put(to, offset / 60, 2, ":");
    put(to, offset % 60, 2, "");
  }

 private:
  static void put(std::string& to, long long value, std::size_t digits, std::string_view after) {
    const std::string number = std::to_string(value);
    to.append(number.size() < digits ? digits - number.size() : 0, '0')
        .append(number)
        .append(after);
  }

  long long offset_minutes_;
  long long of_day_ = 0;
  civil_date date_{};
};

}  // namespace

std::string run_start_line(long long seconds, long long offset_seconds) {
  const local_time time(seconds, offset_seconds);
  std::string line(run_start_line_start);
  time.put_date_and_time(line, ' ', ":");
  line += ' ';
  time.put_offset(line);
  return line;
}

std::string run_start_stamp(long long seconds, long long offset_seconds) {
  std::string stamp;
  local_time(seconds, offset_seconds).put_date_and_time(stamp, '-', "");
  return stamp;
}

std::optional<long long> read_run_start(std::string_view line) {
  if (!line.starts_with(run_start_line_start)) return std::nullopt;
  line.remove_prefix(run_start_line_start.size());
  // YYYY-MM-DD HH:MM:SS +HH:MM
  constexpr std::string_view shape = "dddd-dd-dd dd:dd:dd sdd:dd";
  if (line.size() != shape.size()) return std::nullopt;
  for (std::size_t at = 0; at < shape.size(); ++at) {
    const char c = line[at];
    const bool fits = shape[at] == 'd'   ? c >= '0' && c <= '9'
                      : shape[at] == 's' ? c == '+' || c == '-'
                                         : c == shape[at];
    if (!fits) return std::nullopt;
  }
  const auto number = [line](std::size_t at, std::size_t length) {
    long long value = 0;
    for (const char digit : line.substr(at, length)) value = value * 10 + (digit - '0');
    return value;
  };
  const long long year = number(0, 4);
  const auto month = static_cast<unsigned>(number(5, 2));
  const auto day = static_cast<unsigned>(number(8, 2));
  const long long hour = number(11, 2);
  const long long minute = number(14, 2);
  const long long second = number(17, 2);
  const long long offset_hours = number(21, 2);
  const long long offset_minutes = number(24, 2);
  if (month < 1 || month > 12 || day < 1 || day > days_in_month(year, month) || hour > 23 ||
      minute > 59 || second > 59 || offset_hours > 23 || offset_minutes > 59) {
    return std::nullopt;
  }
  const long long offset = (line[20] == '-' ? -1 : 1) * (offset_hours * 3600 + offset_minutes * 60);
  return days_from_civil(year, month, day) * seconds_per_day + hour * 3600 + minute * 60 + second -
         offset;
}
