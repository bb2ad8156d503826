// MimeAttachmentZQV: the file name chosen for a part, the values copied from
// its header, and the references an attachment keeps.

#include <string>
#include <utility>
#include <vector>

#include "mail/attachment_filename.h"
#include "plugin_test.h"

namespace {

using namespace std::string_literals;

// After a text part, so every part given is filed as attachment or inline.
std::string MixedMessage(const std::vector<std::string>& parts) {
  std::string text =
      "Content-Type: multipart/mixed; boundary=m\r\n\r\n"
      "--m\r\nContent-Type: text/plain\r\n\r\nbody\r\n";
  for (const std::string& part : parts) text += "--m\r\n" + part + "\r\n";
  return text + "--m--\r\n";
}

class AttachmentsTest : public PluginTest {
 protected:
  REALobject objectOf(const emu::Obj& object, const char* property) {
    return host().get(object, property).obj().get();
  }
};

TEST_F(AttachmentsTest, FilenameComesFromTheParametersOrIsMadeUp) {
  struct Case {
    std::string headers, body, filename;
  };
  const std::string jpegWithJfifAt6 = "Content-Transfer-Encoding: base64\r\n\r\n/9j/4AAQSkZJRgAB";
  const std::vector<Case> cases = {
      {"Content-Type: application/pdf; name=n.pdf; filename=t.pdf\r\n"
       "Content-Disposition: inline; filename=d.pdf\r\n", "\r\n%PDF", "d.pdf"},
      {"Content-Type: application/pdf; name=n.pdf; filename=t.pdf\r\n", "\r\n%PDF", "t.pdf"},
      {"Content-Type: text/plain; name=b.txt\r\n"
       "Content-Disposition: attachment; filename=\"\"\r\n", "\r\nb", "b.txt"},
      {"Content-Disposition: attachment; filename=\"=?UTF-8?B?w6ljb2xlLnR4dA==?=\"\r\n", "\r\ne",
       "\xC3\xA9" "cole.txt"},
      // A quoted name may hold ";" and escaped quotes; a path its backslashes.
      {"Content-Disposition: attachment; filename=\"x;y \\\"1\\\".pdf\"; size=3\r\n", "\r\n%PDF",
       "x;y \"1\".pdf"},
      {"Content-Type: application/octet-stream; name=\"C:\\temp\\a;b.bin\"\r\n", "\r\nx",
       "C:\\temp\\a;b.bin"},
      // The extended form is not percent-decoded; numbered pieces not joined.
      {"Content-Disposition: attachment; filename*=UTF-8''na%C3%AFve.txt\r\n", "\r\nn",
       "na%C3%AFve.txt"},
      {"Content-Disposition: attachment; filename*0=a; filename*1=.txt\r\nContent-ID: <c>\r\n",
       "\r\nxyz", "c"},
      {"Content-Type: image/jpeg\r\nContent-ID: <photo.JPG>\r\n", jpegWithJfifAt6, "photo.JPG"},
      {"Content-Type: image/jpeg\r\nContent-ID: <photo.gif>\r\n", jpegWithJfifAt6, "photo.gif.jpg"},
      {"Content-ID: .GIF\r\n", "\r\nGIF89a", ".GIF.gif"},
      // Each bracket goes on its own, and only from names of three bytes or more.
      {"Content-ID: <abc\r\n", "\r\ndata", "abc"},
      {"Content-ID: abc>\r\n", "\r\ndata", "abc"},
      {"Content-ID: <>\r\n", "\r\ndata", "<>"},
  };
  for (const Case& test : cases) {
    const emu::Obj email = parseEmail(MixedMessage({test.headers + test.body}));
    expectNoException();
    const emu::Obj attachments = host().call(email, kAttachments).obj();
    const emu::Obj filed = host().ubound(attachments) == 0
                               ? host().element(attachments, 0)
                               : host().call(email, kInlineAt, {0}).obj();
    EXPECT_EQ(shown(filed, "Filename"), test.filename) << test.headers;
  }
}

TEST(AttachmentsSniffExtension, FirstMatchingSignatureDecides) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"<html><body>", ".html"}, {"<HTML><body>", ""},     {"<html", ""},
      {"GIF87a", ".gif"},        {"gif89a", ""},           {"BM text", ".bmp"},
      {"\x89PNG\r\n", ".png"},   {"xPNG", ""},             {"MM\0*xx"s, ".tif"},
      {"II*\0xx"s, ".tif"},      {"mm\0*xx"s, ""},         {"\xFF\xD8\xFF\xE0\0\x10JFIF"s, ".jpg"},
      {std::string(29, 'x') + "JFIF", ".jpg"},             {std::string(30, 'x') + "JFIF", ""},
      {"GIF89aJFIF", ".gif"},    {"<html>GIF", ".html"},   {"GIF89", ""},
  };
  for (const auto& [data, extension] : cases) EXPECT_EQ(SniffExtension(data), extension) << data;
}

