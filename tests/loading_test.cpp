// Loading a message through the three MimeEmailZQV constructors, as Xojo code
// does it: what each kind of input leaves in the message, and how every
// refusal reaches host code.

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "plugin_test.h"

namespace {

namespace fs = std::filesystem;

constexpr char kStringConstructor[] = "Constructor(Content as string)";
constexpr char kMemoryBlockConstructor[] = "Constructor(Content as MemoryBlock)";
constexpr char kFileConstructor[] = "Constructor(File as FolderItem)";
constexpr char kAttachmentAt[] = "Attachments(index as Integer) as MimeAttachmentZQV";
constexpr char kInlineAt[] = "Inlines(index as Integer) as MimeAttachmentZQV";
constexpr char kAttachments[] = "Attachments as MimeAttachmentZQV()";
constexpr char kInlines[] = "Inlines as MimeAttachmentZQV()";

constexpr char kEmptyText[] = "Can't parse empty text.";
constexpr char kNotHeaderText[] = "Email must start with an header text. BOM character?";
constexpr char kCannotOpen[] = "Failed to open file for reading.";

const std::string kMultipartMessage =
    "From: Jonas Berger <jonas@example.org>\r\n"
    "To: ana@example.com\r\n"
    "Subject: =?UTF-8?Q?Gr=C3=BC=C3=9Fe?=\r\n"
    "Date: Tue, 12 Mar 2024 09:41:02 +0100\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: multipart/mixed; boundary=\"b1\"\r\n"
    "\r\n"
    "--b1\r\n"
    "Content-Type: text/plain; charset=utf-8\r\n"
    "\r\n"
    "Hello Ana\r\n"
    "--b1\r\n"
    "Content-Type: text/html; charset=utf-8\r\n"
    "\r\n"
    "<p>Hello <b>Ana</b></p>\r\n"
    "--b1\r\n"
    "Content-Type: application/octet-stream; name=\"a.bin\"\r\n"
    "Content-Disposition: attachment; filename=\"a.bin\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "AAECAw==\r\n"
    "--b1--\r\n";

// A directory under the system's temporary directory, removed with all it
// holds when the test ends.
class TempDirectory {
 public:
  TempDirectory() {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    path_ = fs::temp_directory_path() /
            ("zqv-loading-" + test + "-" + std::to_string(std::random_device()()));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempDirectory() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

  fs::path write(const fs::path& relative, const std::string& bytes) const {
    const fs::path file = path_ / relative;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }

 private:
  fs::path path_;
};

// One string property as host code sees it.
struct SeenText {
  bool nil = true;
  std::string bytes;
  uint32_t encoding = 0;
  bool operator==(const SeenText& other) const {
    return nil == other.nil && bytes == other.bytes && encoding == other.encoding;
  }
};

// Everything a message shows to host code except Source.
struct SeenMessage {
  SeenText subject, plainText, htmlText, bodyDecoded;
  int64_t attachmentsUBound = -2;  // -2: nil array
  int64_t inlinesUBound = -2;
  bool hasDate = false, hasReceivedDate = false, hasHeader = false, hasBody = false;
  bool operator==(const SeenMessage& other) const {
    return subject == other.subject && plainText == other.plainText &&
           htmlText == other.htmlText && bodyDecoded == other.bodyDecoded &&
           attachmentsUBound == other.attachmentsUBound &&
           inlinesUBound == other.inlinesUBound && hasDate == other.hasDate &&
           hasReceivedDate == other.hasReceivedDate && hasHeader == other.hasHeader &&
           hasBody == other.hasBody;
  }
};

class LoadingTest : public PluginTest {
 protected:
  emu::Obj fromString(const std::string& bytes, uint32_t encoding = kREALTextEncodingUTF8) {
    return host().construct("MimeEmailZQV", kStringConstructor, {host().string(bytes, encoding)});
  }
  emu::Obj fromMemoryBlock(const std::string& bytes) {
    return host().construct("MimeEmailZQV", kMemoryBlockConstructor, {host().memoryBlock(bytes)});
  }
  emu::Obj fromFile(const fs::path& path) {
    return host().construct("MimeEmailZQV", kFileConstructor, {host().folderItem(path.string())});
  }

