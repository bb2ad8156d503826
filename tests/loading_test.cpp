// The three MimeEmailZQV constructors: what each kind of input leaves in the
// message, and how every refusal reaches host code.

#include <algorithm>
#include <filesystem>
#include <new>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "plugin_test.h"

namespace {

namespace fs = std::filesystem;

constexpr char kEmptyText[] = "Can't parse empty text.";
constexpr char kNotHeaderText[] = "Email must start with an header text. BOM character?";

const std::string kMultipartMessage =
    "Subject: =?UTF-8?Q?Gr=C3=BC=C3=9Fe?=\r\n"
    "Date: Tue, 12 Mar 2024 09:41:02 +0100\r\n"
    "Content-Type: multipart/mixed; boundary=\"b1\"\r\n"
    "\r\n"
    "--b1\r\n"
    "Content-Type: text/html; charset=utf-8\r\n"
    "\r\n"
    "<p>Hello <b>Ana</b></p>\r\n"
    "--b1\r\n"
    "Content-Type: application/octet-stream\r\n"
    "Content-Disposition: attachment; filename=\"a.bin\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "AAECAw==\r\n"
    "--b1--\r\n";

class LoadingTest : public PluginTest {
 protected:
  emu::Obj fromMemoryBlock(const std::string& bytes) {
    return host().construct(kEmailClass, kMemoryBlockConstructor, {host().memoryBlock(bytes)});
  }
  emu::Obj fromFile(const fs::path& path) { return fromFile(path.string()); }
  emu::Obj fromFile(const std::string& utf8Path) {
    return host().construct(kEmailClass, kFileConstructor, {host().folderItem(utf8Path)});
  }

  // Everything a message shows host code except Source, one line per member.
  std::string described(const emu::Obj& message) {
    std::string seen;
    for (const char* name : {"Subject", "PlainText", "HTMLText", "BodyDecoded"}) {
      const emu::Str text = host().get(message, name).str();
      seen += std::string(name) + "=" +
              (text.isNil() ? "nil" : text.bytes() + "@" + std::to_string(text.encoding())) + "\n";
    }
    for (const char* name : {"Date", "ReceivedDate", "Header", "Body"}) {
      seen += std::string(name) + (host().get(message, name).obj().isNil() ? " nil\n" : " set\n");
    }
    for (const char* declaration : {kAttachments, kInlines}) {
      const emu::Obj array = host().call(message, declaration).obj();
      seen += std::string(declaration) + " " +
              (array.isNil() ? "nil" : std::to_string(host().ubound(array))) + "\n";
    }
    return seen;
  }

