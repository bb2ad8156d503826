#include "runtime/text_reader.h"

#include <cstring>

#include "runtime/debug_log.h"
#include "runtime/heap_buffer.h"
#include "runtime/host_string.h"
#include "runtime/unicode.h"

namespace {

// Written at both ends of every reader and checked at release, so that a
// stray write over a reader shows up in the debug log.
constexpr uint64_t kGuardWord = 0x7A7176725465787Full;

// Bytes taken at once while text is ASCII, and the high bit of each of them.
constexpr int64_t kAsciiRun = 8;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// What n trailing bytes add to a UTF-8 sequence when its bytes are simply
// accumulated as value * 64 + byte.
constexpr uint32_t kUTF8SequenceOffsets[4] = {0, 0x3080, 0xE2080, 0x3C82080};

void Trace(const char* message) {
  if (DebugLogEnabled()) DebugLog(message);
}

template <class Unit>
const Unit* EmptyText() {
  static const Unit empty[2] = {};
  return empty;
}

bool IsWideEncoding(HostEncoding encoding) {
  if (encoding == kREALTextEncodingUTF16) return true;
  return encoding >= 0x0C000100 && encoding <= 0x1C000100 && (encoding & 0x03FFFFFF) == 0x100;
}

bool IsUTF8Compatible(HostEncoding encoding) {
  return encoding == kREALTextEncodingASCII || encoding == kREALTextEncodingUTF8;
}

// A byte-order mark read in the wrong byte order.
template <class Unit>
constexpr Unit SwappedByteOrderMark() {
  if constexpr (sizeof(Unit) == 2) {
    return 0xFFFE;
  } else {
    return 0xFFFE0000;
  }
}

uint16_t SwapBytes(uint16_t unit) { return static_cast<uint16_t>((unit >> 8) | (unit << 8)); }
uint32_t SwapBytes(uint32_t unit) {
  return (unit >> 24) | ((unit >> 8) & 0xFF00) | ((unit << 8) & 0xFF0000) | (unit << 24);
}

int TrailingByteCount(unsigned char lead) {
  if (lead < 0xC0) return 0;
  if (lead < 0xE0) return 1;
  if (lead < 0xF0) return 2;
  if (lead < 0xF8) return 3;
  if (lead < 0xFC) return 4;
  return 5;
}

// Rejects overlong forms, surrogates and values beyond U+10FFFF.
bool IsLegalUTF8Sequence(const unsigned char* sequence, int trailing) {
  if (trailing > 3) return false;
  const unsigned char lead = sequence[0];
  if ((lead >= 0x80 && lead <= 0xC1) || lead > 0xF4) return false;
  for (int i = 1; i <= trailing; ++i) {
    if (sequence[i] < 0x80 || sequence[i] > 0xBF) return false;
  }
  switch (lead) {
    case 0xE0:
      return sequence[1] >= 0xA0;
    case 0xED:
      return sequence[1] < 0xA0;
    case 0xF0:
      return sequence[1] >= 0x90;
    case 0xF4:
      return sequence[1] < 0x90;
    default:
      return true;
  }
}

// Decodes up to the first illegal sequence; `out` needs room for one unit per
// byte plus a terminator. Returns the units written before the terminator.
template <class Unit>
int64_t DecodeUTF8(const unsigned char* bytes, int64_t length, Unit* out) {
  int64_t written = 0;
  int64_t position = 0;
  while (position < length) {
    // Mail text is mostly ASCII, which needs none of the checks below: eight
    // bytes at a time while none of them has its high bit set.
    while (length - position >= kAsciiRun) {
      uint64_t run;
      std::memcpy(&run, bytes + position, sizeof run);
      if ((run & kHighBits) != 0) break;
      // Widened from a copy: stores through `out` then cannot change the
      // bytes, and the compiler makes one vector operation of the loop.
      unsigned char ascii[kAsciiRun];
      std::memcpy(ascii, &run, sizeof ascii);
      for (int64_t i = 0; i < kAsciiRun; ++i) out[written + i] = ascii[i];
      written += kAsciiRun;
      position += kAsciiRun;
    }
    if (position == length) break;
    if (bytes[position] < 0x80) {
      out[written++] = bytes[position++];
      continue;
    }
    const int trailing = TrailingByteCount(bytes[position]);
    if (length - position - 1 < trailing || !IsLegalUTF8Sequence(bytes + position, trailing)) {
      if (DebugLogEnabled()) {
        DebugLogUnsigned64("Illegal UTF-8 sequence!", static_cast<uint64_t>(position));
      }
      break;
    }
    uint32_t value = 0;
    for (int i = 0; i <= trailing; ++i) value = value * 64 + bytes[position + i];
    value -= kUTF8SequenceOffsets[trailing];
    position += trailing + 1;

    // Byte-order marks are no part of the text, wherever they stand.
    if (value == 0xFEFF || value == 0xFFFE) continue;
    if constexpr (sizeof(Unit) == 4) {
      out[written++] = value;
    } else {
      written += ConvertUTF32ToUTF16(&value, 1, out + written);
    }
  }
  out[written] = 0;
  return written;
}

// A broken surrogate pair loses both of its units.
int64_t DecodeUTF16(const uint16_t* units, int64_t length, uint32_t* out) {
  int64_t written = 0;
  for (int64_t i = 0; i < length; ++i) {
    const uint16_t unit = units[i];
    const bool isLast = i + 1 == length;
    if (!isLast && unit >= 0xD800 && unit <= 0xDBFF) {
      const uint16_t low = units[++i];
      if (low >= 0xDC00 && low <= 0xDFFF) {
        out[written++] = (uint32_t{unit} - 0xD800) * 0x400 + (uint32_t{low} - 0xDC00) + 0x10000;
      }
      continue;
    }
    if (!isLast && unit >= 0xDC00 && unit <= 0xDFFF) {
      ++i;
      continue;
    }
    out[written++] = unit;
  }
  out[written] = 0;
  return written;
}

}  // namespace