  SeenText text(const emu::Obj& message, const std::string& property) {
    const emu::Str value = host().get(message, property).str();
    if (value.isNil()) return {};
    return {false, value.bytes(), value.encoding()};
  }
  int64_t arrayUBound(const emu::Obj& message, const char* declaration) {
    const emu::Obj array = host().call(message, declaration).obj();
    return array.isNil() ? -2 : host().ubound(array);
  }
  SeenMessage seen(const emu::Obj& message) {
    SeenMessage result;
    result.subject = text(message, "Subject");
    result.plainText = text(message, "PlainText");
    result.htmlText = text(message, "HTMLText");
    result.bodyDecoded = text(message, "BodyDecoded");
    result.attachmentsUBound = arrayUBound(message, kAttachments);
    result.inlinesUBound = arrayUBound(message, kInlines);
    result.hasDate = !host().get(message, "Date").obj().isNil();
    result.hasReceivedDate = !host().get(message, "ReceivedDate").obj().isNil();
    result.hasHeader = !host().get(message, "Header").obj().isNil();
    result.hasBody = !host().get(message, "Body").obj().isNil();
    return result;
  }

  // After a refused parse both arrays exist and are empty.
  void expectEmptyArrays(const emu::Obj& message) {
    EXPECT_EQ(arrayUBound(message, kAttachments), -1);
    EXPECT_EQ(arrayUBound(message, kInlines), -1);
    EXPECT_TRUE(host().call(message, kAttachmentAt, {0}).obj().isNil());
    expectException("OutOfBoundsException",
                    "The parameter index  is too big. Range is 0 to -1, but value is 0.");
    EXPECT_TRUE(host().call(message, kInlineAt, {-1}).obj().isNil());
    expectException("OutOfBoundsException",
                    "The parameter index  is too small. Range is 0 to -1, but value is -1.");
  }
};

TEST_F(LoadingTest, StringMemoryBlockAndFileGiveTheSameMessage) {
  TempDirectory directory;
  const fs::path file = directory.write("message.eml", kMultipartMessage);

  const emu::Str content = host().string(kMultipartMessage, kREALTextEncodingUTF8);
  const emu::Obj viaString = host().construct("MimeEmailZQV", kStringConstructor, {content});
  expectNoException();
  const emu::Obj viaBlock = fromMemoryBlock(kMultipartMessage);
  expectNoException();
  const emu::Obj viaFile = fromFile(file);
  expectNoException();

  const SeenMessage expected = seen(viaString);
  EXPECT_GE(expected.attachmentsUBound, -1) << "every parse makes the arrays";
  EXPECT_TRUE(seen(viaBlock) == expected);
  EXPECT_TRUE(seen(viaFile) == expected);
  expectNoException();

  // The string constructor keeps the caller's own string; the other two build
  // one from the bytes, which are all ASCII here.
  EXPECT_EQ(host().get(viaString, "Source").str().get(), content.get());
  for (const emu::Obj* message : {&viaBlock, &viaFile}) {
    const emu::Str source = host().get(*message, "Source").str();
    ASSERT_FALSE(source.isNil());
    EXPECT_NE(source.get(), content.get());
    EXPECT_EQ(source.bytes(), kMultipartMessage);
    EXPECT_EQ(source.encoding(), kREALTextEncodingASCII);
  }
}

TEST_F(LoadingTest, ByteOrderMarksAndFirstBytes) {
  const std::string header = "Subject: hello\r\n\r\nbody\r\n";
  struct Case {
    std::string input;
    const char* refusal;  // nullptr: parsed
  };
  const std::vector<Case> cases = {
      {"\xEF\xBB\xBF" + header, nullptr},
      {"\r\n" + header, nullptr},  // an empty header is still a header
      {"\x01" + header, nullptr},
      {"\xEF\xBB\xBF", kEmptyText},
      {"", kEmptyText},
      {"\xFF\xFE" + header, kNotHeaderText},
      {"\xEF\xBB\xBF\xEF\xBB\xBF" + header, kNotHeaderText},  // only one mark is dropped
      {"\xC3\xA4" + header, kNotHeaderText},
      {"\xEF\xBB", kNotHeaderText},
  };
  for (const Case& testCase : cases) {
    SCOPED_TRACE(::testing::PrintToString(testCase.input));
    for (const bool viaBlock : {false, true}) {
      const emu::Str content = host().string(testCase.input);
      const emu::Obj message = viaBlock ? fromMemoryBlock(testCase.input)
                                        : host().construct("MimeEmailZQV", kStringConstructor,
                                                           {content});
      if (testCase.refusal != nullptr) {
        expectException("UnsupportedOperationException", testCase.refusal);
        expectEmptyArrays(message);
      } else {
        expectNoException();
      }
      // Source is the input as received, byte order mark included.
      const emu::Str source = host().get(message, "Source").str();
      if (viaBlock) {
        EXPECT_EQ(source.isNil(), testCase.input.empty());
        EXPECT_EQ(source.bytes(), testCase.input);
      } else {
        EXPECT_EQ(source.get(), content.get());
      }
    }
  }

  // A byte order mark changes nothing but Source.
  EXPECT_TRUE(seen(fromString("\xEF\xBB\xBF" + kMultipartMessage)) ==
              seen(fromString(kMultipartMessage)));
  expectNoException();
}

TEST_F(LoadingTest, NilAndEmptyContentIsEmptyText) {
  const emu::Obj nilString =
      host().construct("MimeEmailZQV", kStringConstructor, {emu::Value(emu::Str())});
  expectException("UnsupportedOperationException", kEmptyText);
  EXPECT_TRUE(host().get(nilString, "Source").str().isNil());
  expectEmptyArrays(nilString);

  const emu::Obj nilBlock =
      host().construct("MimeEmailZQV", kMemoryBlockConstructor, {emu::Value(emu::Obj())});
  expectException("UnsupportedOperationException", kEmptyText);
  expectEmptyArrays(nilBlock);

  // A block whose size the host reports as negative holds nothing.
  char bytes[] = "Subject: x\r\n\r\n";
  const emu::Obj oddBlock = host().construct("MimeEmailZQV", kMemoryBlockConstructor,
                                             {host().memoryBlockWithSize(bytes, -5)});
  expectException("UnsupportedOperationException", kEmptyText);
  EXPECT_TRUE(host().get(oddBlock, "Source").str().isNil());

  TempDirectory directory;
  const emu::Obj emptyFile = fromFile(directory.write("empty.eml", ""));
  expectException("UnsupportedOperationException", kEmptyText);
  expectEmptyArrays(emptyFile);
}

TEST_F(LoadingTest, UnopenableFileLeavesTheMessageEmpty) {
  TempDirectory directory;
  for (const bool nilItem : {true, false}) {
    const emu::Obj message =
        nilItem ? host().construct("MimeEmailZQV", kFileConstructor, {emu::Value(emu::Obj())})
                : fromFile(directory.path() / "missing.eml");
    expectException("IOException", kCannotOpen);
    EXPECT_TRUE(host().get(message, "Source").str().isNil());
    EXPECT_TRUE(host().call(message, kAttachments).obj().isNil());
    EXPECT_TRUE(host().get(message, "InlinesVariant").obj().isNil());
    // Without an array the indexed read is nil and quiet.
    EXPECT_TRUE(host().call(message, kAttachmentAt, {0}).obj().isNil());
    expectNoException();
  }
}

TEST_F(LoadingTest, LongAndNonAsciiPathsOpen) {
  TempDirectory directory;
  const std::string segment(60, 'd');
  fs::path longRelative;
  for (int level = 0; level < 5; ++level) longRelative /= segment + std::to_string(level);
  longRelative /= "message.eml";
  const fs::path longPath = directory.write(longRelative, kMultipartMessage);
  ASSERT_GE(longPath.string().size(), 261u);

  const fs::path foreignPath =
      directory.write(fs::u8path("Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x89 \xE6\x97\xA5.eml"),
                      kMultipartMessage);

  for (const fs::path& path : {longPath, foreignPath}) {
    SCOPED_TRACE(path.string());
    const emu::Obj message = fromFile(path);
    expectNoException();
    EXPECT_EQ(host().get(message, "Source").str().bytes(), kMultipartMessage);
  }
}

// Off Windows the \\?\ prefix is just a directory name, which lets the test
// see which of the two paths was opened: a relative path under a working
// directory that holds both files.
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
    const emu::Obj message = host().construct("MimeEmailZQV", kFileConstructor,
                                              {host().folderItem(relative)});
    expectNoException();
    EXPECT_EQ(host().get(message, "Source").str().bytes(),
              units >= 261 ? prefixedMessage : plainMessage);

