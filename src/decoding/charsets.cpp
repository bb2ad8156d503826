#include "decoding/charsets.h"

#include <iterator>

#include "decoding/format_switch.h"
#include "runtime/errors.h"
#include "runtime/platform.h"

namespace {

// Names are stored the way NormalizeCharsetName leaves them, so a lookup is a
// plain case-blind comparison. No two names differ only in case, so the order
// never decides a result.
const CharsetEntry charsetTable[] = {
    {"utf8", kREALTextEncodingUTF8},
    {"usascii", kREALTextEncodingASCII},
    {"ascii", kREALTextEncodingASCII},
    {"ASAX341963", kREALTextEncodingASCII},
    {"ANSIX341968", kREALTextEncodingASCII},
    {"ISO88591", kREALTextEncodingISOLatin1},
    {"ISO88592", 0x0202},
    {"ISO88593", 0x0203},
    {"ISO88594", 0x0204},
    {"ISO88595", 0x0205},
    {"ISO88596", 0x0206},
    {"ISO88597", 0x0207},
    {"ISO88598", 0x0208},
    {"ISO88599", 0x0209},
    {"ISO885910", 0x020A},
    {"ISO885911", 0x020B},
    {"TIS620", 0x020B},
    {"ISO885912", 0x020C},
    {"ISO885913", 0x020D},
    {"ISO885914", 0x020E},
    {"ISO885915", 0x020F},
    {"ISO885916", 0x0210},
    {"windows1250", 0x0501},
    {"windows1251", 0x0502},
    {"windows1252", kREALTextEncodingWindowsLatin1},
    {"windows1253", 0x0503},
    {"windows1254", 0x0504},
    {"windows1255", 0x0505},
    {"windows1256", 0x0506},
    {"windows1257", 0x0507},
    {"windows1258", 0x0508},
    {"windows1361", 0x0510},
    {"ISO2022JP", 0x0820},
    {"ISO2022JP2", 0x0821},
    {"ISO2022JP1", 0x0822},
    {"ISO2022JP3", 0x0823},
    {"ISO2022CN", 0x0830},
    {"ISO2022JPEXT", 0x0831},
    {"ISO2022KR", 0x0840},
    {"GB2312", 0x0630},
    {"EUCJP", 0x0920},
    {"EUCCN", 0x0930},
    {"EUCTW", 0x0931},
    {"EUCKR", 0x0940},
    {"ShiftJIS", 0x0A01},
    {"KOI8R", 0x0A02},
    {"Big5", 0x0A03},
    {"MacRomanLatin1", 0x0A04},
    {"HZGB2312", 0x0A05},
    {"Big5HKSCS1999", 0x0A06},
    {"VISCII", 0x0A07},
    {"KOI8U", 0x0A08},
    {"Big5E", 0x0A09},
    {"xmaccyrillic", 0x0007},
    {"gbk", 0x0631},
    {"cp437", 0x0400},
    {"cp737", 0x0405},
    {"cp775", 0x0406},
    {"cp850", 0x0410},
    {"cp851", 0x0411},
    {"cp852", 0x0412},
    {"cp855", 0x0413},
    {"cp857", 0x0414},
    {"cp860", 0x0415},
    {"cp861", 0x0416},
    {"cp862", 0x0417},
    {"cp863", 0x0418},
    {"cp864", 0x0419},
    {"cp865", 0x041A},
    {"cp866", 0x041B},
    {"cp869", 0x041C},
    {"cp874", 0x041D},
    {"cp932", 0x0420},
    {"cp936", 0x0421},
    {"cp949", 0x0422},
    {"cp950", 0x0423},
    {"cp1250", 0x0501},
    {"cp1251", 0x0502},
    {"cp1252", kREALTextEncodingWindowsLatin1},
    {"cp1253", 0x0503},
    {"cp1254", 0x0504},
    {"cp1255", 0x0505},
    {"cp1256", 0x0506},
    {"cp1257", 0x0507},
    {"cp1258", 0x0508},
    {"cp1361", 0x0510},
    {"windows437", 0x0400},
    {"windows737", 0x0405},
    {"windows775", 0x0406},
    {"windows850", 0x0410},
    {"windows851", 0x0411},
    {"windows852", 0x0412},
    {"windows855", 0x0413},
    {"windows857", 0x0414},
    {"windows860", 0x0415},
    {"windows861", 0x0416},
    {"windows862", 0x0417},
    {"windows863", 0x0418},
    {"windows864", 0x0419},
    {"windows865", 0x041A},
    {"windows866", 0x041B},
    {"windows869", 0x041C},
    {"windows874", 0x041D},
    {"windows932", 0x0420},
    {"windows936", 0x0421},
    {"windows949", 0x0422},
    {"windows950", 0x0423},
    // Known, and known to have no text encoding: found, so it never raises.
    {"binary", kREALTextEncodingUnknown},
    {"utf16", kREALTextEncodingUTF16},
    {"macintosh", kREALTextEncodingMacRoman},
    {"MacRoman", kREALTextEncodingMacRoman},
    {"xmacroman", kREALTextEncodingMacRoman},
    {"utf7", 0x04000100},
    {"unicode11utf7", 0x04000100},
    // Labels mailers use when they do not know the charset; Latin-1 reads any
    // byte, which is the most useful guess.
    {"xuserdefined", kREALTextEncodingISOLatin1},
    {"XUNKNOWN", kREALTextEncodingISOLatin1},
    {"UNKNOWN", kREALTextEncodingISOLatin1},
    {"unknown8bit", kREALTextEncodingISOLatin1},
    {"0", kREALTextEncodingISOLatin1},
};
static_assert(std::size(charsetTable) == 119, "the charset table holds 119 names");

// A quote seen after this many kept bytes closes the name even if it is the
// first one: `charset=iso-8859-1"; format=flowed` and the like.
constexpr size_t kLongestNameBeforeOpeningQuote = 5;

}  // namespace

const CharsetEntry* CharsetTable() { return charsetTable; }

size_t CharsetTableSize() { return std::size(charsetTable); }

std::string NormalizeCharsetName(std::string_view name) {
  std::string normalized;
  bool sawQuote = false;
  for (char byte : name) {
    // Signed on purpose: control bytes and every byte from 0x80 up go.
    if (static_cast<signed char>(byte) < 0x20) continue;
    if (byte == '"') {
      if (sawQuote || normalized.size() > kLongestNameBeforeOpeningQuote) break;
      sawQuote = true;
      continue;
    }
    if (byte == ' ' || byte == '-' || byte == '.' || byte == '_') continue;
    normalized.push_back(byte);
  }
  return normalized;
}

HostEncoding CharsetToEncoding(std::string_view name) {
  const std::string normalized = NormalizeCharsetName(name);
  for (const CharsetEntry& entry : charsetTable) {
    if (platform::CompareIgnoringCase(normalized.c_str(), entry.name) == 0) return entry.encoding;
  }
  if (FormatExceptionsEnabled()) {
    // The name as the message wrote it, so the user can find it there.
    const std::string message = "Unhandled charset: " + std::string(name);
    RaiseException("UnsupportedFormatException", message.c_str());
  }
  return kREALTextEncodingUnknown;
}