HostTextReader::HostTextReader(REALstring source)
    : frontGuard_(kGuardWord), backGuard_(kGuardWord) {
  MakeEmpty<char>(utf8_);
  MakeEmpty<uint16_t>(utf16_);
  MakeEmpty<uint32_t>(utf32_);
  if (source == nullptr) return;

  source_ = RetainString(source);
  sourceEncoding_ = REALGetStringEncoding(source);
  utf8_.length = utf16_.length = utf32_.length = -1;
  mode_ = kOther;

  switch (sourceEncoding_) {
    case kREALTextEncodingUTF8:
    case kREALTextEncodingWindowsLatin1:
    case kREALTextEncodingMacRoman:
    case kREALTextEncodingISOLatin1:
    case kREALTextEncodingASCII:
      mode_ = kUnexamined;
      return;
    case kREALTextEncodingUnknown:
      mode_ = kUnexamined;
      CheckAscii();
      if (mode_ != kAscii) RebuildAsWindowsLatin1();
      return;
    default:
      if (IsWideEncoding(sourceEncoding_)) mode_ = kNeedsConversion;
      return;
  }
}

HostTextReader::~HostTextReader() {
  if (DebugLogEnabled()) {
    if (frontGuard_ != kGuardWord) DebugLogUnsigned64("Check1 in rbText invalid", frontGuard_);
    if (backGuard_ != kGuardWord) DebugLogUnsigned64("Check2 in rbText invalid", backGuard_);
  }
  source_.reset();

  auto disposeHostData = [](Form& form, const char* message) {
    if (!form.holdsHostData) return;
    Trace(message);
    PluginDisposeStringData(&form.hostData);
    form.holdsHostData = false;
  };
  disposeHostData(utf8_, "REALDisposeStringData UTF8");
  disposeHostData(utf16_, "REALDisposeStringData UTF16");
  disposeHostData(utf32_, "REALDisposeStringData UTF32");

  auto freeOwnedBuffer = [](Form& form, const char* message) {
    if (form.ownedBuffer == nullptr) return;
    Trace(message);
    GlobalHeapFree(form.ownedBuffer);
    form.ownedBuffer = nullptr;
  };
  freeOwnedBuffer(utf8_, "FreeMemoryNow tempUTF8");
  freeOwnedBuffer(utf16_, "FreeMemoryNow tempUTF16");
  freeOwnedBuffer(utf32_, "FreeMemoryNow tempUTF32");
}

const char* HostTextReader::UTF8() {
  if (utf8_.length < 0) ProduceUTF8();
  return static_cast<const char*>(utf8_.data);
}

int64_t HostTextReader::UTF8Length() {
  if (utf8_.length < 0) ProduceUTF8();
  return utf8_.length;
}

const uint16_t* HostTextReader::UTF16() {
  if (utf16_.length < 0) ProduceUTF16();
  return static_cast<const uint16_t*>(utf16_.data);
}

