// A spreadsheet's rows, as a student's sheet or a teacher's export holds them: read into record-sheet lines.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "class_channels.hpp"

// Tab-separated rows, one hand-in's in turn: a header row (Name, Size, Mean,
// z, ...) says which column holds what and is no result itself; a name column
// starts a student's block whenever its name changes; without a header, a
// first column that is no number and before SIZE MEAN is the name.
class spreadsheet_rows {
 public:
  // Appends the lines that a row stands for: none for a header, a name line
  // where the name changes, then its "SIZE MEAN [Z]".
  void add_row(std::string_view row, std::size_t number, std::vector<repaired_line>& to);

 private:
  struct columns {
    std::optional<std::size_t> name, size, mean, z;
  };
  bool read_header(const std::vector<std::string_view>& cells);

  std::optional<columns> columns_;
  std::string last_name_;
};

// A header typed as a line of words ("Size Mean", "n mean z"): no result.
bool is_header_line(std::string_view line);
