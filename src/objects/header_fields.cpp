#include "objects/header_fields.h"

#include <mimetic/header.h>

namespace {

// Reads through `read` the first time and keeps what it gave; an exception
// leaves `kept` empty.
template <class Value, class Read>
const Value& Remember(const Value*& kept, Read read) {
  if (kept == nullptr) kept = &read();
  return *kept;
}

template <class Format>
const std::string& RememberText(std::optional<std::string>& kept, Format format) {
  if (!kept) kept.emplace(format());
  return *kept;
}

}  // namespace

// Only the const accessors of the header: the others add an absent field.
const mimetic::ContentType& HeaderFields::contentType() const {
  return Remember(contentType_, [&]() -> const auto& { return header_.contentType(); });
}

const mimetic::ContentTransferEncoding& HeaderFields::contentTransferEncoding() const {
  return Remember(contentTransferEncoding_,
                  [&]() -> const auto& { return header_.contentTransferEncoding(); });
}

const mimetic::ContentDisposition& HeaderFields::contentDisposition() const {
  return Remember(contentDisposition_,
                  [&]() -> const auto& { return header_.contentDisposition(); });
}

const mimetic::ContentId& HeaderFields::contentId() const {
  return Remember(contentId_, [&]() -> const auto& { return header_.contentId(); });
}

const mimetic::MimeVersion& HeaderFields::mimeVersion() const {
  return Remember(mimeVersion_, [&]() -> const auto& { return header_.mimeVersion(); });
}

const mimetic::ContentDescription& HeaderFields::contentDescription() const {
  return Remember(contentDescription_,
                  [&]() -> const auto& { return header_.contentDescription(); });
}

const std::string& HeaderFields::subject() const {
  return Remember(subject_, [&]() -> const auto& { return header_.subject(); });
}

const std::string& HeaderFields::contentTypeText() const {
  return RememberText(contentTypeText_, [&] { return contentType().str(); });
}

const std::string& HeaderFields::contentTransferEncodingText() const {
  return RememberText(contentTransferEncodingText_,
                      [&] { return contentTransferEncoding().str(); });
}

const std::string& HeaderFields::contentDispositionText() const {
  return RememberText(contentDispositionText_, [&] { return contentDisposition().str(); });
}

const std::string& HeaderFields::contentIdText() const {
  return RememberText(contentIdText_, [&] { return contentId().str(); });
}

const std::string& HeaderFields::mimeVersionText() const {
  return RememberText(mimeVersionText_, [&] { return mimeVersion().str(); });
}

const std::string& HeaderFields::contentDescriptionText() const {
  return RememberText(contentDescriptionText_, [&] { return contentDescription().str(); });
}
