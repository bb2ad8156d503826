// Messages built to hurt: whatever arrives, host code gets a defined result or
// a host exception, with no stray read, unbounded recursion, quadratic work or
// leaked reference. The inputs once broke the parser or the plugin, or are the
// largest shapes docs/limits.md promises.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

#include <mimetic/mimetic.h>
#include <mimetic/parser/itparser.h>

#include "object_walk.h"
#include "peak_memory.h"
#include "plugin_test.h"

namespace {

namespace fs = std::filesystem;

// The deepest level the parser descends to (the message itself is level 0).
constexpr int kDeepestLevel =
    mimetic::IteratorParser<std::istreambuf_iterator<char>>::MaxNestingDepth;

std::vector<std::string> CorpusOf(const std::string& target) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(fs::path(ZQV_SOURCE_DIR) / "fuzz/corpus" / target)) {
    files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<std::string> contents;
  for (const fs::path& file : files) contents.push_back(ReadFile(file));
  return contents;
}

// `depth` multiparts, each the only part of the one above, around one text
// part at level `depth`. No boundary is a prefix of another.
std::string NestedMultipart(int depth) {
  std::string text;
  for (int level = 0; level < depth; ++level) {
    const std::string boundary = "L" + std::to_string(level) + ".";
    text += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n--" + boundary +
            "\r\n";
  }
  text += "Content-Type: text/plain\r\n\r\ninnermost\r\n";
  for (int level = depth - 1; level >= 0; --level) {
    text += "--L" + std::to_string(level) + ".--\r\n";
  }
  return text;
}

// `depth` enclosed messages, each the body of the one above.
std::string NestedMessages(int depth) {
  std::string text;
  for (int level = 0; level < depth; ++level) text += "Content-Type: message/rfc822\r\n\r\n";
  return text + "Subject: innermost\r\n\r\ninnermost\r\n";
}

class HostileInput : public PluginTest {
 protected:
  emu::Obj fromString(std::string_view message) {
    return parseEmail(message, kREALTextEncodingUnknown);
  }
};

// Every input the fuzz targets start from (the shapes that once broke
// something among them) goes through the plugin again, here and under the
// sanitizers.
TEST_F(HostileInput, FuzzCorporaParseAndReadBackCleanly) {
  fuzzing::ObjectWalker walker(host());
  for (const std::string& message : CorpusOf("email_fuzz")) {
    for (const char* constructor : {kStringConstructor, kMemoryBlockConstructor}) {
      emu::Obj email = constructor == kStringConstructor
                           ? fromString(message)
                           : host().construct(kEmailClass, constructor,
                                              {host().memoryBlock(message)});
      (void)host().takeException();
      walker.walk(email);
    }
  }
  for (const std::string& line : CorpusOf("header_values_fuzz")) {
    for (const emu::RegisteredClass& registered : host().registeredClasses()) {
      if (host().findMethod(registered.name, kTextConstructor) == nullptr) continue;
      emu::Obj parsed = host().construct(registered.name, kTextConstructor, {host().string(line)});
      (void)host().takeException();
      walker.walk(parsed);
    }
  }
  for (const std::string& text : CorpusOf("shared_methods_fuzz")) {
    for (bool raise : {false, true}) {
      host().setShared(kEmailClass, "RaiseUnknownFormatExceptions", emu::Value(raise));
      for (const char* method : {kHTMLToPlainText, kDecodeInline}) {
        (void)host().callShared(kEmailClass, method, {host().string(text)}).str().utf8();
        (void)host().takeException();
      }
    }
  }
  for (const std::string& stream : CorpusOf("tnef_fuzz")) {
    emu::Obj tnef = host().construct(kTnefClass, kTnefConstructor,
                                     {host().string(stream, kREALTextEncodingUnknown)});
    (void)host().takeException();
    walker.walk(tnef);
  }
  // Objects host code makes with New and no constructor hold nothing at all.
  for (const emu::RegisteredClass& registered : host().registeredClasses()) {
    walker.walk(host().newInstance(registered.name));
  }
  EXPECT_GT(walker.objectsWalked(), 100u);
}

// The canonical form as first written: blanks and comments edited out in
// place, from the end. The parser's one-pass version must agree with it.
std::string CanonicalByEditingInPlace(std::string text, bool noBlanks) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  bool inQuotes = false;
  bool afterAngle = false;
  int commentDepth = 0;
  size_t commentEnd = 0;
  for (size_t t = text.size(); t-- > 0;) {
    const char c = text[t];
    if (c == '"') {
      inQuotes = !inQuotes;
    } else if (inQuotes) {
    } else if (c == '>') {
      afterAngle = true;
    } else if (c == ')') {
      if (++commentDepth == 1) commentEnd = t;
    } else if (c == '(') {
      if (--commentDepth == 0) text.replace(t, commentEnd - t + 1, noBlanks ? "" : " ");
    } else if (noBlanks && c == ' ' && commentDepth == 0 && !afterAngle) {
      text.erase(t, 1);
    }
  }
  return text;
}

