// Windows has no iconv: the conversions that iconv_codecs.h promises for the
// host encodings beyond the emulator's own are done here by the system's
// code-page functions, by way of a table from host numbers to code pages.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <climits>

#include "iconv_codecs.h"

namespace emu {
namespace {

struct CodePage {
  uint32_t encoding;
  UINT codePage;
};

// Host numbers that Windows has no code page for (ISO-8859-10, -11, -14 and
// -16, CP851, the later ISO-2022-JP variants, EUC-TW, Big5-HKSCS, VISCII) are
// left out, so text in them counts as unconvertible. GB2312 is the EUC form
// of its character set, which is why both numbers name one code page.
constexpr CodePage kCodePages[] = {
    {0x00000007, 10007}, {0x0000001D, 10029}, {0x00000025, 10079}, {0x00000098, 10017},
    {0x04000100, 65000},
    {0x00000202, 28592}, {0x00000203, 28593}, {0x00000204, 28594}, {0x00000205, 28595},
    {0x00000206, 28596}, {0x00000207, 28597}, {0x00000208, 28598}, {0x00000209, 28599},
    {0x0000020D, 28603}, {0x0000020F, 28605},
    {0x00000400, 437},   {0x00000405, 737},   {0x00000406, 775},   {0x00000410, 850},
    {0x00000412, 852},   {0x00000413, 855},   {0x00000414, 857},   {0x00000415, 860},
    {0x00000416, 861},   {0x00000417, 862},   {0x00000418, 863},   {0x00000419, 864},
    {0x0000041A, 865},   {0x0000041B, 866},   {0x0000041C, 869},   {0x0000041D, 874},
    {0x00000420, 932},   {0x00000421, 936},   {0x00000422, 949},   {0x00000423, 950},
    {0x00000501, 1250},  {0x00000502, 1251},  {0x00000503, 1253},  {0x00000504, 1254},
    {0x00000505, 1255},  {0x00000506, 1256},  {0x00000507, 1257},  {0x00000508, 1258},
    {0x00000510, 1361},
    {0x00000630, 20936}, {0x00000631, 936},   {0x00000632, 54936},
    {0x00000820, 50220}, {0x00000830, 50227}, {0x00000840, 50225},
    {0x00000920, 20932}, {0x00000930, 20936}, {0x00000940, 20949},
    {0x00000A01, 932},   {0x00000A02, 20866}, {0x00000A03, 950},   {0x00000A08, 21866},
};

UINT CodePageOf(uint32_t encoding) {
  for (const CodePage& entry : kCodePages) {
    if (entry.encoding == encoding) return entry.codePage;
  }
  return 0;
}

// The stateful code pages and UTF-7 take no flags at all: the system cannot
// report invalid input in them.
DWORD StrictDecodeFlags(UINT codePage) {
  const bool takesNoFlags = (codePage >= 50220 && codePage <= 50229) || codePage == 65000;
  return takesNoFlags ? 0 : MB_ERR_INVALID_CHARS;
}

bool IsSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

bool ToWide(UINT codePage, std::string_view bytes, std::wstring& wide) {
  wide.clear();
  if (bytes.empty()) return true;
  if (bytes.size() > INT_MAX) return false;
  const int size = static_cast<int>(bytes.size());
  const DWORD flags = StrictDecodeFlags(codePage);
  const int units = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
  if (units <= 0) return false;
  wide.resize(static_cast<size_t>(units));
  return MultiByteToWideChar(codePage, flags, bytes.data(), size, wide.data(), units) == units;
}

}  // namespace

bool DecodeWithIconv(uint32_t encoding, std::string_view bytes, std::u32string& codePoints) {
  const UINT codePage = CodePageOf(encoding);
  std::wstring wide;
  if (codePage == 0 || !ToWide(codePage, bytes, wide)) return false;
  for (size_t i = 0; i < wide.size(); ++i) {
    char32_t unit = static_cast<char16_t>(wide[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() &&
        wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<char16_t>(wide[++i]) - 0xDC00);
    } else if (IsSurrogate(unit)) {
      return false;
    }
    codePoints.push_back(unit);
  }
  return true;
}

// The system replaces what a code page cannot hold with a default character
// (or a best fit) instead of failing, so the result must read back as the
// text it was made from.
bool EncodeWithIconv(uint32_t encoding, std::u32string_view codePoints, std::string& bytes) {
  const UINT codePage = CodePageOf(encoding);
  if (codePage == 0) return false;
  std::wstring wide;
  for (const char32_t codePoint : codePoints) {
    if (codePoint > 0x10FFFF || IsSurrogate(codePoint)) return false;
    if (codePoint < 0x10000) {
      wide.push_back(static_cast<wchar_t>(codePoint));
    } else {
      wide.push_back(static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10)));
      wide.push_back(static_cast<wchar_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF)));
    }
  }
  if (wide.empty()) return true;
  if (wide.size() > INT_MAX) return false;
  const int units = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(codePage, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  std::string encoded(static_cast<size_t>(size), '\0');
  if (WideCharToMultiByte(codePage, 0, wide.data(), units, encoded.data(), size, nullptr,
                          nullptr) != size) {
    return false;
  }
  std::wstring readBack;
  if (!ToWide(codePage, encoded, readBack) || readBack != wide) return false;
  bytes += encoded;
  return true;
}

}  // namespace emu