int64_t HostTextReader::UTF16Length() {
  if (utf16_.length < 0) ProduceUTF16();
  return utf16_.length;
}

const uint32_t* HostTextReader::UTF32() {
  if (utf32_.length < 0) ProduceUTF32();
  return static_cast<const uint32_t*>(utf32_.data);
}

int64_t HostTextReader::UTF32Length() {
  if (utf32_.length < 0) ProduceUTF32();
  return utf32_.length;
}

// Text of unknown encoding with high bytes is taken to be Windows-1252, the
// likeliest reading of 8-bit mail text, and the host converts it from there.
void HostTextReader::RebuildAsWindowsLatin1() {
  HostBytesView bytes = HostBytesView::OfString(source_.get());
  // The rebuilt copy needs as much memory again; with none to spare the
  // source is read as it is.
  const bool memoryToSpare = static_cast<bool>(HeapBuffer(bytes.size() + 4));
  if (!memoryToSpare) {
    Trace("Out of Memory.");
  } else {
    source_ = BuildHostString(bytes.data(), bytes.size(), kREALTextEncodingWindowsLatin1);
    if (source_) {
      sourceEncoding_ = REALGetStringEncoding(source_.get());
    } else {
      Trace("REALBuildUnicodeString failed");
    }
    mode_ = kNeedsConversion;
  }
  preferOwnConversion_ = true;
}

// Pure 7-bit text is its own UTF-8: the host's bytes are used in place.
void HostTextReader::CheckAscii() {
  if (mode_ != kUnexamined) return;
  HostBytesView bytes = HostBytesView::OfString(source_.get());
  int64_t i = 0;
  for (; bytes.size() - i >= kAsciiRun; i += kAsciiRun) {
    uint64_t run;
    std::memcpy(&run, bytes.data() + i, sizeof run);
    if ((run & kHighBits) != 0) break;
  }
  for (; i < bytes.size(); ++i) {
    if (bytes.data()[i] >= 0x80) {
      mode_ = kNeedsConversion;
      return;
    }
  }
  mode_ = kAscii;
  utf8_.data = bytes.data() != nullptr ? static_cast<const void*>(bytes.data()) : EmptyText<char>();
  utf8_.length = bytes.size();
}

void HostTextReader::FetchHostData(Form& form, HostEncoding encoding, int64_t unitSize) {
  StringData record{};
  if (!PluginGetStringData(source_.get(), encoding, &record)) {
    Trace("REALGetStringData failed.");
    preferOwnConversion_ = true;
    return;
  }
  if (DebugLogEnabled()) {
    DebugLogUnsigned64("REALGetStringData ok. Length", static_cast<uint64_t>(record.length));
  }
  form.hostData = record;
  form.holdsHostData = true;
  if (record.data == nullptr || record.length < 1) return;
  form.data = record.data;
  form.length = record.length / unitSize;
}

void HostTextReader::ProduceUTF8() {
  MakeEmpty<char>(utf8_);
  if (!source_) return;
  CheckAscii();
  if (mode_ == kAscii) return;
  FetchHostData(utf8_, kREALTextEncodingUTF8, 1);
  if (utf8_.length > 0) EnsureTerminated<char>(utf8_);
}

void HostTextReader::ProduceUTF16() {
  MakeEmpty<uint16_t>(utf16_);
  if (!source_) return;
  CheckAscii();
  if (mode_ == kAscii) {
    WidenBytes<uint16_t>(utf16_, utf8_);
  } else if (IsUTF8Compatible(sourceEncoding_)) {
    Trace("Try UTF8 to UTF16 conversion...");
    DecodeUTF8Into<uint16_t>(utf16_);
  } else {
    FetchHostData(utf16_, kREALTextEncodingUTF16, 2);
  }
  FinishWideForm<uint16_t>(utf16_, "lengthUTF16");
}

void HostTextReader::ProduceUTF32() {
  MakeEmpty<uint32_t>(utf32_);
  if (!source_) return;
  CheckAscii();
  if (mode_ == kAscii) {
    WidenBytes<uint32_t>(utf32_, utf8_);
  } else if (sourceEncoding_ == kREALTextEncodingUTF16) {
    ConvertUTF16ToUTF32();
  } else if (IsUTF8Compatible(sourceEncoding_)) {
    Trace("Try UTF8 to UTF32 conversion...");
    DecodeUTF8Into<uint32_t>(utf32_);
  } else {
    FetchHostData(utf32_, kREALTextEncodingUTF32, 4);
    // A source we rebuilt ourselves, or one the host could not deliver, is
    // read through its UTF-16 form instead.
    if (preferOwnConversion_) ConvertUTF16ToUTF32();
  }
  FinishWideForm<uint32_t>(utf32_, "lengthUTF32");
}