TEST_F(AttachmentsTest, AttachmentCopiesThePartsHeaderAndSharesItsObjects) {
  const emu::Obj email = parseEmail(MixedMessage({
      "Content-Type: Image/PNG; name=logo.png\r\n"
      "Content-Transfer-Encoding: base64\r\n"
      "Content-Disposition: inline\r\n"
      "Content-Description: The logo\r\n"
      "Content-ID: <logo@example.com>\r\n"
      "Mime-Version: 1.0\r\n"
      "\r\n"
      "iVBORw0KGgo=",
      "Content-Type: image\r\n\r\nGIF89a",
      "Content-Type: /png\r\n\r\ny",
  }));
  expectNoException();
  const emu::Obj logo = host().call(email, kInlineAt, {0}).obj();
  EXPECT_EQ(shown(logo, "MimeType"), "Image/PNG");
  // Each text as the part's header object shows it (the header tests check those).
  const emu::Obj partHeader = headerOf(partAt(email, 1));
  for (const char* name : {"ContentType", "ContentDisposition", "ContentDescription", "contentId",
                           "MimeVersion", "ContentTransferEncoding"}) {
    EXPECT_EQ(shown(logo, name), shown(partHeader, name)) << name;
  }
  EXPECT_EQ(objectOf(logo, "Header"), partHeader.get());

  // Without a Content-ID a part is inline, named after mimetic's made-up id.
  const emu::Obj gif = host().call(email, kInlineAt, {1}).obj();
  const emu::Obj bare = host().call(email, kInlineAt, {2}).obj();
  const std::string generatedId = shown(gif, "contentId");
  EXPECT_NE(generatedId, kNil);
  EXPECT_EQ(shown(gif, "Filename"), generatedId + ".gif");
  // A type without subtype, or a subtype without type, stands alone.
  EXPECT_EQ(shown(gif, "MimeType"), "image");
  EXPECT_EQ(shown(bare, "MimeType"), "png");
}

// Identical parts give an object each, in order. Host code may make
// attachments and replace any value; an attachment keeps the part's objects
// and data after the message is gone.
TEST_F(AttachmentsTest, AttachmentsAreObjectsOfTheirOwnThatHostCodeOwns) {
  const std::string pdf =
      "Content-Type: application/pdf\r\n"
      "Content-Disposition: attachment; filename=a.pdf\r\n\r\n%PDF";
  emu::Obj email = parseEmail(MixedMessage({pdf, pdf}));
  const emu::Obj first = host().call(email, kAttachmentAt, {0}).obj();
  const emu::Obj second = host().call(email, kAttachmentAt, {1}).obj();
  ASSERT_NE(first.get(), second.get());
  EXPECT_EQ(objectOf(first, "Body"), objectOf(partAt(email, 1), "Body"));
  EXPECT_EQ(objectOf(second, "Body"), objectOf(partAt(email, 2), "Body"));

  const emu::Obj made = host().construct("MimeAttachmentZQV", "Constructor");
  EXPECT_EQ(shown(made, "Filename"), kNil);
  EXPECT_EQ(objectOf(made, "Body"), nullptr);
  host().set(first, "Filename", host().string("renamed.pdf"));
  host().set(made, "Header", host().get(first, "Header"));
  EXPECT_EQ(shown(host().call(email, kAttachmentAt, {0}).obj(), "Filename"), "renamed.pdf");
  EXPECT_EQ(objectOf(made, "Header"), objectOf(first, "Header"));

  email = emu::Obj();
  EXPECT_EQ(shown(first, "Data"), "%PDF");
  EXPECT_EQ(shown(host().get(first, "Body").obj(), "StringValue"), "%PDF");
  EXPECT_EQ(shown(headerOf(first), "ContentType"), "application/pdf");
}

// What the host cannot make is left out, silently.
TEST_F(AttachmentsTest, ObjectsTheHostCannotMakeAreLeftOut) {
  for (const char* refused : {"MimeAttachmentZQV", "MimeMailboxZQV", "MimeAddressListZQV"}) {
    host().refuseInstances(refused, true);
  }
  const emu::Obj email = parseEmail("To: a@example.com\r\n" + MixedMessage(
      {"Content-Disposition: attachment\r\n\r\n%PDF", "Content-Type: image/gif\r\n\r\nGIF89a"}));
  expectNoException();
  EXPECT_EQ(shown(email, "PlainText"), "body");
  EXPECT_EQ(host().ubound(host().call(email, kAttachments).obj()), -1);
  EXPECT_EQ(host().ubound(host().call(email, kInlines).obj()), -1);
  EXPECT_TRUE(host().get(headerOf(email), "too").obj().isNil());
  const auto parsed = [&](const char* className, const char* text) {
    return host().construct(className, kTextConstructor, {host().string(text)});
  };
  EXPECT_EQ(host().get(parsed("MimeMailboxListZQV", "a@b.test, c@d.test"), "Count").integer(), 0);
  EXPECT_TRUE(host().get(parsed("MimeAddressZQV", "a@b.test"), "Mailbox").obj().isNil());
}

}  // namespace
