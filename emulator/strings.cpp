// Host strings: counted records of bytes plus an encoding number, and the
// host functions that make, read, convert, join and compare them.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "functions.h"
#include "state.h"
#include "text_conversion.h"

namespace emu {
namespace {

// What a nil string reads as: empty, terminated for any unit width.
constexpr char kEmptyText[kStringZeroTail] = {};

// The text of a string in UTF-8 for comparing: its own bytes when they read
// the same, a conversion in `scratch` otherwise, and the raw bytes when it
// cannot be converted.
std::string_view ComparableText(const StringRecord* record, std::string& scratch) {
  if (record == nullptr) return {};
  std::string_view bytes = record->bytes();
  if (ReadsTheSame(bytes, record->encoding, kREALTextEncodingUTF8)) return bytes;
  if (ConvertText(bytes, record->encoding, kREALTextEncodingUTF8, scratch)) return scratch;
  return bytes;
}

unsigned char FoldAsciiCase(char c) {
  auto byte = static_cast<unsigned char>(c);
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

}  // namespace

std::string DescribeString(const StringRecord& record) {
  std::string_view bytes = record.bytes();
  std::string text = "string \"";
  for (size_t i = 0; i < bytes.size() && i < kDescribedBytes; ++i) {
    auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
      text.push_back(static_cast<char>(byte));
      continue;
    }
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
    text += escaped;
  }
  text += bytes.size() > kDescribedBytes ? "...\"" : "\"";
  return text;
}

namespace {

// Longer strings get a block of their own (see StringRecord).
constexpr size_t kLongestInlineString = 512;

void WriteZeroTail(StringRecord& record) {
  std::memset(record.data + record.size, 0, kStringZeroTail);
}

}  // namespace

StringRecord* NewStringRecord(RecordArena& records, size_t size, uint32_t encoding) {
  const bool separateBlock = size > kLongestInlineString;
  const size_t inlineRoom = (separateBlock ? kKeptDeadBytes : std::max(size, kKeptDeadBytes)) +
                            kStringZeroTail;
  void* memory = records.allocate(sizeof(StringRecord) + inlineRoom, RecordKind::kString);
  auto* record = new (memory) StringRecord{1, 0, encoding, separateBlock, size, nullptr};
  if (!separateBlock) {
    record->data = record->inlineBytes();
  } else if (size > std::numeric_limits<size_t>::max() - kStringZeroTail ||
             (record->data = static_cast<char*>(std::malloc(size + kStringZeroTail))) == nullptr) {
    records.release(memory);
    throw std::bad_alloc();
  }
  WriteZeroTail(*record);
  return record;
}

void FreeStringRecord(RecordArena& records, StringRecord* record) {
  if (record->separateBlock) std::free(record->data);
  record->~StringRecord();
  records.release(record);
}

void ShrinkStringRecord(StringRecord& record, size_t size) {
  if (size >= record.size) return;
  record.size = size;
  WriteZeroTail(record);
  if (!record.separateBlock) return;
  // A smaller block for the same bytes; keeping the larger one would do too.
  if (void* smaller = std::realloc(record.data, size + kStringZeroTail)) {
    record.data = static_cast<char*>(smaller);
  }
}

StringRecord* State::makeLive(StringRecord* record) {
  record->serial = nextSerial++;
  records.setState(record, RecordState::kLive);
  return record;
}

REALstring State::makeString(std::string_view bytes, uint32_t encoding) {
  StringRecord* record = makeLive(NewStringRecord(records, bytes.size(), encoding));
  if (!bytes.empty()) std::memcpy(record->data, bytes.data(), bytes.size());
  return reinterpret_cast<REALstring>(record);
}

StringRecord* State::liveString(REALstring text, const char* use) {
  if (text == nullptr) return nullptr;
  auto* record = reinterpret_cast<StringRecord*>(text);
  if (records.isLive(record, RecordKind::kString)) return record;
  reportBadHandle(text, true, use);
  return nullptr;
}

void State::lockString(REALstring text) {
  if (tearingDown) return;
  if (StringRecord* record = liveString(text, "REALLockString")) ++record->refs;
}

void State::unlockString(REALstring text) {
  if (tearingDown) return;
  StringRecord* record = liveString(text, "REALUnlockString");
  if (record == nullptr || --record->refs > 0) return;
  // A kept dead string keeps only what a report shows; a long one gives its
  // own block back at once.
  if (options.keptDeadHandles > 0 && record->size > kKeptDeadBytes) {
    if (record->separateBlock) {
      std::memcpy(record->inlineBytes(), record->data, kKeptDeadBytes);
      std::free(record->data);
      record->data = record->inlineBytes();
      record->separateBlock = false;
    }
    record->size = kKeptDeadBytes;
    WriteZeroTail(*record);
  }
  bury(record, RecordKind::kString);
}

namespace hostcalls {

void REALLockString(REALstring text) {
  if (State* state = CurrentState()) state->lockString(text);
}

void REALUnlockString(REALstring text) {
  if (State* state = CurrentState()) state->unlockString(text);
}

REALstring REALBuildString(const void* bytes, int32_t length) {
  return REALBuildStringWithEncoding(bytes, length, kREALTextEncodingUnknown);
}

REALstring REALBuildStringWithEncoding(const void* bytes, int32_t length, uint32_t encoding) {
  State* state = CurrentState();
  if (state == nullptr || length < 0 || (bytes == nullptr && length > 0)) return nullptr;
  return state->makeString({static_cast<const char*>(bytes), static_cast<size_t>(length)},
                           encoding);
}

void REALSetStringEncoding(REALstring text, uint32_t encoding) {
  State* state = CurrentState();
  if (state == nullptr) return;
  if (StringRecord* record = state->liveString(text, "REALSetStringEncoding")) {
    record->encoding = encoding;
  }
}

REALstring REALConvertString(REALstring text, uint32_t encoding) {
  State* state = CurrentState();
  if (state == nullptr) return nullptr;
  StringRecord* record = state->liveString(text, "REALConvertString");
  if (record == nullptr) return nullptr;
  std::string_view bytes = record->bytes();
  // Wide text is written straight into the new string, in room for the
  // longest result, which is then given back: a long text is read once and
  // written once, not decoded, encoded and copied again.
  if (!ReadsTheSame(bytes, record->encoding, encoding) &&
      HasDirectConversion(record->encoding, encoding)) {
    StringRecord* converted = NewStringRecord(
        state->records, DirectConversionRoom(bytes, record->encoding, encoding), encoding);
    std::optional<size_t> written =
        ConvertDirectly(bytes, record->encoding, encoding, converted->data);
    if (!written) {
      FreeStringRecord(state->records, converted);
      return nullptr;
    }
    ShrinkStringRecord(*converted, *written);
    return reinterpret_cast<REALstring>(state->makeLive(converted));
  }
  std::string converted;
  if (!ConvertText(bytes, record->encoding, encoding, converted)) return nullptr;
  return state->makeString(converted, encoding);
}

uint32_t REALGetStringEncoding(REALstring text) {
  State* state = CurrentState();
  if (state == nullptr) return kREALTextEncodingUnknown;
  StringRecord* record = state->liveString(text, "REALGetStringEncoding");
  return record != nullptr ? record->encoding : kREALTextEncodingUnknown;
}

// Text that needs no conversion is handed out in place, with a reference
// held on the string until the data is disposed; converted text lives in a
// buffer of its own. Either way hostPrivate says which.
bool PluginGetStringData(REALstring text, uint32_t encoding, StringData* out) {
  State* state = CurrentState();
  if (state == nullptr || out == nullptr) return false;
  *out = StringData{kEmptyText, 0, nullptr};
  if (text == nullptr) return true;
  StringRecord* record = state->liveString(text, "PluginGetStringData");
  if (record == nullptr) return false;
  std::string_view bytes = record->bytes();
  if (ReadsTheSame(bytes, record->encoding, encoding)) {
    ++record->refs;
    *out = StringData{bytes.data(), static_cast<int64_t>(bytes.size()), record};
    return true;
  }
  auto buffer = std::make_unique<std::string>();
  if (!ConvertText(bytes, record->encoding, encoding, *buffer)) return false;
  int64_t length = static_cast<int64_t>(buffer->size());
  buffer->append(kStringZeroTail, '\0');
  *out = StringData{buffer->data(), length, buffer.get()};
  state->stringDataBuffers.insert(buffer.release());
  return true;
}

void PluginDisposeStringData(StringData* data) {
  State* state = CurrentState();
  if (state == nullptr || data == nullptr || data->hostPrivate == nullptr) return;
  auto* buffer = static_cast<std::string*>(data->hostPrivate);
  if (state->stringDataBuffers.erase(buffer) != 0) {
    delete buffer;
  } else {
    state->unlockString(static_cast<REALstring>(data->hostPrivate));
  }
  *data = StringData{nullptr, 0, nullptr};
}

const char* StringGetCString(REALstring text) {
  State* state = CurrentState();
  if (state == nullptr) return kEmptyText;
  StringRecord* record = state->liveString(text, "StringGetCString");
  return record != nullptr ? record->data : kEmptyText;
}

int64_t LenB(REALstring text) {
  State* state = CurrentState();
  if (state == nullptr) return 0;
  StringRecord* record = state->liveString(text, "LenB");
  return record != nullptr ? static_cast<int64_t>(record->bytes().size()) : 0;
}

// The result keeps the encoding both sides share, or the known encoding of
// one side when the other reads the same in it; otherwise both are joined in
// UTF-8, and text that cannot be converted is joined as bytes of unknown
// encoding.
REALstring RuntimeAddString(REALstring first, REALstring second) {
  State* state = CurrentState();
  if (state == nullptr) return nullptr;
  StringRecord* left = state->liveString(first, "RuntimeAddString");
  StringRecord* right = state->liveString(second, "RuntimeAddString");
  if (left == nullptr && right == nullptr) return nullptr;
  if (left == nullptr) return state->makeString(right->bytes(), right->encoding);
  if (right == nullptr) return state->makeString(left->bytes(), left->encoding);

  std::string_view leftBytes = left->bytes();
  std::string_view rightBytes = right->bytes();
  auto joinedAs = [&](uint32_t encoding) {
    std::string joined;
    joined.reserve(leftBytes.size() + rightBytes.size());
    joined.append(leftBytes).append(rightBytes);
    return state->makeString(joined, encoding);
  };
  if (left->encoding == right->encoding) return joinedAs(left->encoding);
  if (left->encoding != kREALTextEncodingUnknown &&
      ReadsTheSame(rightBytes, right->encoding, left->encoding)) {
    return joinedAs(left->encoding);
  }
  if (right->encoding != kREALTextEncodingUnknown &&
      ReadsTheSame(leftBytes, left->encoding, right->encoding)) {
    return joinedAs(right->encoding);
  }
  std::string converted;
  if (ConvertText(leftBytes, left->encoding, kREALTextEncodingUTF8, converted) &&
      ConvertText(rightBytes, right->encoding, kREALTextEncodingUTF8, converted)) {
    return state->makeString(converted, kREALTextEncodingUTF8);
  }
  return joinedAs(kREALTextEncodingUnknown);
}

// Equal texts compare 0 whatever their encodings, and ASCII letters compare
// without regard to case, as host code's "=" on strings does.
int64_t RuntimeStringCompare(REALstring first, REALstring second) {
  State* state = CurrentState();
  if (state == nullptr) return 0;
  std::string leftScratch;
  std::string rightScratch;
  std::string_view left = ComparableText(state->liveString(first, "RuntimeStringCompare"), leftScratch);
  std::string_view right =
      ComparableText(state->liveString(second, "RuntimeStringCompare"), rightScratch);
  size_t common = std::min(left.size(), right.size());
  for (size_t i = 0; i < common; ++i) {
    unsigned char a = FoldAsciiCase(left[i]);
    unsigned char b = FoldAsciiCase(right[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  if (left.size() == right.size()) return 0;
  return left.size() < right.size() ? -1 : 1;
}

}  // namespace hostcalls
}  // namespace emu
