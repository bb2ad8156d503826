#include <new>
#include <optional>
#include <string>

#include "allocation_failure.h"
#include "plugin_test.h"

namespace {

class HtmlToTextTest : public PluginTest {
 protected:
  // The shared method as host code calls it; nullopt stands for nil.
  std::optional<std::string> convert(std::string_view html,
                                     uint32_t encoding = kREALTextEncodingUTF8) {
    emu::Str result =
        host().callShared(kEmailClass, kHTMLToPlainText, {host().string(html, encoding)}).str();
    expectNoException();
    if (result.isNil()) return std::nullopt;
    EXPECT_EQ(result.encoding(), kREALTextEncodingUTF8);
    return result.bytes();
  }
};

TEST_F(HtmlToTextTest, TagsBlocksListsAndCharacterReferences) {
  const struct {
    const char* what;
    std::string html;
    std::string text;
  } conversions[] = {
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
      {"named, the table's first and last among them", "&lt;p&gt; &quot;&apos;&copy;&diams;",
       "<p> \"'\xC2\xA9\xE2\x99\xA6"},
      {"one level of decoding only", "&amp;lt;", "&lt;"},
      {"nbsp is not collapsed", "&euro;&nbsp;&nbsp; x", "\xE2\x82\xAC\xC2\xA0\xC2\xA0 x"},
      {"names keep their case", "&Alpha;&alpha;&AMP;", "\xCE\x91\xCE\xB1"},
      {"unknown name dropped with its ;", "a&bogus;b", "ab"},
      {"a prefix of a name is unknown", "&nbs;&sup;&sup2;", "\xE2\x8A\x83\xC2\xB2"},
      {"a name right but for a later or non-ASCII letter is unknown",
       "a&eurx;b&thetasyn;c&nb\xC3\xA9p;d", "abcd"},
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
  };
  for (const auto& c : conversions) {
    EXPECT_EQ(convert(c.html), std::optional<std::string>(c.text)) << c.what << ": " << c.html;
  }
}

TEST_F(HtmlToTextTest, HostEncodingsAndNil) {
  EXPECT_EQ(convert("<b>caf\xE9</b> \x80 &euro;", kREALTextEncodingWindowsLatin1),
            "caf\xC3\xA9 \xE2\x82\xAC \xE2\x82\xAC");

  // Code points UTF-8 cannot carry (the last two) go to the host as they are,
  // for it to convert as it will: the emulator refuses the whole text.
  for (const char* nothing : {"", "<li>\xC3\xA9&#xD800;x", "<li>\xC3\xA9&#x110000;x"}) {
    EXPECT_EQ(convert(nothing), std::nullopt) << nothing;
  }
}

using SharedMethodsTest = InProcessTest;

// Both shared methods take text of any size from host code; a standard
// exception escaping them would unwind into the host.
TEST_F(SharedMethodsTest, RunningOutOfMemoryRaisesAHostException) {
  constexpr std::size_t kFailingSize = 16 * 1024;
  // Each text makes its method ask for kFailingSize bytes or more at once.
  const std::pair<const char*, std::string> cases[] = {
      // Its output is reserved ahead, for the longest text the input can make.
      {kHTMLToPlainText, std::string(kFailingSize / 8, 'a')},
      {kDecodeInline, std::string(4 * kFailingSize, 'a')},
  };
  for (const auto& [declaration, input] : cases) {
    emu::Str text = host().string(input);
    emu::Value result;
    {
      FailingAllocations failing(kFailingSize);
      result = host().callShared(kEmailClass, declaration, {text});
    }
    EXPECT_TRUE(result.str().isNil()) << declaration;
    expectException("OutOfMemoryException",
                    "Failed to allocate memory: " + std::string(std::bad_alloc().what()));

    // Nothing is left behind: the same call succeeds once memory is there.
    EXPECT_FALSE(host().callShared(kEmailClass, declaration, {text}).str().isNil());
    expectNoException();
  }
}

}  // namespace
