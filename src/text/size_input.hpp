// Reading one sample size from a person or a pipe, in bounded memory.
#pragma once

#include <cstdint>
#include <streambuf>
#include <string>

enum class size_status { read, end_of_input, not_a_number, out_of_range };

struct size_reading {
  size_status status;
  std::int32_t size;  // the size, when status is read
  std::string shown;  // a rejected entry as its message quotes it (shown_entry)
};

// Reads the next entry: white space, line ends included, is skipped, and the
// entry runs to the next white space or the end of input. It is a size only
// when it is all an optional sign followed by decimal digits, and within the
// signed 32-bit range; any other entry is rejected whole and takes the rest of
// its line with it, so that the next read starts afresh on the next line. A
// line ends at LF, CRLF or a lone CR.
size_reading read_size(std::streambuf& in);
