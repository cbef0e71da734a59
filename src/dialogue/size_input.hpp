// Reading one sample size from a person or a pipe, in bounded memory.
#pragma once

#include <cstdint>
#include <streambuf>
#include <string>

enum class size_status { read, end_of_input, not_a_number, out_of_range };

struct size_reading {
  size_status status;
  std::int32_t size;  // the size, when status is read
  std::string typed;  // a rejected entry as typed: control bytes escaped, cut short when long
};

// Reads a size as `in >> size` would: leading white space skipped, an optional
// sign, then decimal digits up to the first character that cannot continue
// them, which stays unread. A rejected entry takes the rest of its line with
// it, so that the next read starts afresh on the next line.
size_reading read_size(std::streambuf& in);
