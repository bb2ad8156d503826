#include "iconv_codecs.h"

#include <iconv.h>

#include <cerrno>

namespace emu {
namespace {

struct IconvName {
  uint32_t encoding;
  const char* name;
};

// The host numbering follows the base encodings of the Mac OS Text Encoding
// Converter. Numbers that glibc has no converter for are left out, so text in
// them counts as unconvertible.
constexpr IconvName kIconvNames[] = {
    {0x00000007, "MAC-CYRILLIC"},
    {0x0000001D, "MAC-CENTRALEUROPE"},
    {0x00000025, "MAC-IS"},
    {0x00000098, "MAC-UK"},
    {0x04000100, "UTF-7"},
    {0x00000202, "ISO-8859-2"},
    {0x00000203, "ISO-8859-3"},
    {0x00000204, "ISO-8859-4"},
    {0x00000205, "ISO-8859-5"},
    {0x00000206, "ISO-8859-6"},
    {0x00000207, "ISO-8859-7"},
    {0x00000208, "ISO-8859-8"},
    {0x00000209, "ISO-8859-9"},
    {0x0000020A, "ISO-8859-10"},
    {0x0000020B, "ISO-8859-11"},
    {0x0000020D, "ISO-8859-13"},
    {0x0000020E, "ISO-8859-14"},
    {0x0000020F, "ISO-8859-15"},
    {0x00000210, "ISO-8859-16"},
    {0x00000400, "CP437"},
    {0x00000405, "CP737"},
    {0x00000406, "CP775"},
    {0x00000410, "CP850"},
    {0x00000411, "CP851"},
    {0x00000412, "CP852"},
    {0x00000413, "CP855"},
    {0x00000414, "CP857"},
    {0x00000415, "CP860"},
    {0x00000416, "CP861"},
    {0x00000417, "CP862"},
    {0x00000418, "CP863"},
    {0x00000419, "CP864"},
    {0x0000041A, "CP865"},
    {0x0000041B, "CP866"},
    {0x0000041C, "CP869"},
    {0x0000041D, "CP874"},
    {0x00000420, "CP932"},
    {0x00000421, "CP936"},
    {0x00000422, "CP949"},
    {0x00000423, "CP950"},
    {0x00000501, "CP1250"},
    {0x00000502, "CP1251"},
    {0x00000503, "CP1253"},
    {0x00000504, "CP1254"},
    {0x00000505, "CP1255"},
    {0x00000506, "CP1256"},
    {0x00000507, "CP1257"},
    {0x00000508, "CP1258"},
    {0x00000510, "JOHAB"},
    {0x00000630, "GB2312"},
    {0x00000631, "GBK"},
    {0x00000632, "GB18030"},
    {0x00000820, "ISO-2022-JP"},
    {0x00000821, "ISO-2022-JP-2"},
    {0x00000823, "ISO-2022-JP-3"},
    {0x00000830, "ISO-2022-CN"},
    {0x00000831, "ISO-2022-CN-EXT"},
    {0x00000840, "ISO-2022-KR"},
    {0x00000920, "EUC-JP"},
    {0x00000930, "EUC-CN"},
    {0x00000931, "EUC-TW"},
    {0x00000940, "EUC-KR"},
    {0x00000A01, "SHIFT_JIS"},
    {0x00000A02, "KOI8-R"},
    {0x00000A03, "BIG5"},
    {0x00000A06, "BIG5-HKSCS"},
    {0x00000A07, "VISCII"},
    {0x00000A08, "KOI8-U"},
};

// Code points travel as native-order UTF-32, which needs no byte work here.
constexpr const char* kCodePointForm =
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? "UTF-32LE" : "UTF-32BE";

class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `input` and flushes any shift state; false at the first
  // invalid or unrepresentable sequence.
  bool run(const char* input, size_t inputSize, std::string& output) {
    char buffer[4096];
    char* in = const_cast<char*>(input);
    size_t inLeft = inputSize;
    bool flushing = false;
    for (;;) {
      char* out = buffer;
      size_t outLeft = sizeof buffer;
      size_t done = flushing ? iconv(handle_, nullptr, nullptr, &out, &outLeft)
                             : iconv(handle_, &in, &inLeft, &out, &outLeft);
      output.append(buffer, out);
      if (done == static_cast<size_t>(-1)) {
        if (errno != E2BIG) return false;
        continue;
      }
      // glibc counts characters it replaced rather than rejected; a faithful
      // conversion has none.
      if (done != 0) return false;
      if (flushing) return true;
      flushing = true;
    }
  }

 private:
  iconv_t handle_;
};

// iconv's name for a host encoding number, or null when there is none.
const char* IconvNameOf(uint32_t encoding) {
  for (const IconvName& entry : kIconvNames) {
    if (entry.encoding == encoding) return entry.name;
  }
  return nullptr;
}

}  // namespace

bool DecodeWithIconv(uint32_t encoding, std::string_view bytes, std::u32string& codePoints) {
  const char* name = IconvNameOf(encoding);
  if (name == nullptr) return false;
  Converter converter(kCodePointForm, name);
  std::string units;
  if (!converter.ok() || !converter.run(bytes.data(), bytes.size(), units)) return false;
  size_t start = codePoints.size();
  codePoints.resize(start + units.size() / sizeof(char32_t));
  units.copy(reinterpret_cast<char*>(codePoints.data() + start), units.size());
  return true;
}

bool EncodeWithIconv(uint32_t encoding, std::u32string_view codePoints, std::string& bytes) {
  const char* name = IconvNameOf(encoding);
  if (name == nullptr) return false;
  Converter converter(name, kCodePointForm);
  return converter.ok() &&
         converter.run(reinterpret_cast<const char*>(codePoints.data()),
                       codePoints.size() * sizeof(char32_t), bytes);
}

}  // namespace emu
