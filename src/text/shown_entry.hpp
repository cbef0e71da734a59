// How a message quotes what the user typed: recognisable, and harmless to any terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A message shows at most this many characters of an entry (an escape counts
// as one): enough to recognise it, never a whole 50 MB line.
inline constexpr std::size_t shown_characters = 40;

// Every character shown comes from at most four typed bytes, so this many
// bytes of an entry hold all that its message can show.
inline constexpr std::size_t kept_entry_bytes = 4 * shown_characters;

// The start of an entry as a message quotes it, escaped, with "..." after it
// when the entry goes on: when `typed` holds more than is shown, or when
// `longer` says that the entry went on past the bytes kept.
std::string shown_entry(std::string_view typed, bool longer, std::size_t most = shown_characters);

// All of `typed`, escaped by the same rule: a typed line as the page echoes it.
std::string shown_text(std::string_view typed);

// A name as typed, in no quotes: escaped by the same rule, but a backslash
// or a double quote stands as it is.
std::string shown_name(std::string_view typed);