// The canonical form of mailbox parts and date texts: the answers g++ builds
// always gave (the trim once depended on the compiler), for every short text
// of the bytes it treats specially.
TEST(HostileInputMimetic, CanonicalFormKeepsItsResults) {
  const std::string alphabet = " ()\"<>a";
  std::vector<std::string> texts = {""};
  for (size_t begin = 0, length = 1; length <= 6; ++length) {
    const size_t end = texts.size();
    for (size_t i = begin; i < end; ++i) {
      for (char c : alphabet) texts.push_back(texts[i] + c);
    }
    begin = end;
  }
  size_t differences = 0;
  for (const std::string& text : texts) {
    for (bool noBlanks : {false, true}) {
      if (mimetic::canonical(text, noBlanks) == CanonicalByEditingInPlace(text, noBlanks)) continue;
      if (++differences <= 5) ADD_FAILURE() << '"' << text << "\" noBlanks " << noBlanks;
    }
  }
  EXPECT_EQ(differences, 0u) << "of " << texts.size() << " texts";
}

// No number a sender writes in a date may overflow (a zone of -2147483648
// once did, negated). A date stays a date however large its numbers; a
// negative number is no day.
TEST_F(HostileInput, DatesWithNumbersBeyondEveryRangeReadWithoutFault) {
  struct Case {
    const char* text;
    bool isDate;
  };
  const Case cases[] = {
      {"1 Jan 2000 00:00:00 -2147483648", true},
      {"Mon, 99999999999 Jan 99999999999 99999999999:99999999999:99999999999 +9999", true},
      {"\xE9, 1 Jan 2000 00:00:00 +0000", true},  // a first byte above 0x7F
      {"-2147483648 Feb -2147483648 -2147483648:-2147483648:-2147483648 -2147483648", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const emu::Obj message = fromString(std::string("Date: ") + c.text + "\r\n\r\nbody");
    expectNoException();
    EXPECT_EQ(host().get(message, "Date").obj().className(), c.isDate ? "Date" : "");
  }
}

// List items indent by depth up to the sixteenth level only; otherwise the
// text would grow with the square of the document. (The first levels' indents
// are in the HTML tests.)
TEST_F(HostileInput, NestedListsIndentNoDeeperThanSixteenLevels) {
  const auto plainText = [&](const std::string& html) {
    return host().callShared(kEmailClass, kHTMLToPlainText, {host().string(html)}).str().utf8();
  };
  constexpr int kItems = 100000;
  std::string html;
  size_t expectedLength = 0;
  for (int level = 1; level <= kItems; ++level) {
    html += "<ul><li>";
    expectedLength += (level > 1 ? 1 : 0) + 2 * (std::min(level, 16) - 1) + 2;
  }
  EXPECT_EQ(plainText(html).size(), expectedLength);
  // Text after the items is written into the longer text too.
  EXPECT_EQ(plainText(html + "tail").size(), expectedLength + 4);
  expectNoException();
}

// Runs `work` on a thread of its own with a stack of `stackBytes`, as a Xojo
// application may run the plugin.
void RunOnSmallStack(size_t stackBytes, const std::function<void()>& work) {
#ifdef _WIN32
  auto start = [](void* argument) -> DWORD {
    (*static_cast<const std::function<void()>*>(argument))();
    return 0;
  };
  HANDLE thread = CreateThread(nullptr, stackBytes, start, const_cast<std::function<void()>*>(&work),
                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
#else
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, stackBytes), 0);
  auto start = [](void* argument) -> void* {
    (*static_cast<const std::function<void()>*>(argument))();
    return nullptr;
  };
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, start, const_cast<std::function<void()>*>(&work)),
            0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
#endif
}

