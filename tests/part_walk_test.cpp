// Which part becomes PlainText or HTMLText, which go to Attachments or
// Inlines and in what order, and every entity's BodyDecoded.

#include <string>
#include <utility>
#include <vector>

#include "plugin_test.h"

namespace {

constexpr char kFromHtml[] = "(HTMLToPlainText of HTMLText)";
constexpr char kUnchecked[] = "(unchecked)";

std::string Part(const std::string& headers, const std::string& body) {
  return headers + "\r\n" + body;
}
std::string TextPart(const std::string& subtype, const std::string& body,
                     const std::string& moreHeaders = "") {
  return Part("Content-Type: text/" + subtype + "\r\n" + moreHeaders, body);
}
std::string OctetPart(const std::string& body, const std::string& moreHeaders = "") {
  return Part("Content-Type: application/octet-stream\r\n" + moreHeaders, body);
}
// A multipart entity (at the top, a whole message) holding `parts`.
std::string Multipart(const std::string& subtype, const std::vector<std::string>& parts) {
  const std::string boundary = "=" + subtype + std::to_string(parts.size());
  std::string text =
      "Content-Type: multipart/" + subtype + "; boundary=\"" + boundary + "\"\r\n\r\n";
  for (const std::string& part : parts) text += "--" + boundary + "\r\n" + part + "\r\n";
  return text + "--" + boundary + "--\r\n";
}

class PartWalkTest : public PluginTest {
 protected:
  struct Case {
    const char* what;
    std::string message;
    std::string plain, html;
    std::vector<std::string> attachments, inlines;
    std::string bodyDecoded = kUnchecked;  // the message's own
  };

  std::vector<std::string> dataOf(const emu::Obj& email, const std::string& arrayName) {
    std::vector<std::string> data;
    const emu::Obj array = host().call(email, arrayName + " as MimeAttachmentZQV()").obj();
    for (const emu::Obj& filed : elements(array)) data.push_back(shown(filed, "Data"));
    return data;
  }

