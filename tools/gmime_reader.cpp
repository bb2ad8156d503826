// GMime read the way its documentation shows a new user: a memory stream over
// the message, a parser that constructs the message, and each leaf part's
// content written out through its transfer decoding. The stream holds its own
// copy of the bytes, as mimetic's string stream does on the other side.
#include "gmime_reader.h"

#include <gmime/gmime.h>

#include <mutex>

namespace {

// Owns one reference to a GObject.
template <class T>
class Owned {
 public:
  explicit Owned(T* object) : object_(object) {}
  ~Owned() {
    if (object_ != nullptr) g_object_unref(object_);
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  T* get() const { return object_; }

 private:
  T* object_;
};

size_t DecodeLeaf(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (content == nullptr) return 0;
  const Owned<GMimeStream> decoded(g_mime_stream_mem_new());
  const ssize_t written = g_mime_data_wrapper_write_to_stream(content, decoded.get());
  return written > 0 ? static_cast<size_t>(written) : 0;
}

size_t DecodeLeaves(GMimeObject* entity) {
  if (entity == nullptr) return 0;
  if (GMIME_IS_MULTIPART(entity)) {
    GMimeMultipart* multipart = GMIME_MULTIPART(entity);
    size_t decodedBytes = 0;
    const int count = g_mime_multipart_get_count(multipart);
    for (int index = 0; index < count; ++index) {
      decodedBytes += DecodeLeaves(g_mime_multipart_get_part(multipart, index));
    }
    return decodedBytes;
  }
  if (GMIME_IS_MESSAGE_PART(entity)) {
    GMimeMessage* enclosed = g_mime_message_part_get_message(GMIME_MESSAGE_PART(entity));
    return enclosed == nullptr ? 0 : DecodeLeaves(g_mime_message_get_mime_part(enclosed));
  }
  if (GMIME_IS_PART(entity)) return DecodeLeaf(GMIME_PART(entity));
  return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) size_t zqv_bench_read_with_gmime(
    const char* bytes, size_t size) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { g_mime_init(); });
  const Owned<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes, size));
  const Owned<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  const Owned<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
  if (message.get() == nullptr) return 0;
  return DecodeLeaves(g_mime_message_get_mime_part(message.get()));
}
