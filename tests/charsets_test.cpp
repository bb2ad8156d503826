// Charset names as messages write them, and the host encodings they select.
#include <gtest/gtest.h>

#include <string>

#include "decoding/charsets.h"

namespace {

using namespace std::string_literals;

// Each row is stored normalised and is the first its name reaches: a row
// written with a hyphen, or behind another spelling of its name, is never
// found.
TEST(Charsets, EveryRowOfTheTableIsFoundByItsName) {
  const CharsetEntry* table = CharsetTable();
  for (size_t index = 0; index < CharsetTableSize(); ++index) {
    EXPECT_EQ(NormalizeCharsetName(table[index].name), table[index].name);
    EXPECT_EQ(CharsetToEncoding(table[index].name), table[index].encoding) << table[index].name;
  }
}

TEST(Charsets, NormalisingDropsPunctuationAndControlBytesAndHonoursQuotes) {
  const struct {
    std::string raw;
    std::string normalized;
  } cases[] = {
      {" U.T_F-8 ", "UTF8"},  // case is kept
      {"utf\t8\r\n", "utf8"},
      {"a\0b"s, "ab"},
      {"\x80\xE9utf\xFF-8", "utf8"},
      {"\x80\xFF", ""},
      {"a\x7F", "a\x7F"},  // DEL is not a control byte here
      {"", ""},
      {"\"koi8-r\"; format=flowed", "koi8r"},
      // A quote after more than five kept bytes ends the name...
      {"iso-8859-1\"; format=flowed", "iso88591"},
      {"abcdef\"gh", "abcdef"},
      // ...one after five or fewer is dropped, and the name goes on.
      {"abcde\"fg", "abcdefg"},
      {"\"\"rest", ""},
      {"\"ab\"cd\"", "ab"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeCharsetName(c.raw), c.normalized) << c.raw;
}

}  // namespace
