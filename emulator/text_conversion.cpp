#include "text_conversion.h"

#include "iconv_codecs.h"
#include "runtime/host_api.h"
#include "text_codecs.h"

namespace emu {
namespace {

bool Decode(uint32_t encoding, std::string_view bytes, std::u32string& codePoints) {
  if (encoding == kREALTextEncodingUnknown) encoding = kREALTextEncodingASCII;
  if (IsOwnEncoding(encoding)) return DecodeOwn(encoding, bytes, codePoints);
  return DecodeWithIconv(encoding, bytes, codePoints);
}

bool Encode(uint32_t encoding, std::u32string_view codePoints, std::string& bytes) {
  if (IsOwnEncoding(encoding)) return EncodeOwn(encoding, codePoints, bytes);
  return EncodeWithIconv(encoding, codePoints, bytes);
}

}  // namespace

bool ReadsTheSame(std::string_view bytes, uint32_t from, uint32_t to) {
  if (from == to || to == kREALTextEncodingUnknown) return true;
  return IsAsciiCompatible(from) && IsAsciiCompatible(to) && IsAllAscii(bytes);
}

bool HasDirectConversion(uint32_t from, uint32_t to) {
  return to == kREALTextEncodingUTF8 && IsWideUnicode(from);
}

size_t DirectConversionRoom(std::string_view bytes, uint32_t from, uint32_t to) {
  return HasDirectConversion(from, to) ? WideTextUTF8Room(from, bytes) : 0;
}

std::optional<size_t> ConvertDirectly(std::string_view bytes, uint32_t from, uint32_t to,
                                      char* out) {
  if (!HasDirectConversion(from, to)) return std::nullopt;
  return WriteWideTextAsUTF8(from, bytes, out);
}

bool ConvertText(std::string_view bytes, uint32_t from, uint32_t to, std::string& out) {
  if (ReadsTheSame(bytes, from, to)) {
    out.append(bytes);
    return true;
  }
  if (HasDirectConversion(from, to)) {
    const size_t start = out.size();
    out.resize(start + DirectConversionRoom(bytes, from, to));
    std::optional<size_t> written = ConvertDirectly(bytes, from, to, out.data() + start);
    out.resize(start + written.value_or(0));
    return written.has_value();
  }
  std::u32string codePoints;
  codePoints.reserve(bytes.size());
  if (!Decode(from, bytes, codePoints)) return false;
  // Every encoding takes at least a byte per code point: one reserve spares
  // a long text the copies of a growing result.
  out.reserve(out.size() + codePoints.size());
  return Encode(to, codePoints, out);
}

}  // namespace emu
