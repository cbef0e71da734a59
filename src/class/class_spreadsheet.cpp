// A spreadsheet's rows, as a student's sheet or a teacher's export holds them: read into record-sheet lines.
#include "class_spreadsheet.hpp"

#include <cctype>

#include "class_fields.hpp"

namespace {

enum class column { name, size, mean, z };

// A column's name as spreadsheets and the record sheet write it.
std::optional<column> header_word(std::string_view cell) {
  std::string word;
  for (const char c : cell) word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const std::string_view name : {"name", "student", "pupil", "student name"}) {
    if (word == name) return column::name;
  }
  for (const std::string_view size : {"size", "n", "rolls", "sample size", "n rolls"}) {
    if (word == size) return column::size;
  }
  for (const std::string_view mean : {"mean", "sample mean", "mean of the sample"}) {
    if (word == mean) return column::mean;
  }
  for (const std::string_view z : {"z", "z-score", "z score"}) {
    if (word == z) return column::z;
  }
  return std::nullopt;
}

bool looks_numeric(std::string_view cell) {
  return (cell[0] >= '0' && cell[0] <= '9') || cell[0] == '-' || cell[0] == '+';
}

std::string joined(const std::vector<std::string_view>& cells, std::size_t from) {
  std::string text;
  for (std::size_t at = from; at < cells.size(); ++at)
    (text += text.empty() ? "" : " ") += cells[at];
  return text;
}

}  // namespace

void spreadsheet_rows::add_row(std::string_view row, std::size_t number,
                               std::vector<repaired_line>& to) {
  std::vector<std::string_view> cells;
  for (std::size_t from = 0;;) {
    const std::size_t tab = row.find('\t', from);
    cells.push_back(trimmed(
        row.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from)));
    if (tab == std::string_view::npos) break;
    from = tab + 1;
  }
  if (read_header(cells)) return;
  std::string_view name;
  std::string record;
  if (columns_) {
    const auto cell = [&cells](std::optional<std::size_t> at) {
      return at && *at < cells.size() ? cells[*at] : std::string_view();
    };
    name = cell(columns_->name);
    record = std::string(cell(columns_->size)) + " " + std::string(cell(columns_->mean));
    if (!cell(columns_->z).empty()) (record += " ") += cell(columns_->z);
  } else if (cells.size() >= 3 && !cells[0].empty() && !looks_numeric(cells[0]) &&
             read_record(joined(cells, 1)).kind == record_kind::record) {
    name = cells[0];
    record = joined(cells, 1);
  } else {
    record = joined(cells, 0);
  }
  if (!name.empty() && name != last_name_) {
    to.push_back({std::string(name), number});
    last_name_ = name;
  }
  to.push_back({record, number});
}

bool spreadsheet_rows::read_header(const std::vector<std::string_view>& cells) {
  columns found;
  for (std::size_t at = 0; at < cells.size(); ++at) {
    const std::optional<column> kind = header_word(cells[at]);
    if (!kind) return false;
    std::optional<std::size_t>& slot = *kind == column::name   ? found.name
                                       : *kind == column::size ? found.size
                                       : *kind == column::mean ? found.mean
                                                               : found.z;
    slot = at;
  }
  if (!found.size || !found.mean) return false;
  columns_ = found;
  return true;
}

bool is_header_line(std::string_view line) {
  bool size = false;
  bool mean = false;
  std::size_t words = 0;
  for (std::size_t at = 0; at < line.size();) {
    while (at < line.size() && is_blank(line[at])) ++at;
    const std::size_t start = at;
    while (at < line.size() && !is_blank(line[at])) ++at;
    if (at == start) break;
    const std::optional<column> kind = header_word(line.substr(start, at - start));
    if (!kind) return false;
    size = size || *kind == column::size;
    mean = mean || *kind == column::mean;
    ++words;
  }
  return words >= 2 && size && mean;
}
