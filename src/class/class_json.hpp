// The tally as JSON, for the class page.
#pragma once

#include <cstddef>
#include <string>

#include "class_tally.hpp"

// The page lists at most this many unreadable lines; the JSON says how many
// there are in all, so that the page can say what it leaves out.
inline constexpr std::size_t listed_at_most = 500;

std::string tally_json(const class_tally& tally);
