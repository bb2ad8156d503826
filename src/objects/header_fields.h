// The MIME fields of one entity's header as the builders and the message's
// per-entity step read them, each looked up by name only once.
//
// mimetic finds a typed field by comparing its name, ignoring case, with the
// name of every field in turn, and the header object, the part walk and the
// attachment of one entity read the same few fields a dozen times between
// them. Its first read of a field keeps the typed value in the header, so
// every later read gives the same object: holding on to it changes nothing
// but the cost. A read that throws is not remembered, so the next one throws
// again, as it would have without this.
#pragma once

#include <optional>
#include <string>

namespace mimetic {
class ContentDescription;
class ContentDisposition;
class ContentId;
class ContentTransferEncoding;
class ContentType;
class Header;
class MimeVersion;
}  // namespace mimetic

class HeaderFields {
 public:
  explicit HeaderFields(const mimetic::Header& header) : header_(header) {}
  HeaderFields(const HeaderFields&) = delete;
  HeaderFields& operator=(const HeaderFields&) = delete;

  const mimetic::Header& header() const { return header_; }

  const mimetic::ContentType& contentType() const;
  const mimetic::ContentTransferEncoding& contentTransferEncoding() const;
  const mimetic::ContentDisposition& contentDisposition() const;
  const mimetic::ContentId& contentId() const;
  const mimetic::MimeVersion& mimeVersion() const;
  const mimetic::ContentDescription& contentDescription() const;
  const std::string& subject() const;

  // The str() text of each typed value, formatted once.
  const std::string& contentTypeText() const;
  const std::string& contentTransferEncodingText() const;
  const std::string& contentDispositionText() const;
  const std::string& contentIdText() const;
  const std::string& mimeVersionText() const;
  const std::string& contentDescriptionText() const;

 private:
  const mimetic::Header& header_;
  mutable const mimetic::ContentType* contentType_ = nullptr;
  mutable const mimetic::ContentTransferEncoding* contentTransferEncoding_ = nullptr;
  mutable const mimetic::ContentDisposition* contentDisposition_ = nullptr;
  mutable const mimetic::ContentId* contentId_ = nullptr;
  mutable const mimetic::MimeVersion* mimeVersion_ = nullptr;
  mutable const mimetic::ContentDescription* contentDescription_ = nullptr;
  mutable const std::string* subject_ = nullptr;
  mutable std::optional<std::string> contentTypeText_;
  mutable std::optional<std::string> contentTransferEncodingText_;
  mutable std::optional<std::string> contentDispositionText_;
  mutable std::optional<std::string> contentIdText_;
  mutable std::optional<std::string> mimeVersionText_;
  mutable std::optional<std::string> contentDescriptionText_;
};
