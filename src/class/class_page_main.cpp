// Entry point of the class page: the tally of pasted text, as JSON for the page to show.
#include <emscripten.h>

#include <string>

#include "class_json.hpp"
#include "class_tally.hpp"

// The JSON stays valid until the next call; the page reads it at once.
extern "C" EMSCRIPTEN_KEEPALIVE const char* tally_class_json(const char* text) {
  static std::string json;
  json = tally_json(tally_class(text));
  return json.c_str();
}
