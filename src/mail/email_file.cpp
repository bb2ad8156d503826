#include "mail/email_file.h"

#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <utility>

#include "mail/email_parse.h"
#include "runtime/errors.h"
#include "runtime/folder_item_path.h"
#include "runtime/heap_buffer.h"
#include "runtime/platform.h"

namespace {

constexpr size_t kDefaultStreamBufferSize = 0x100000;

// Windows refuses ordinary paths of MAX_PATH (260) characters and more; the
// same path with the \\?\ prefix is taken as it is, at any length.
constexpr size_t kLongPathUnits = 261;
constexpr uint16_t kLongPathPrefix[] = {'\\', '\\', '?', '\\'};
constexpr size_t kLongPathPrefixUnits = 4;

// The whole file goes into one buffer that ends in a few zero bytes; a size
// that leaves no room for them cannot be a real file's.
constexpr int64_t kBufferSlack = 4;
constexpr int64_t kLargestReadableSize = std::numeric_limits<int64_t>::max() - kBufferSlack;

struct StreamCloser {
  void operator()(FILE* stream) const { fclose(stream); }
};
using OwnedStream = std::unique_ptr<FILE, StreamCloser>;

size_t CountUnits(const uint16_t* path) {
  size_t units = 0;
  while (path[units] != 0) ++units;
  return units;
}

bool HasLongPathPrefix(const uint16_t* path, size_t units) {
  if (units < kLongPathPrefixUnits) return false;
  for (size_t i = 0; i < kLongPathPrefixUnits; ++i) {
    if (path[i] != kLongPathPrefix[i]) return false;
  }
  return true;
}

FILE* OpenWithLongPathPrefix(const uint16_t* path, size_t units) {
  HeapBuffer prefixedPath(static_cast<int64_t>((units + 8) * sizeof(uint16_t)));
  if (!prefixedPath) return nullptr;
  uint16_t* out = prefixedPath.as<uint16_t>();
  for (size_t i = 0; i < kLongPathPrefixUnits; ++i) out[i] = kLongPathPrefix[i];
  for (size_t i = 0; i < units; ++i) out[kLongPathPrefixUnits + i] = path[i];
  // The buffer came zero-filled, so the prefixed path is already terminated.
  return platform::OpenFileUTF16(out);
}

}  // namespace

FILE* OpenFileForReading(REALobject folderItem, size_t bufferSize) {
  if (folderItem == nullptr) return nullptr;
  HeapBuffer path = FolderItemPathUTF16(folderItem);
  if (!path) return nullptr;
  const uint16_t* pathUnits = path.as<uint16_t>();
  const size_t units = CountUnits(pathUnits);

  FILE* stream = nullptr;
  if (units >= kLongPathUnits && !HasLongPathPrefix(pathUnits, units)) {
    stream = OpenWithLongPathPrefix(pathUnits, units);
  }
  if (stream == nullptr) stream = platform::OpenFileUTF16(pathUnits);
  if (stream == nullptr) return nullptr;

  // The file is read in one call; a large stdio buffer keeps that to a few
  // system reads.
  setvbuf(stream, nullptr, _IOFBF, bufferSize == 0 ? kDefaultStreamBufferSize : bufferSize);
  return stream;
}

void ParseEmailFile(REALobject instance, REALobject folderItem) {
  OwnedStream stream(OpenFileForReading(folderItem, 0));
  if (!stream) {
    RaiseException("IOException", "Failed to open file for reading.");
    return;
  }

  const int64_t size = platform::TellFile(stream.get());
  // A stream whose size cannot be told (or is absurd, as for some special
  // files) cannot be read into a buffer of its size.
  if (size < 0 || size > kLargestReadableSize) {
    RaiseException("IOException", "Failed to read data from file.");
    return;
  }
  // A file too long to parse is refused before it is read.
  if (IsTooLongToParse(size)) {
    RefuseTooLongEmail(instance);
    return;
  }
  if (fseek(stream.get(), 0, SEEK_SET) != 0) {
    RaiseException("IOException", "Failed to read data from file.");
    return;
  }

  HeapBuffer contents(size + kBufferSlack);
  if (!contents) {
    RaiseException("OutOfMemoryException", "Failed to allocate memory for email");
    return;
  }
  const size_t wanted = static_cast<size_t>(size);
  if (fread(contents.get(), 1, wanted, stream.get()) < wanted) {
    RaiseException("IOException", "Failed to read data from file.");
    return;
  }
  ParseEmailBuffer(instance, std::move(contents), size);
}
