#include "decoding/code_pages.h"

#include <string>

#include "decoding/charsets.h"
#include "runtime/platform.h"

namespace {

struct CodePageName {
  uint32_t codePage;
  const char* charset;  // as the charset table spells it
};

// Code pages whose charset name is not simply "cp" and the number.
const CodePageName codePageNames[] = {
    {65001, "utf8"},      {20127, "usascii"},  {28591, "ISO88591"},  {28592, "ISO88592"},
    {28593, "ISO88593"},  {28594, "ISO88594"}, {28595, "ISO88595"},  {28596, "ISO88596"},
    {28597, "ISO88597"},  {28598, "ISO88598"}, {28599, "ISO88599"},  {28603, "ISO885913"},
    {28605, "ISO885915"}, {20866, "KOI8R"},    {21866, "KOI8U"},     {50220, "ISO2022JP"},
    {50221, "ISO2022JP"}, {50222, "ISO2022JP"}, {50225, "ISO2022KR"}, {51932, "EUCJP"},
    {51936, "EUCCN"},     {51949, "EUCKR"},    {52936, "HZGB2312"},  {10000, "macintosh"},
    {10007, "xmaccyrillic"}, {1200, "utf16"},
};

std::string CharsetNameOf(uint32_t codePage) {
  for (const CodePageName& entry : codePageNames) {
    if (entry.codePage == codePage) return entry.charset;
  }
  return "cp" + std::to_string(codePage);
}

}  // namespace

HostEncoding CodePageToEncoding(uint32_t codePage) {
  if (codePage == 0) return kREALTextEncodingUnknown;
  // Looked up without CharsetToEncoding, which may raise for a name it lacks:
  // an unknown code page only means the text's bytes decide.
  const std::string name = CharsetNameOf(codePage);
  const CharsetEntry* table = CharsetTable();
  for (size_t index = 0; index < CharsetTableSize(); ++index) {
    if (platform::CompareIgnoringCase(name.c_str(), table[index].name) == 0) {
      return table[index].encoding;
    }
  }
  return kREALTextEncodingUnknown;
}
