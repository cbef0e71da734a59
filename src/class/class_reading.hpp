// Reading the class's pasted text into runs, with the lines that could not be read.
#pragma once

#include <string_view>

#include "class_tally.hpp"

// The runs and unreadable lines of `text`; no figures yet.
class_tally read_class_text(std::string_view text);
