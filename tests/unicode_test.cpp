// Tests of the UTF-16 conversions that read UTF-16 files and Windows consoles.
#include "unicode.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// UTF-16 bytes in pieces, as reads may cut them, and the UTF-8 they give.
struct utf16_case {
  const char* name;
  bool big_endian;
  std::vector<std::string> pieces;
  std::string utf8;
};

void PrintTo(const utf16_case& row, std::ostream* os) { *os << row.name; }

class utf16_test : public testing::TestWithParam<utf16_case> {};

TEST_P(utf16_test, converts_piece_by_piece) {
  utf16_bytes_to_utf8 converter(GetParam().big_endian);
  std::string utf8;
  for (const std::string& piece : GetParam().pieces) converter.convert(piece, utf8);
  converter.finish(utf8);
  EXPECT_EQ(utf8, GetParam().utf8);
}

// clang-format off
const utf16_case utf16_cases[] = {
    {"ascii_little_endian", false, {std::string("1\0" "0\0\r\0\n\0", 8)}, "10\r\n"},
    {"ascii_big_endian", true, {std::string("\0" "1\0" "0", 4)}, "10"},
    {"two_and_three_byte_characters", false, {std::string("\xe9\0\xac\x20", 4)}, "\xc3\xa9\xe2\x82\xac"},
    {"a_unit_cut_between_reads", false, {"\xe9", std::string("\0", 1)}, "\xc3\xa9"},
    {"a_surrogate_pair_cut_between_reads", false, {"\x3c\xd8", "\xb2\xdf"}, "\xf0\x9f\x8e\xb2"},
    {"a_lone_high_surrogate_then_text", false, {std::string("\x3c\xd8x\0", 4)}, "\xef\xbf\xbdx"},
    {"a_lone_low_surrogate", true, {"\xdf\xb2"}, "\xef\xbf\xbd"},
    {"a_high_surrogate_at_the_end", false, {"\x3c\xd8"}, "\xef\xbf\xbd"},
    {"an_odd_byte_at_the_end", false, {std::string("7\0" "8", 3)}, "7\xef\xbf\xbd"},
    {"bytes_0x1a_and_cr_lf_inside_characters", false, {"\x1a\x01\x0d\x0a"}, "\xc4\x9a\xe0\xa8\x8d"},
    {"the_last_two_byte_and_first_three_byte_characters", true, {std::string("\x07\xff\x08\x00", 4)}, "\xdf\xbf\xe0\xa0\x80"},
    {"the_first_and_last_pairs", true, {std::string("\xd8\x00\xdc\x00\xdb\xff\xdf\xff", 8)}, "\xf0\x90\x80\x80\xf4\x8f\xbf\xbf"},
    {"the_last_low_surrogate_alone", false, {"\xff\xdf"}, "\xef\xbf\xbd"},
    {"the_last_unit_below_the_surrogates_and_the_first_above", true, {std::string("\xd7\xff\xe0\x00", 4)}, "\xed\x9f\xbf\xee\x80\x80"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(unicode, utf16_test, testing::ValuesIn(utf16_cases),
                         [](const testing::TestParamInfo<utf16_case>& row) {
                           return std::string(row.param.name);
                         });

TEST(utf16_of, gives_pairs_above_u_ffff_and_replaces_ill_formed_bytes) {
  EXPECT_EQ(utf16_of("caf\xc3\xa9 \xf0\x9f\x8e\xb2"), u"caf\u00e9 \U0001f3b2");
  EXPECT_EQ(utf16_of("a\xff"
                     "b\xed\xa0\x80"),
            u"a\ufffdb\ufffd\ufffd\ufffd");
  EXPECT_EQ(utf16_of("\xef\xbf\xbf\xf0\x90\x80\x80\xf4\x8f\xbf\xbf"),
            u"\uffff\U00010000\U0010ffff");
}

TEST(unfinished_utf8_tail, holds_back_only_a_character_cut_short) {
  EXPECT_EQ(unfinished_utf8_tail("ab"), 0U);
  EXPECT_EQ(unfinished_utf8_tail("a\xc3"), 1U);
  EXPECT_EQ(unfinished_utf8_tail("a\xef\xbb"), 2U);
  EXPECT_EQ(unfinished_utf8_tail("a\xc3\xa9"), 0U);
  EXPECT_EQ(unfinished_utf8_tail("\xf0\x9f\x8e"), 3U);
  EXPECT_EQ(unfinished_utf8_tail("\xf0\x9f\x8e\xb2"), 0U);
  EXPECT_EQ(unfinished_utf8_tail("\x80\x80\x80"), 0U);  // no lead: nothing to wait for
}

}  // namespace