  // After a refused parse both arrays exist and are empty.
  void expectEmptyArrays(const emu::Obj& message) {
    EXPECT_EQ(host().ubound(host().call(message, kAttachments).obj()), -1);
    EXPECT_EQ(host().ubound(host().get(message, "InlinesVariant").obj()), -1);
    EXPECT_TRUE(host().call(message, kAttachmentAt, {0}).obj().isNil());
    expectOutOfBounds(-1, 0);
  }
};

TEST_F(LoadingTest, StringMemoryBlockAndFileGiveTheSameMessage) {
  TempDirectory directory;
  // The file constructor parses Source once it holds the file's bytes, and
  // its own buffer where the host cannot make Source.
  const auto withholdBuilders = [&](bool withheld) {
    for (const char* build : {"REALBuildString", "REALBuildStringWithEncoding"}) {
      host().setWithheld(build, withheld);
    }
  };
  withholdBuilders(true);
  const emu::Obj withoutSource = fromFile(directory.write("buffer.eml", kMultipartMessage));
  expectNoException();
  EXPECT_TRUE(host().get(withoutSource, "Source").str().isNil());
  EXPECT_EQ(host().ubound(host().call(withoutSource, kAttachments).obj()), 0);
  withholdBuilders(false);

  // A zero byte inside ends nothing early, whichever way the message comes.
  std::string withZeroByte = kMultipartMessage;
  withZeroByte.insert(withZeroByte.find("</p>"), 1, '\0');
  for (const std::string& message : {kMultipartMessage, withZeroByte}) {
    const emu::Str content = host().string(message, kREALTextEncodingUTF8);
    const emu::Obj viaString = host().construct(kEmailClass, kStringConstructor, {content});
    expectNoException();
    const emu::Obj viaBlock = fromMemoryBlock(message);
    expectNoException();
    const emu::Obj viaFile = fromFile(directory.write("message.eml", message));
    expectNoException();

    const std::string expected = described(viaString);
    EXPECT_EQ(described(viaBlock), expected);
    EXPECT_EQ(described(viaFile), expected);
    // A byte order mark changes nothing but Source.
    EXPECT_EQ(described(parseEmail("\xEF\xBB\xBF" + message)), expected);
    expectNoException();

    // Source built from the bytes holds them all.
    for (const emu::Obj* built : {&viaBlock, &viaFile}) EXPECT_EQ(shown(*built, "Source"), message);
  }
}

TEST_F(LoadingTest, ByteOrderMarksAndFirstBytes) {
  const std::string header = "Subject: hello\r\n\r\nbody\r\n";
  const std::vector<std::pair<std::string, const char*>> cases = {
      {"\xEF\xBB\xBF" + header, nullptr},  // nullptr: parsed
      {"\r\n" + header, nullptr},          // an empty header is still a header
      {"\x01" + header, nullptr},
      {"\xEF\xBB\xBF", kEmptyText},
      {"", kEmptyText},
      {"\xEF\xBB\xBF\xEF\xBB\xBF" + header, kNotHeaderText},  // only one mark is dropped
      {"\xEF\xBB", kNotHeaderText},
  };
  for (const auto& [input, refusal] : cases) {
    SCOPED_TRACE(::testing::PrintToString(input));
    for (const bool viaBlock : {false, true}) {
      const emu::Str content = host().string(input);
      const emu::Obj message =
          viaBlock ? fromMemoryBlock(input)
                   : host().construct(kEmailClass, kStringConstructor, {content});
      if (refusal != nullptr) {
        expectException("UnsupportedOperationException", refusal);
        expectEmptyArrays(message);
      } else {
        expectNoException();
      }
      // Source is the input as received, byte order mark included. One built
      // from bytes is tagged ASCII when it is, and left untagged otherwise;
      // the caller's string keeps the caller's tag.
      const emu::Str source = host().get(message, "Source").str();
      if (!viaBlock) {
        EXPECT_EQ(source.get(), content.get());
      } else if (input.empty()) {
        EXPECT_TRUE(source.isNil());
      } else {
        const bool ascii = std::all_of(input.begin(), input.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        EXPECT_EQ(TaggedOf(source),
                  Tagged(input, ascii ? kREALTextEncodingASCII : kREALTextEncodingUnknown));
      }
    }
  }
}

// Empty inputs, and ones longer than the parser takes (refused unread: the
// block claims a size far beyond its bytes, the file is sparse), leave both
// arrays made and empty; a file that cannot be opened leaves them nil.
TEST_F(LoadingTest, RefusedAndUnopenableInputsLeaveNoSource) {
  TempDirectory directory;
  constexpr int64_t kTooLong = int64_t{1} << 31;
  const fs::path longFile = directory.write("long.eml", "Subject: x\r\n");
  fs::resize_file(longFile, kTooLong);
  char shortBlock[] = "Subject: x\r\n\r\n";
  const std::string tooLong = "Failed to allocate memory: " + std::string(std::bad_alloc().what());
  const std::string unopened = "Failed to open file for reading.";
  struct Case {
    const char* declaration;
    emu::Value argument;
    const char* exceptionClass;
    std::string message;
  };
  const Case cases[] = {
      {kStringConstructor, emu::Value(emu::Str()), "UnsupportedOperationException", kEmptyText},
      {kMemoryBlockConstructor, emu::Value(emu::Obj()), "UnsupportedOperationException",
       kEmptyText},
      {kFileConstructor, host().folderItem(directory.write("empty.eml", "").string()),
       "UnsupportedOperationException", kEmptyText},
      {kMemoryBlockConstructor, host().memoryBlockWithSize(shortBlock, kTooLong),
       "OutOfMemoryException", tooLong},
      {kFileConstructor, host().folderItem(longFile.string()), "OutOfMemoryException", tooLong},
      {kFileConstructor, emu::Value(emu::Obj()), "IOException", unopened},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.declaration) + " " + c.message);
    const emu::Obj message = host().construct(kEmailClass, c.declaration, {c.argument});
    expectException(c.exceptionClass, c.message);
    EXPECT_TRUE(host().get(message, "Source").str().isNil());
    if (c.message != unopened) {
      expectEmptyArrays(message);
      continue;
    }
    EXPECT_TRUE(host().call(message, kAttachments).obj().isNil());
    EXPECT_TRUE(host().get(message, "InlinesVariant").obj().isNil());
    // Without an array the indexed read is nil and quiet.
    EXPECT_TRUE(host().call(message, kAttachmentAt, {0}).obj().isNil());
    expectNoException();
  }
}

// Off Windows the \\?\ prefix is just a directory name, so a working
// directory holding a file under each form shows which path was opened.
TEST_F(LoadingTest, PathsFrom261UnitsTryThePrefixedFormFirst) {
  TempDirectory directory;
  struct WorkingDirectory {
    fs::path previous = fs::current_path();
    ~WorkingDirectory() { fs::current_path(previous); }
  } restore;
  fs::current_path(directory.path());

  const std::string plainMessage = "Subject: plain path\r\n\r\n";
  const std::string prefixedMessage = "Subject: prefixed path\r\n\r\n";
  for (const size_t units : {260u, 261u, 300u}) {
    SCOPED_TRACE(units);
    const std::string outer(100, 'a');
    const std::string fileName = "message.eml";
    const std::string inner(units - outer.size() - fileName.size() - 2, 'd');
    const std::string relative = outer + "/" + inner + "/" + fileName;
    ASSERT_EQ(relative.size(), units);
    directory.write(relative, plainMessage);
    directory.write("\\\\?\\" + relative, prefixedMessage);
    const emu::Obj message = fromFile(relative);
    expectNoException();
    EXPECT_EQ(host().get(message, "Source").str().bytes(),
              units >= 261 ? prefixedMessage : plainMessage);

    // A path that has the prefix already is opened as it is.
    directory.write("\\\\?\\\\\\?\\" + relative, "Subject: prefixed twice\r\n\r\n");
    const emu::Obj alreadyPrefixed = fromFile("\\\\?\\" + relative);
    expectNoException();
    EXPECT_EQ(host().get(alreadyPrefixed, "Source").str().bytes(), prefixedMessage);
  }
}

