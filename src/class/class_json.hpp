// The tally as JSON, for the class page.
#pragma once

#include <string>

#include "class_tally.hpp"

std::string tally_json(const class_tally& tally);