  void expectFiled(const Case& test) {
    SCOPED_TRACE(test.what);
    const emu::Obj email = parseEmail(test.message);
    expectNoException();
    std::string plain = test.plain;
    if (plain == kFromHtml) {
      plain = host().callShared("MimeEmailZQV", kHTMLToPlainText,
                                {host().get(email, "HTMLText").str()}).str().bytes();
      ASSERT_FALSE(plain.empty());
    }
    EXPECT_EQ(shown(email, "PlainText"), plain);
    EXPECT_EQ(shown(email, "HTMLText"), test.html);
    EXPECT_EQ(dataOf(email, "Attachments"), test.attachments);
    EXPECT_EQ(dataOf(email, "Inlines"), test.inlines);
    if (test.bodyDecoded != kUnchecked) {
      EXPECT_EQ(shown(email, "BodyDecoded"), test.bodyDecoded);
    }
  }
};

// The first text of each kind is taken and every other part filed. A message
// without parts is filed like any part, then takes its own body's text
// whatever its type or disposition.
TEST_F(PartWalkTest, FirstTextOfEachKindIsTakenAndEveryOtherPartIsFiled) {
  const std::string pdf = "%PDF-1.4 fake";
  const std::string pdfHeaders =
      "Content-Type: application/pdf\r\nContent-Transfer-Encoding: base64\r\n";
  const std::string pdfBody = "JVBERi0xLjQgZmFrZQ==";
  const std::string pdfAttachment =
      Part(pdfHeaders + "Content-Disposition: attachment; filename=report.pdf\r\n", pdfBody);
  const std::string png = Part(
      "Content-Type: image/png\r\nContent-Transfer-Encoding: base64\r\nContent-ID: <logo>\r\n",
      "iVBORw0KGgo=");
  const std::string alternative =
      Multipart("alternative", {TextPart("plain", "plain"), TextPart("html", "<p>html</p>")});
  const std::vector<Case> cases = {
      {"alternative", alternative, "plain", "<p>html</p>", {}, {}, kNil},
      {"alternative, html first",
       Multipart("alternative", {TextPart("html", "<p>html</p>"), TextPart("plain", "plain")}),
       "plain", "<p>html</p>", {}, {}},
      {"mixed: nested alternative and a PDF", Multipart("mixed", {alternative, pdfAttachment}),
       "plain", "<p>html</p>", {pdf}, {}},
      {"related: html and an image",
       Multipart("related", {TextPart("html", "<p>a <b>b</b></p>"), png}), kFromHtml,
       "<p>a <b>b</b></p>", {}, {"\x89PNG\r\n\x1A\n"}},
      {"two plain parts", Multipart("mixed", {TextPart("plain", "one"), TextPart("plain", "two")}),
       "one", kNil, {}, {"two"}},
      {"plain marked attachment, x-uuencode, empty texts",
       Multipart("mixed",
                 {TextPart("plain", "attached", "Content-Disposition: attachment\r\n"),
                  TextPart("plain", "begin 644 x", "Content-Transfer-Encoding: x-uuencode\r\n"),
                  TextPart("plain", ""), TextPart("html", ""), TextPart("plain", "body"),
                  TextPart("html", "<i>2</i>")}),
       "body", "<i>2</i>", {"attached"}, {}},
      {"others: inline unless their Content-ID field is empty",
       Multipart("mixed", {TextPart("plain", "body"), TextPart("calendar", "cal"),
                           OctetPart("no id", "Content-ID:\r\n"),
                           OctetPart("inline", "Content-ID:\r\nContent-Disposition: INLINE\r\n")}),
       "body", kNil, {"no id"}, {"cal", "inline"}},
      {"multipart/signed is filed itself",
       Multipart("signed", {TextPart("plain", "signed"), OctetPart("SIG")}), "signed", kNil, {},
       {"SIG", kNil}},
      {"an embedded message's parts compete like any others",
       Multipart("mixed", {TextPart("plain", "outer"),
                           Part("Content-Type: message/rfc822\r\n", "To: x\r\n" + alternative)}),
       "outer", "<p>html</p>", {}, {"plain", kNil}},
      // messages without parts
      {"no MIME fields", "Subject: s\r\n\r\nhi\r\n", "hi\r\n", kNil, {}, {"hi\r\n"}, "hi\r\n"},
      {"a PDF", Part(pdfHeaders, pdfBody), pdf, kNil, {}, {pdf}, pdf},
      {"a PDF attachment", pdfAttachment, pdf, kNil, {pdf}, {}, pdf},
      {"plain attachment", TextPart("plain", "note", "Content-Disposition: attachment\r\n"), "note",
       kNil, {"note"}, {}, "note"},
      {"html", TextPart("html", "<p>x</p>"), kFromHtml, "<p>x</p>", {}, {}, "<p>x</p>"},
      // Bodies that would read differently if decoded a second time.
      {"base64 of base64", TextPart("plain", "UVVKRA==", "Content-Transfer-Encoding: base64\r\n"),
       "QUJD", kNil, {}, {}, "QUJD"},
      {"quoted-printable of an escape",
       TextPart("plain", "=3D41", "Content-Transfer-Encoding: quoted-printable\r\n"), "=41", kNil,
       {}, {}, "=41"},
      // mimetic keeps a multipart's text without boundary lines as preamble
      {"multipart without parts", "Content-Type: multipart/mixed; boundary=b\r\n\r\ntext\r\n",
       kNil, kNil, {}, {}, kNil},
  };
  for (const Case& test : cases) expectFiled(test);
}

// A boundary line is the boundary and blanks only. It counts at the very end
// of the input, right after a header lacking its blank line, and for a
// multipart outside an unclosed one; a line that only resembles one stays
// text. RFC 2231 pieces are joined; a multipart without a boundary is one text.
TEST_F(PartWalkTest, PartsEndAtTheirOwnBoundaryLinesWhereverTheyStand) {
  const std::string head = "Content-Type: multipart/mixed; boundary=B\r\n";
  const std::string first = "--B\r\nContent-Type: text/plain\r\n\r\nfirst\r\n";
  const std::string zip = "--B\r\nContent-Type: application/zip\r\n"
                          "Content-Disposition: attachment\r\n\r\nPK\x03\x04zip";
  const std::string base64 = "--B\nContent-Type: application/octet-stream\nContent-ID:\n"
                             "Content-Transfer-Encoding: base64\n\nAQID/w==";
  const std::string alternative = "Content-Type: multipart/alternative; boundary=B\r\n\r\n";
  const std::string sigPart = "Content-Type: text/plain\r\n\r\nHello\r\n-- \r\nsig\r\n";
  const std::string inlineZip = "Content-Type: application/zip\r\n\r\nPK";
  const std::vector<Case> cases = {
      {"close delimiter ends the input", head + "\r\n" + first + zip + "\r\n--B--", "first", kNil,
       {"PK\x03\x04zip"}, {}},
      {"boundary ends the input", head + "\r\n" + first + zip + "\r\n--B", "first", kNil,
       {"PK\x03\x04zip"}, {}},
      {"inner close delimiter ends the input",
       head + "\r\n--B\r\nContent-Type: multipart/alternative; boundary=A\r\n\r\n"
              "--A\r\nContent-Type: text/html\r\n\r\n<p>x</p>\r\n--A--",
       kFromHtml, "<p>x</p>", {}, {}},
      {"header runs into the first boundary", head + first + zip + "\r\n--B--\r\n", "first", kNil,
       {"PK\x03\x04zip"}, {}, kNil},
      {"LF, and the close delimiter ends the input",
       "Content-Type: multipart/mixed; boundary=B\n" + base64 + "\n--B--", kNil, kNil,
       {"\x01\x02\x03\xFF"}, {}},
      {"a part's header runs into the next boundary",
       head + "\r\n--B\r\nContent-Type: text/plain\r\n" + first + zip + "\r\n--B--\r\n",
       "first", kNil, {"PK\x03\x04zip"}, {}},
      {"outer boundary after an unclosed inner multipart",
       head + "\r\n--B\r\nContent-Type: multipart/alternative; boundary=A\r\n\r\n" +
           "--A\r\nContent-Type: text/html\r\n\r\n<p>x</p>\r\n" + zip + "\r\n--B--\r\n",
       kFromHtml, "<p>x</p>", {"PK\x03\x04zip"}, {}},
      {"near misses stay text", head + "\r\n" + first + zip + "\r\n-B--", "first", kNil,
       {"PK\x03\x04zip\r\n-B--"}, {}},
      {"and stay in the container's header", head + "-B\r\n\r\n" + first + "--B--", "first",
       kNil, {}, {}},
      {"text after the boundary",
       alternative + "--B\r\n" + TextPart("plain", "--B is only a delimiter at the start\r\n"
                                                    "--B--more\r\n--B-\r\n--B --\r\nend") +
           "\r\n--B--\r\n",
       "--B is only a delimiter at the start\r\n--B--more\r\n--B-\r\n--B --\r\nend", kNil, {},
       {}},
      {"blanks after the boundary and the close delimiter",
       alternative + "--B \t\r\n" + TextPart("plain", "first") + "\r\n--B\r\n" +
           TextPart("html", "<p>x</p>") + "\r\n--B--  \r\nepilogue\r\n",
       "first", "<p>x</p>", {}, {}},
      {"an inner boundary that begins the outer one",
       "Content-Type: multipart/mixed; boundary=b2\r\n\r\n--b2\r\n"
       "Content-Type: multipart/alternative; boundary=b\r\n\r\n--b\r\n" +
           TextPart("plain", "inner") + "\r\n--b2\r\n" + inlineZip + "\r\n--b2--\r\n",
       "inner", kNil, {}, {"PK"}},
      {"boundary in RFC 2231 pieces",
       "Content-Type: multipart/mixed;\r\n boundary*0*=us-ascii''%3D_8853bfb47b7da1;\r\n"
       " boundary*1*=24f3\r\n\r\n--=_8853bfb47b7da124f3\r\n" +
           sigPart + "--=_8853bfb47b7da124f3\r\n" + inlineZip + "\r\n--=_8853bfb47b7da124f3--\r\n",
       "Hello\r\n-- \r\nsig", kNil, {}, {"PK"}},
      {"multipart without a boundary",
       "Content-Type: multipart/mixed\r\n\r\nHello\r\n-- \r\nsig\r\n--\r\n",
       "Hello\r\n-- \r\nsig\r\n--\r\n", kNil, {}, {}},
      {"or with an empty one",
       "Content-Type: multipart/mixed; boundary=\"\"\r\n\r\n--\r\ntext\r\n", "--\r\ntext\r\n",
       kNil, {}, {}},
  };
  for (const Case& test : cases) expectFiled(test);
}

TEST_F(PartWalkTest, DecodedTextIsTaggedWithItsCharset) {
  struct Charset {
    std::string headers;
    uint32_t encoding;
    std::string utf8;
  };
  const std::string eAcute = "\xC3\xA9";
  const std::vector<Charset> cases = {
      {"Content-Type: text/plain; charset=utf-8\r\n", kREALTextEncodingUTF8, eAcute},
      {"Content-Type: text/plain\r\n", kREALTextEncodingUTF8, eAcute},
      {"Content-Type: TEXT/Plain; CharSet=\"ISO-8859-1\"\r\n", kREALTextEncodingISOLatin1,
       "\xC3\x83\xC2\xA9"},
      {"Content-Type: text/plain; charset=x-nobody-knows\r\n", kREALTextEncodingUnknown, ""},
      // the extended form, read as the parameter tests read it
      {"Content-Type: text/plain; charset*0=iso-8859; CHARSET*1*=%2D1\r\n",
       kREALTextEncodingISOLatin1, "\xC3\x83\xC2\xA9"},
  };
  for (const Charset& test : cases) {
    const std::pair<std::string, std::string> transfers[] = {
        {"", eAcute}, {"Content-Transfer-Encoding: base64\r\n", "w6k="}};
    for (const auto& [transferHeader, body] : transfers) {
      const emu::Obj email = parseEmail(Part(test.headers + transferHeader, body));
      expectNoException();
      const emu::Str plain = host().get(email, "PlainText").str();
      EXPECT_EQ(TaggedOf(plain), Tagged(eAcute, test.encoding)) << test.headers;
      EXPECT_EQ(plain.utf8(), test.utf8) << test.headers;
    }
  }
}

// Children before their parent, siblings in order: leaves arrive in document
// order, a non-container multipart after its parts. Containers and
// undecodable parts get no BodyDecoded; others do, the very string filed.
TEST_F(PartWalkTest, WalkDecodesEveryEntityChildrenFirst) {
  const emu::Obj email = parseEmail(Multipart(
      "mixed",
      {TextPart("plain", "caf=C3=A9", "Content-Transfer-Encoding: quoted-printable\r\n"),
       OctetPart("QQ==", "Content-Transfer-Encoding: base64\r\n"),
       Multipart("related", {OctetPart("B"), Multipart("alternative", {OctetPart("C"),
                                                                       TextPart("html", "<p>")})}),
       OctetPart("begin 644 x", "Content-Transfer-Encoding: x-uuencode\r\n"),
       Multipart("signed", {OctetPart("D"), OctetPart("E")}), OctetPart("F")}));
  expectNoException();
  EXPECT_EQ(dataOf(email, "Inlines"),
            (std::vector<std::string>{"A", "B", "C", "D", "E", kNil, "F"}));

  const emu::Obj related = partAt(email, 2);
  const emu::Obj alternative = partAt(related, 1);
  for (const emu::Obj& unwalked : {email, related, alternative, partAt(email, 3)}) {
    EXPECT_EQ(shown(unwalked, "BodyDecoded"), kNil);
  }
  EXPECT_EQ(shown(partAt(email, 0), "BodyDecoded"), "caf\xC3\xA9");
  EXPECT_EQ(host().get(email, "PlainText").str().get(),
            host().get(partAt(email, 0), "BodyDecoded").str().get());
  EXPECT_EQ(host().get(email, "HTMLText").str().get(),
            host().get(partAt(alternative, 1), "BodyDecoded").str().get());
  EXPECT_EQ(host().get(host().call(email, kInlineAt, {0}).obj(), "Data").str().get(),
            host().get(partAt(email, 1), "BodyDecoded").str().get());
}

}  // namespace
