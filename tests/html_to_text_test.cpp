#include <gmock/gmock.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "allocation_failure.h"
#include "decoding/html_entities.h"
#include "plugin_test.h"

namespace {

// The character entities of HTML 4.01 as its three entity sets list them,
// written independently of the library's table (which is in code-point order).
// Latin-1: the names of U+00A0 to U+00FF, one per code point.
const char* const kLatin1Names[] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",
    "uml",    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",
    "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",  "para",   "middot",
    "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest",
    "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",
    "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",
    "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",
    "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};
// Greek capitals from U+0391 (U+03A2 has no letter) and small letters from U+03B1.
const char* const kGreekCapitals[] = {
    "Alpha", "Beta", "Gamma", "Delta",   "Epsilon", "Zeta", "Eta", "Theta", "Iota",
    "Kappa", "Lambda", "Mu",  "Nu",      "Xi",      "Omicron", "Pi", "Rho", nullptr,
    "Sigma", "Tau",  "Upsilon", "Phi",   "Chi",     "Psi",  "Omega"};
const char* const kGreekSmall[] = {
    "alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta", "iota",
    "kappa", "lambda", "mu", "nu", "xi", "omicron", "pi", "rho", "sigmaf", "sigma",
    "tau", "upsilon", "phi", "chi", "psi", "omega"};
// The rest of the symbol set and the special set, with "apos" added.
const HtmlEntity kOtherEntities[] = {
    {402, "fnof"},     {977, "thetasym"}, {978, "upsih"},   {982, "piv"},
    {8226, "bull"},    {8230, "hellip"},  {8242, "prime"},  {8243, "Prime"},
    {8254, "oline"},   {8260, "frasl"},   {8472, "weierp"}, {8465, "image"},
    {8476, "real"},    {8482, "trade"},   {8501, "alefsym"}, {8592, "larr"},
    {8593, "uarr"},    {8594, "rarr"},    {8595, "darr"},   {8596, "harr"},
    {8629, "crarr"},   {8656, "lArr"},    {8657, "uArr"},   {8658, "rArr"},
    {8659, "dArr"},    {8660, "hArr"},    {8704, "forall"}, {8706, "part"},
    {8707, "exist"},   {8709, "empty"},   {8711, "nabla"},  {8712, "isin"},
    {8713, "notin"},   {8715, "ni"},      {8719, "prod"},   {8721, "sum"},
    {8722, "minus"},   {8727, "lowast"},  {8730, "radic"},  {8733, "prop"},
    {8734, "infin"},   {8736, "ang"},     {8743, "and"},    {8744, "or"},
    {8745, "cap"},     {8746, "cup"},     {8747, "int"},    {8756, "there4"},
    {8764, "sim"},     {8773, "cong"},    {8776, "asymp"},  {8800, "ne"},
    {8801, "equiv"},   {8804, "le"},      {8805, "ge"},     {8834, "sub"},
    {8835, "sup"},     {8836, "nsub"},    {8838, "sube"},   {8839, "supe"},
    {8853, "oplus"},   {8855, "otimes"},  {8869, "perp"},   {8901, "sdot"},
    {8968, "lceil"},   {8969, "rceil"},   {8970, "lfloor"}, {8971, "rfloor"},
    {9001, "lang"},    {9002, "rang"},    {9674, "loz"},    {9824, "spades"},
    {9827, "clubs"},   {9829, "hearts"},  {9830, "diams"},
    {34, "quot"},      {38, "amp"},       {60, "lt"},       {62, "gt"},
    {338, "OElig"},    {339, "oelig"},    {352, "Scaron"},  {353, "scaron"},
    {376, "Yuml"},     {710, "circ"},     {732, "tilde"},   {8194, "ensp"},
    {8195, "emsp"},    {8201, "thinsp"},  {8204, "zwnj"},   {8205, "zwj"},
    {8206, "lrm"},     {8207, "rlm"},     {8211, "ndash"},  {8212, "mdash"},
    {8216, "lsquo"},   {8217, "rsquo"},   {8218, "sbquo"},  {8220, "ldquo"},
    {8221, "rdquo"},   {8222, "bdquo"},   {8224, "dagger"}, {8225, "Dagger"},
    {8240, "permil"},  {8249, "lsaquo"},  {8250, "rsaquo"}, {8364, "euro"},
    {39, "apos"},
};

std::map<std::string, uint32_t> ExpectedEntities() {
  std::map<std::string, uint32_t> expected;
  uint32_t codePoint = 0xA0;
  for (const char* name : kLatin1Names) expected[name] = codePoint++;
  codePoint = 0x391;
  for (const char* name : kGreekCapitals) {
    if (name != nullptr) expected[name] = codePoint;
    ++codePoint;
  }
  codePoint = 0x3B1;
  for (const char* name : kGreekSmall) expected[name] = codePoint++;
  for (const HtmlEntity& entity : kOtherEntities) expected[entity.name] = entity.codePoint;
  return expected;
}

std::vector<uint32_t> CodePoints(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

TEST(HtmlToTextEntities, TableHoldsEveryEntityOnceInCodePointOrder) {
  std::map<std::string, uint32_t> expected = ExpectedEntities();
  ASSERT_EQ(expected.size(), kHtmlEntityCount);

  std::set<std::string> seen;
  uint32_t previousCodePoint = 0;
  size_t count = 0;
  for (const HtmlEntity* entity = kHtmlEntities; entity->codePoint != 0; ++entity, ++count) {
    ASSERT_LT(count, kHtmlEntityCount) << "table does not end after its last entity";
    auto wanted = expected.find(entity->name);
    ASSERT_NE(wanted, expected.end()) << "unexpected entity " << entity->name;
    EXPECT_EQ(entity->codePoint, wanted->second) << entity->name;
    EXPECT_GT(entity->codePoint, previousCodePoint) << entity->name << " out of order";
    EXPECT_TRUE(seen.insert(entity->name).second) << entity->name << " listed twice";
    previousCodePoint = entity->codePoint;
  }
  EXPECT_EQ(count, kHtmlEntityCount);
  EXPECT_STREQ(kHtmlEntities[kHtmlEntityCount].name, "");

  for (const auto& [name, codePoint] : expected) {
    std::vector<uint32_t> text = CodePoints(name);
    EXPECT_EQ(FindHtmlEntity(text.data(), text.size()), codePoint) << name;
  }
}

class HtmlToTextTest : public PluginTest {
 protected:
  // The shared method as host code calls it; nullopt stands for nil.
  std::optional<std::string> convert(std::string_view html,
                                     uint32_t encoding = kREALTextEncodingUTF8) {
    emu::Str result = host()
                          .callShared("MimeEmailZQV",
                                      "HTMLToPlainText(HTMLText as String) as String",
                                      {host().string(html, encoding)})
                          .str();
    expectNoException();
    if (result.isNil()) return std::nullopt;
    EXPECT_EQ(result.encoding(), kREALTextEncodingUTF8);
    return result.bytes();
  }

  struct Conversion {
    const char* what;
    std::string html;
    std::string text;
  };
  void expectConversions(const std::vector<Conversion>& conversions) {
    for (const Conversion& c : conversions) {
      EXPECT_EQ(convert(c.html), std::optional<std::string>(c.text)) << c.what << ": " << c.html;
    }
  }
};

TEST_F(HtmlToTextTest, TagsScriptsAndWhiteSpace) {
  expectConversions({
      {"tags and attributes dropped", "<b>bold</b> <a href='u' title=\"t\">link</a>",
       "bold link"},
      {"only letters and digits make a name", "<b>x</b><br2>y<p2>z<brx>< br>w", "xyzw"},
      {"stray > is dropped, blanks around it kept", "x > y", "x  y"},
      {"depth never goes below zero", "a>>b<c>d", "abd"},
      {"source line breaks vanish", "a\nb\r\nc", "abc"},
      {"white space collapses", "a \t  b\t c", "a b\tc"},
      {"blank after a tag's > is kept", "a<br> b", "a\r b"},
      {"blank after a source line break is dropped", "<p>\n b", "\rb"},
      {"script content dropped", "a<script>if (x<y) z();</script>b", "ab"},
      {"closing tag inside script resets depth", "<script>a</b>c</script>d", "d"},
      {"< before the closing script tag hides it", "a<script>b<</script>c", "a"},
      {"style content dropped", "<style>p { color: red }</style>Text", "Text"},
      {"closing p inside style still breaks", "<style>a</p>b</style>c", "\rc"},
      {"noscript content dropped", "<noscript>enable it</noscript>ok", "ok"},
      {"tag names ignore case", "a<BR>b<Br/>c<SCRIPT>d</Script>e", "a\rb\rce"},
  });
}

TEST_F(HtmlToTextTest, BlockTagsListsAndPre) {
  expectConversions({
      {"two paragraphs", "<p>a</p><p>b</p>", "\ra\r\rb\r"},
      {"heading", "<h2>Title</h2>Text", "\rTitle\rText"},
      {"other headings", "<h1>a</h1><H6>b</h6><h7>c</h7>", "\ra\r\rb\rc"},
      {"table without white space", "<table><tr><td>a</td><td>b</td></tr></table>",
       "\ra\tb\r\r"},
      {"indentation clears the line start",
       "<table>\n  <tr><td>a</td><td>b</td></tr>\n</table>", "\r\ta\tb\r\r"},
      {"list items", "<ul><li>a<li>b</ul>", "* a\r* b"},
      {"nested lists indent", "<ul><li>a<ul><li>b<ol><li>c</ol></ul><li>d</ul>",
       "* a\r  * b\r    * c\r* d"},
      {"item at line start gets no extra break", "a<br><li>b", "a\r* b"},
      {"item outside any list", "x<li>y", "x\r* y"},
      {"list level never goes below zero", "</ul><ul><ul><li>a", "  * a"},
      {"pre keeps line breaks, still collapses blanks", "<pre>a  b\r\n  c</pre>d",
       "a b\r\rc\rd"},
      {"line break inside a tag in pre", "<pre><a\nhref=x>t</a></pre>", "t\r"},
      {"line break in pre inside style", "<pre><style>\n</style>\n</pre>", "\r\r"},
  });
}

TEST_F(HtmlToTextTest, CharacterReferences) {
  expectConversions({
      {"named", "&lt;p&gt; &quot;&apos;&copy;", "<p> \"'\xC2\xA9"},
      {"one level of decoding only", "&amp;lt;", "&lt;"},
      {"nbsp is not collapsed", "&euro;&nbsp;&nbsp; x", "\xE2\x82\xAC\xC2\xA0\xC2\xA0 x"},
      {"names keep their case", "&Alpha;&alpha;&AMP;", "\xCE\x91\xCE\xB1"},
      {"unknown name dropped with its ;", "a&bogus;b", "ab"},
      {"a prefix of a name is unknown", "&nbs;&sup;&sup2;", "\xE2\x8A\x83\xC2\xB2"},
      {"name without ; at the end", "x&amp", "x&"},
      {"unterminated reference at the end", "AT&T rocks", "AT"},
      {"unterminated reference swallows nine", "AT&T rocks, more", "ATmore"},
      {"& without name is text", "&;&", "&;&"},
      {"decimal and hex", "&#65;&#x42;&#x4a;", "ABJ"},
      {"numeric LF is the only LF", "a&#10;b", "a\nb"},
      {"supplementary plane", "&#x1F600;", "\xF0\x9F\x98\x80"},
      {"numeric without ;", "&#65 is A, ok", "A ok"},
      {"negative stays text", "&#-5;&#x-41;", "&#-5;&#x-41;"},
      {"zero and no digits stay text", "&#0;&#;&#x;", "&#0;&#;&#x;"},
      {"upper-case X reads as decimal", "&#X41;", "&#X41;"},
      {"decimal digits read past the count", "&#0000000065;x", "A65;x"},
      {"hex reads at most eight digits", "&#x0000004142;", "A142;"},
      {"hex overflowing into the sign stays text", "&#x80000000;", "&#x80000000;"},
      {"references inside tags are not read", "<a title='&amp;'>t</a>", "t"},
  });
}

TEST_F(HtmlToTextTest, HostEncodingsAndNil) {
  EXPECT_EQ(convert("<p>Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x93 caf\xC3\xA9</p>"),
            "\rGr\xC3\xBC\xC3\x9F" "e \xE2\x80\x93 caf\xC3\xA9\r");
  EXPECT_EQ(convert("<b>caf\xE9</b> \x80 &euro;", kREALTextEncodingWindowsLatin1),
            "caf\xC3\xA9 \xE2\x82\xAC \xE2\x82\xAC");

  for (const char* empty : {"", "<b></b>", "<script>x</script>", "\n\r\n", "&bogus;"}) {
    EXPECT_EQ(convert(empty), std::nullopt) << empty;
  }

  emu::Str nilResult = host()
                           .callShared("MimeEmailZQV",
                                       "HTMLToPlainText(HTMLText as String) as String",
                                       {emu::Str()})
                           .str();
  EXPECT_TRUE(nilResult.isNil());
  expectNoException();
}

TEST_F(HtmlToTextTest, MessageWithOnlyHtmlGetsPlainText) {
  emu::Obj htmlOnly = parseEmail(
      "Subject: s\r\nContent-Type: text/html; charset=utf-8\r\n\r\n"
      "<p>Hello <b>there</b></p>\r\n");
  expectNoException();
  EXPECT_EQ(host().get(htmlOnly, "PlainText").str().bytes(), "\rHello there\r");

  emu::Obj both = parseEmail(
      "Subject: s\r\nContent-Type: multipart/alternative; boundary=B\r\n\r\n"
      "--B\r\nContent-Type: text/plain\r\n\r\nplain\r\n"
      "--B\r\nContent-Type: text/html\r\n\r\n<p>html</p>\r\n--B--\r\n");
  expectNoException();
  EXPECT_THAT(host().get(both, "PlainText").str().utf8(), ::testing::StartsWith("plain"));

  emu::Obj neither = parseEmail(
      "Subject: s\r\nContent-Type: multipart/mixed; boundary=B\r\n\r\n"
      "--B\r\nContent-Type: image/png\r\n\r\nxx\r\n--B--\r\n");
  expectNoException();
  EXPECT_TRUE(host().get(neither, "PlainText").str().isNil());
}

using SharedMethodsTest = InProcessTest;

// Both shared methods take text of any size from host code; a standard
// exception escaping them would unwind into the host.
TEST_F(SharedMethodsTest, RunningOutOfMemoryRaisesAHostException) {
  constexpr std::size_t kFailingSize = 16 * 1024;
  struct Case {
    const char* declaration;
    std::string text;  // makes the method ask for kFailingSize bytes or more at once
  };
  const std::vector<Case> cases = {
      {"HTMLToPlainText(HTMLText as String) as String", "<p>x"},  // its output is reserved ahead
      {"DecodeInline(Text as String) as String", std::string(4 * kFailingSize, 'a')},
  };
  for (const Case& test : cases) {
    emu::Str text = host().string(test.text);
    emu::Value result;
    {
      FailingAllocations failing(kFailingSize);
      result = host().callShared("MimeEmailZQV", test.declaration, {text});
    }
    EXPECT_TRUE(result.str().isNil()) << test.declaration;
    std::optional<emu::RaisedException> raised = host().takeException();
    ASSERT_TRUE(raised.has_value()) << test.declaration;
    EXPECT_EQ(raised->className, "OutOfMemoryException");
    EXPECT_THAT(raised->message, ::testing::StartsWith("Failed to allocate memory"));

    // Nothing is left behind: the same call succeeds once memory is there.
    EXPECT_FALSE(host().callShared("MimeEmailZQV", test.declaration, {text}).str().isNil());
    expectNoException();
  }
}

}  // namespace