#ifdef _WIN32

// Paths as Xojo hands them over on Windows: long ones (the \\?\ form is
// needed from 261 UTF-16 units on), with characters outside any code page.
// The file's name makes up each length; only the \\?\ form makes and removes
// a file at any length.
TEST_F(LoadingTest, WindowsLongPathsWithNonAsciiNamesOpenPlainOrPrefixed) {
  TempDirectory directory;
  const fs::path folder = directory.path() / std::wstring(100, L'\u00E9');
  fs::create_directories(folder);
  const std::wstring prefix = L"\\\\?\\";
  const std::wstring start = folder.wstring() + L"\\Gr\u00FC\u00DFe-\U0001F600";
  for (const size_t units : {200u, 260u, 261u, 300u, 380u}) {
    SCOPED_TRACE(units);
    ASSERT_LT(start.size() + 4, units);
    const std::wstring path = start + std::wstring(units - start.size() - 4, L'x') + L".eml";
    const std::string message = "Subject: path of " + std::to_string(units) + "\r\n\r\nbody\r\n";
    HANDLE file = CreateFileW((prefix + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, message.data(), static_cast<DWORD>(message.size()), &written, nullptr);
    CloseHandle(file);
    for (const std::wstring& handedOver : {path, prefix + path}) {
      const emu::Obj email = fromFile(fs::path(handedOver).u8string());
      expectNoException();
      EXPECT_EQ(host().get(email, "Source").str().bytes(), message);
    }
    DeleteFileW((prefix + path).c_str());
    // A missing file on a long path is refused like any other.
    fromFile(fs::path(path).u8string());
    expectException("IOException", "Failed to open file for reading.");
  }
}

#endif  // _WIN32

TEST_F(LoadingTest, EntityMadeByHostCodeIsEmpty) {
  const emu::Obj entity = host().construct("MimeEntityZQV", "Constructor");
  expectNoException();
  EXPECT_TRUE(headerOf(entity).isNil());
  EXPECT_TRUE(host().get(entity, "Body").obj().isNil());
  EXPECT_TRUE(host().get(entity, "BodyDecoded").str().isNil());
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// mimedump's JSON parses whatever bytes the message holds, and describes it.
TEST(LoadingDumpTest, PrintsParsableJsonForEveryConstructor) {
  TempDirectory directory;
  const fs::path odd =
      directory.write("odd.eml", "Subject: caf\xE9 \"quoted\" \\ \x01\r\n\r\nx\r\n");
  const fs::path welcome = fs::path(ZQV_SOURCE_DIR) / "samples" / "welcome.eml";
  const fs::path json = directory.path() / "dump.json";
  const std::string dump = ZQV_PROGRAM_RUNNER + Quoted(std::string(ZQV_BINARY_DIR) + "/mimedump");
  const std::string summarize =
      "python3 -c 'import json,sys; d=json.load(sys.stdin); s=d[\"email\"][\"Source\"]; "
      "print(d[\"constructor\"], s and s[\"bytes\"], s and s[\"encoding\"], "
      "[e[\"class\"] for e in d[\"exceptions\"]])' < " + Quoted(json.string());

  const std::string welcomeSize = std::to_string(fs::file_size(welcome));
  const std::string oddSize = std::to_string(fs::file_size(odd));
  const std::vector<std::pair<std::string, std::string>> cases = {
      {Quoted(welcome.string()), "Constructor(File as FolderItem) " + welcomeSize + " ASCII []"},
      {"- < " + Quoted(welcome.string()),
       "Constructor(Content as string) " + welcomeSize + " Unknown []"},
      {"--as memoryblock --full " + Quoted(odd.string()),
       "Constructor(Content as MemoryBlock) " + oddSize + " Unknown []"},
      {Quoted((directory.path() / "missing.eml").string()),
       "Constructor(File as FolderItem) None None ['IOException']"},
  };
  for (const auto& [arguments, expected] : cases) {
    SCOPED_TRACE(arguments);
    EXPECT_EQ(RunCommand(dump + " " + arguments + " > " + Quoted(json.string())).second, 0);
    EXPECT_EQ(RunCommand(summarize), std::make_pair(expected + "\n", 0));
  }
  EXPECT_NE(RunCommand(dump + " --as nonsense x 2>/dev/null").second, 0);
}

}  // namespace