// Below the parser's deepest level a container's content stays body text,
// ending at the boundary of the level above; down to it nothing is lost.
// However deep the input, parsing, reading and releasing its tree fit a
// 512 KB stack.
TEST_F(HostileInput, NestingBelowTheDeepestLevelStaysBodyTextOnASmallStack) {
  struct Case {
    std::string message;
    std::string deepestBody;  // how the deepest entity's body text begins
  };
  const std::string deepest = "--L" + std::to_string(kDeepestLevel) + ".";
  const Case cases[] = {
      {NestedMultipart(kDeepestLevel), "innermost"},
      {NestedMultipart(kDeepestLevel + 1),
       deepest + "\r\nContent-Type: text/plain\r\n\r\ninnermost\r\n" + deepest + "--"},
      {NestedMultipart(20000), deepest + "\r\nContent-Type: multipart/mixed"},
      {NestedMessages(kDeepestLevel), "innermost"},
      {NestedMessages(20000), "Content-Type: message/rfc822\r\n\r\n"},
  };
  const std::string closingAbove = "--L" + std::to_string(kDeepestLevel - 1) + ".--";
  for (const Case& c : cases) {
    RunOnSmallStack(512 * 1024, [&] {
      SCOPED_TRACE(c.message.substr(0, 40) + "... " + std::to_string(c.message.size()) + " bytes");
      const emu::Obj message = fromString(c.message);
      expectNoException();
      // Down the first child parts; Parts(0) of a leaf is out of bounds.
      int depth = 0;
      emu::Obj entity = message;
      for (; !partAt(entity, 0).isNil(); ++depth) entity = partAt(entity, 0);
      (void)host().takeException();
      EXPECT_EQ(depth, kDeepestLevel);
      const std::string body = shown(host().get(entity, "Body").obj(), "StringValue");
      EXPECT_EQ(body.substr(0, c.deepestBody.size()), c.deepestBody);
      EXPECT_EQ(body.find(closingAbove), std::string::npos);
    });  // the tree is released on that thread too
  }
}

std::string Base64Lines(size_t bytes) {
  const std::string line =
      "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2d3h5ejAxMjM0\r\n";
  std::string text;
  text.reserve(bytes + line.size());
  while (text.size() < bytes) text += line;
  return text;
}

// The largest shapes we promise end with a defined result; the time and peak
// memory printed are what docs/performance.md records.
TEST_F(HostileInput, LargestInputsEndWithADefinedResult) {
  struct Case {
    const char* name;
    std::function<std::string()> make;
    std::function<void(const emu::Obj&)> check;
  };
  constexpr size_t kLargeMessage = 50u << 20;
  constexpr size_t kBase64LineBytes = 78;  // 76 digits and CR LF: 57 bytes decoded
  const Case cases[] = {
      {"50 MB message",
       [] {
         return "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
                "Content-Type: text/plain\r\n\r\nhello\r\n--b\r\n"
                "Content-Type: application/octet-stream\r\n"
                "Content-Transfer-Encoding: base64\r\n\r\n" +
                Base64Lines(kLargeMessage) + "--b--\r\n";
       },
       [&](const emu::Obj& message) {
         const std::vector<emu::Obj> filed = elements(host().call(message, kInlines).obj());
         ASSERT_EQ(filed.size(), 1u);
         const size_t lines = (kLargeMessage + kBase64LineBytes - 1) / kBase64LineBytes;
         EXPECT_EQ(shown(filed[0], "Data").size(), lines * 57);
       }},
      {"10,000 parts",
       [] {
         std::string text = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
         for (int part = 0; part < 10000; ++part) {
           text += "--b\r\nContent-Type: text/plain\r\n\r\npart " + std::to_string(part) + "\r\n";
         }
         return text + "--b--\r\n";
       },
       [&](const emu::Obj& message) {
         EXPECT_EQ(host().ubound(host().call(message, kInlines).obj()), 9998);
       }},
      // What it reads as, the nesting test checks on a small stack.
      {"20,000 levels of nesting", [] { return NestedMultipart(20000); }, [](const emu::Obj&) {}},
      {"1 MB header field",
       [] { return "Subject: " + std::string(1u << 20, 's') + "\r\n\r\nbody\r\n"; },
       [&](const emu::Obj& message) {
         EXPECT_EQ(shown(message, "Subject"), std::string(1u << 20, 's'));
       }},
      {"100,000 header fields",
       [] {
         std::string text;
         for (int field = 0; field < 100000; ++field) {
           text += "X-Field-" + std::to_string(field) + ": value " + std::to_string(field) + "\r\n";
         }
         return text + "Subject: last\r\n\r\nbody\r\n";
       },
       [&](const emu::Obj& message) {
         EXPECT_EQ(shown(message, "Subject"), "last");
         EXPECT_EQ(host().ubound(host().call(headerOf(message), kFields).obj()), 100000);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string input = c.make();
    std::chrono::duration<double> took{};
    const long addedMB = PeakMemoryAddedMB([&] {
      const auto start = std::chrono::steady_clock::now();
      {
        const emu::Obj message = fromString(input);
        expectNoException();
        c.check(message);
      }
      took = std::chrono::steady_clock::now() - start;
    });
    std::printf("[ LIMITS   ] %-26s %7.1f MB in %6.2f s, peak memory +%ld MB\n", c.name,
                input.size() / 1048576.0, took.count(), addedMB);
  }
}

}  // namespace
