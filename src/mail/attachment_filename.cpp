#include "mail/attachment_filename.h"

#include <mimetic/header.h>

#include "decoding/encoded_words.h"
#include "runtime/host_string.h"
#include "runtime/platform.h"

namespace {

// Shorter data cannot hold any of the signatures below.
constexpr size_t kShortestSniffedData = 6;
// Where a JFIF marker may start: it follows the SOI and APP0 markers and the
// segment length, never far into the file.
constexpr size_t kLatestJfifOffset = 30;

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.compare(0, prefix.size(), prefix) == 0;
}

// The Content-ID without its angle brackets (each removed on its own), or
// "attachment" when there is nothing to go by.
std::string NameFromContentId(std::string_view contentId) {
  std::string name(contentId);
  if (name.size() > 2) {
    if (name.front() == '<') name.erase(0, 1);
    if (name.back() == '>') name.pop_back();
  }
  if (name.empty()) name = "attachment";
  return name;
}

bool EndsWithIgnoringCase(const std::string& name, const std::string& suffix) {
  if (name.size() <= suffix.size()) return false;
  return platform::CompareIgnoringCase(name.c_str() + name.size() - suffix.size(),
                                       suffix.c_str()) == 0;
}

}  // namespace

std::string SniffExtension(std::string_view decodedBytes) {
  if (decodedBytes.size() < kShortestSniffedData) return {};
  if (StartsWith(decodedBytes, "<html>")) return ".html";
  if (StartsWith(decodedBytes, "GIF")) return ".gif";
  if (StartsWith(decodedBytes, "BM")) return ".bmp";
  if (decodedBytes.compare(1, 3, "PNG") == 0) return ".png";
  if (StartsWith(decodedBytes, "MM") || StartsWith(decodedBytes, "II")) return ".tif";
  if (decodedBytes.find("JFIF") < kLatestJfifOffset) return ".jpg";
  return {};
}

HostString AttachmentFilename(const HeaderFields& fields, std::string_view decodedBytes) {
  // Empty parameters give nil from the decoders and so fall through.
  const mimetic::ContentDisposition& disposition = fields.contentDisposition();
  const mimetic::ContentType& contentType = fields.contentType();
  if (HostString name = DecodeEncodedWords(disposition.param("filename"), false)) return name;
  if (HostString name = DecodeEncodedWords(contentType.param("filename"), false)) return name;
  if (HostString name = DecodeEncodedWords(contentType.param("name"), false)) return name;
  if (HostString name = DecodeExtendedValue(disposition.param("filename*"))) return name;

  // A part without the field still has mimetic's generated id here.
  return BuildHostStringAuto(
      std::string_view(MadeUpFilename(fields.contentIdText(), decodedBytes)));
}

std::string MadeUpFilename(std::string_view contentId, std::string_view data) {
  std::string madeUpName = NameFromContentId(contentId);
  const std::string extension = SniffExtension(data);
  if (!EndsWithIgnoringCase(madeUpName, extension)) madeUpName += extension;
  return madeUpName;
}