void HostTextReader::ConvertUTF16ToUTF32() {
  Trace("Try UTF16 to UTF32 conversion...");
  if (utf16_.length < 0) ProduceUTF16();
  MakeEmpty<uint32_t>(utf32_);
  if (utf16_.length < 1) return;
  auto* converted = static_cast<uint32_t*>(GlobalHeapAlloc(4 * utf16_.length + 16));
  if (converted == nullptr) {
    Trace("Out of memory");
    return;
  }
  const int64_t written =
      DecodeUTF16(static_cast<const uint16_t*>(utf16_.data), utf16_.length, converted);
  AdoptBuffer(utf32_, converted, written);
  preferOwnConversion_ = false;
}

template <class Unit>
void HostTextReader::DecodeUTF8Into(Form& form) {
  if (utf8_.length < 0) ProduceUTF8();
  if (utf8_.length < 1) return;
  auto* decoded = static_cast<Unit*>(GlobalHeapAlloc(int64_t{sizeof(Unit)} * utf8_.length + 16));
  if (decoded == nullptr) {
    Trace("Out of memory");
    return;
  }
  const int64_t written =
      DecodeUTF8(static_cast<const unsigned char*>(utf8_.data), utf8_.length, decoded);
  AdoptBuffer(form, decoded, written);
  preferOwnConversion_ = false;
}

template <class Unit>
void HostTextReader::MakeEmpty(Form& form) {
  form.length = 0;
  form.data = EmptyText<Unit>();
}

void HostTextReader::AdoptBuffer(Form& form, void* buffer, int64_t length) {
  GlobalHeapFree(form.ownedBuffer);
  form.ownedBuffer = buffer;
  form.data = buffer;
  form.length = length;
}

// Callers read every form as NUL-terminated; a host that hands out text
// without a terminator gets a terminated copy.
template <class Unit>
void HostTextReader::EnsureTerminated(Form& form) {
  const auto* units = static_cast<const Unit*>(form.data);
  if (units[form.length] == 0) return;
  Trace("String is not zero terminated. Fixed.");
  const int64_t byteLength = int64_t{sizeof(Unit)} * form.length;
  void* copy = GlobalHeapAlloc(byteLength + 4);
  if (copy == nullptr) {
    Trace("Out of memory");
    MakeEmpty<Unit>(form);
    return;
  }
  std::memcpy(copy, units, static_cast<size_t>(byteLength));
  AdoptBuffer(form, copy, form.length);
}

template <class Unit>
void HostTextReader::WidenBytes(Form& form, const Form& bytes) {
  auto* widened = static_cast<Unit*>(GlobalHeapAlloc(int64_t{sizeof(Unit)} * bytes.length + 4));
  if (widened == nullptr) {
    Trace("Out of memory");
    return;
  }
  const auto* narrow = static_cast<const unsigned char*>(bytes.data);
  for (int64_t i = 0; i < bytes.length; ++i) widened[i] = narrow[i];
  AdoptBuffer(form, widened, bytes.length);
}

template <class Unit>
void HostTextReader::FinishWideForm(Form& form, const char* lengthMessage) {
  EnsureTerminated<Unit>(form);

  const auto* units = static_cast<const Unit*>(form.data);
  if (form.length > 0 && units[0] == SwappedByteOrderMark<Unit>()) {
    Trace("String is Little Endian. Swap.");
    auto* swapped = static_cast<Unit*>(GlobalHeapAlloc(int64_t{sizeof(Unit)} * form.length + 4));
    if (swapped == nullptr) {
      Trace("Out of memory");
      MakeEmpty<Unit>(form);
    } else {
      for (int64_t i = 0; i < form.length; ++i) swapped[i] = SwapBytes(units[i]);
      AdoptBuffer(form, swapped, form.length);
    }
  }

  if (DebugLogEnabled()) DebugLogSigned(lengthMessage, form.length);

  for (Unit mark : {Unit{0xFEFF}, Unit{0xFFFE}}) {
    units = static_cast<const Unit*>(form.data);
    if (form.length > 0 && units[0] == mark) {
      form.data = units + 1;
      --form.length;
    }
  }
}
