// Entry point of the class page: the tally of pasted text, as JSON for the page to show.
#include <emscripten.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "class_json.hpp"
#include "class_tally.hpp"

// The text comes with its length: a NUL in the paste is text too, listed
// where it stands, not the end of everything after it. The JSON stays valid
// until the next call; the page reads it at once.
extern "C" EMSCRIPTEN_KEEPALIVE const char* tally_class_json(const char* text, std::size_t size) {
  static std::string json;
  json = tally_json(tally_class(std::string_view(text, size)));
  return json.c_str();
}