    // A path that has the prefix already is opened as it is.
    directory.write("\\\\?\\\\\\?\\" + relative, "Subject: prefixed twice\r\n\r\n");
    const emu::Obj alreadyPrefixed = host().construct(
        "MimeEmailZQV", kFileConstructor, {host().folderItem("\\\\?\\" + relative)});
    expectNoException();
    EXPECT_EQ(host().get(alreadyPrefixed, "Source").str().bytes(), prefixedMessage);
  }
}

TEST_F(LoadingTest, SourceEncodingOfBuiltSources) {
  const std::string latin1 = "Subject: caf\xE9\r\n\r\nbody\r\n";
  const std::string ascii = "Subject: cafe\r\n\r\nbody\r\n";
  TempDirectory directory;
  const fs::path latin1File = directory.write("latin1.eml", latin1);

  const std::vector<std::pair<emu::Obj, uint32_t>> cases = {
      {fromMemoryBlock(ascii), kREALTextEncodingASCII},
      {fromMemoryBlock(latin1), kREALTextEncodingUnknown},
      {fromFile(latin1File), kREALTextEncodingUnknown},
      // The caller's string keeps the encoding the caller gave it.
      {fromString(latin1, kREALTextEncodingWindowsLatin1), kREALTextEncodingWindowsLatin1},
      {fromString(ascii, kREALTextEncodingUTF8), kREALTextEncodingUTF8},
  };
  for (const auto& [message, encoding] : cases) {
    const emu::Str source = host().get(message, "Source").str();
    ASSERT_FALSE(source.isNil());
    EXPECT_EQ(source.encoding(), encoding) << source.bytes();
  }
  expectNoException();
}

TEST_F(LoadingTest, FormatExceptionSwitchIsSharedAndStartsOff) {
  EXPECT_FALSE(host().getShared("MimeEmailZQV", "RaiseUnknownFormatExceptions").boolean());
  host().setShared("MimeEmailZQV", "RaiseUnknownFormatExceptions", true);
  EXPECT_TRUE(host().getShared("MimeEmailZQV", "RaiseUnknownFormatExceptions").boolean());
  // Parsing does not reset it.
  fromString(kMultipartMessage);
  EXPECT_TRUE(host().getShared("MimeEmailZQV", "RaiseUnknownFormatExceptions").boolean());
  host().setShared("MimeEmailZQV", "RaiseUnknownFormatExceptions", false);
  EXPECT_FALSE(host().getShared("MimeEmailZQV", "RaiseUnknownFormatExceptions").boolean());
  expectNoException();
}

TEST_F(LoadingTest, EntityMadeByHostCodeIsEmpty) {
  const emu::Obj entity = host().construct("MimeEntityZQV", "Constructor");
  expectNoException();
  for (const char* property : {"Header", "Body"}) {
    EXPECT_TRUE(host().get(entity, property).obj().isNil()) << property;
  }
  EXPECT_TRUE(host().get(entity, "BodyDecoded").str().isNil());
}

}  // namespace

namespace {

// Runs a shell command; its standard output and exit status.
std::pair<std::string, int> RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {output, -1};
  char chunk[4096];
  for (size_t got; (got = fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, got);
  const int status = pclose(pipe);
  return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// mimedump's JSON must parse whatever bytes the message holds; a few facts
// read back from it show that it describes the message it was given.
TEST(LoadingDumpTest, PrintsParsableJsonForEveryConstructor) {
  const fs::path directory =
      fs::temp_directory_path() / ("zqv-dump-" + std::to_string(std::random_device()()));
  fs::create_directories(directory);
  const fs::path odd = directory / "odd.eml";
  std::ofstream(odd, std::ios::binary) << "Subject: caf\xE9 \"quoted\" \\ \x01\r\n\r\nx\r\n";
  const fs::path welcome = fs::path(ZQV_SOURCE_DIR) / "samples" / "welcome.eml";
  const fs::path json = directory / "dump.json";
  const std::string dump = Quoted(std::string(ZQV_BINARY_DIR) + "/mimedump");
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
      {Quoted((directory / "missing.eml").string()),
       "Constructor(File as FolderItem) None None ['IOException']"},
  };
  for (const auto& [arguments, expected] : cases) {
    SCOPED_TRACE(arguments);
    EXPECT_EQ(RunCommand(dump + " " + arguments + " > " + Quoted(json.string())).second, 0);
    EXPECT_EQ(RunCommand(summarize), std::make_pair(expected + "\n", 0));
  }
  EXPECT_NE(RunCommand(dump + " --as nonsense x 2>/dev/null").second, 0);
  fs::remove_all(directory);
}

}  // namespace
