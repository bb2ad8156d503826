// MimeMboxZQV reading mbox files of either quoting convention one message at
// a time; and the reader below it at the edges of its blocks.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "mail/mbox_reader.h"
#include "peak_memory.h"
#include "plugin_test.h"

namespace fs = std::filesystem;

namespace {

// `text` with each "\n" written as `lineEnd`.
std::string Lines(const std::string& text, const std::string& lineEnd) {
  std::string written;
  for (const char byte : text) written += byte == '\n' ? lineEnd : std::string(1, byte);
  return written;
}

// `messages` (lines ended by "\n", written as `lineEnd`) as a mailer appends
// them: an envelope line, the message with its "From " lines quoted, a blank
// line. mboxo quotes "From " only; mboxrd also ">From ", ">>From " ...
std::string Mbox(const std::vector<std::string>& messages, const std::string& lineEnd = "\n",
                 bool mboxrd = true) {
  std::string text;
  for (const std::string& message : messages) {
    text += "From sender@example.com Sat Dec  5 10:00:00 2026\n";
    std::istringstream lines(message);
    for (std::string line; std::getline(lines, line);) {
      const size_t from = mboxrd ? line.find_first_not_of('>') : 0;
      const bool quoted = from != std::string::npos && line.compare(from, 5, "From ") == 0;
      text += (quoted ? ">" : "") + line + "\n";
    }
    text += "\n";
  }
  return Lines(text, lineEnd);
}

const std::string kQuotedBody =
    "Subject: quoting\n"
    "\n"
    "From here on a line that looked like an envelope.\n"
    ">From the archive, quoted once.\n"
    ">>From further back.\n"
    "> From with a blank after the mark stays.\n";

class MboxTest : public PluginTest {
 protected:
  emu::Obj open(const fs::path& file) {
    return host().construct(kMboxClass, kMboxConstructor, {host().folderItem(file.u8string())});
  }
  // Every message's Source until ReadMessage gives Nil; a refused message
  // shows as its exception's message.
  std::vector<std::string> readAll(const emu::Obj& mbox) {
    std::vector<std::string> seen;
    for (;;) {
      const emu::Obj email = host().call(mbox, kReadMessage).obj();
      if (std::optional<emu::RaisedException> raised = host().takeException()) {
        EXPECT_TRUE(email.isNil());
        seen.push_back(raised->className + ": " + raised->message);
        continue;
      }
      if (email.isNil()) return seen;
      seen.push_back(shown(email, "Source"));
      // A message is the one the MemoryBlock constructor makes of its bytes,
      // its Source tagged alike.
      const emu::Obj made = host().construct(kEmailClass, kMemoryBlockConstructor,
                                             {host().memoryBlock(seen.back())});
      EXPECT_EQ(TaggedOf(host().get(email, "Source").str()),
                TaggedOf(host().get(made, "Source").str()));
    }
  }

  TempDirectory directory_;
};

TEST_F(MboxTest, MessagesRunBetweenEnvelopeLinesWithTheirQuotingUndone) {
  const std::string plain = "Subject: one\n\nbody\n";
  const std::string headerOnly = "Subject: two\n\n";
  struct Case {
    const char* name;
    std::string file;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"mboxrd, LF", Mbox({plain, kQuotedBody, headerOnly}), {plain, kQuotedBody, headerOnly}},
      {"mboxrd, CRLF", Mbox({plain, kQuotedBody}, "\r\n"),
       {Lines(plain, "\r\n"), Lines(kQuotedBody, "\r\n")}},
      // mboxo leaves ">From " as it was, so reading takes one '>' that the
      // message had: the convention's known loss.
      {"mboxo, LF", Mbox({plain, "Subject: o\n\nFrom me\n>From you\n"}, "\n", false),
       {plain, "Subject: o\n\nFrom me\nFrom you\n"}},
      {"blank lines before the first envelope, no separator, no final line break",
       "\n \t\r\n\nFrom a\nSubject: a\n\nx\nFrom b\r\nSubject: b\r\n\r\nlast",
       {"Subject: a\n\nx\n", "Subject: b\r\n\r\nlast"}},
      {"only the last blank line is the separator",
       "From a\nSubject: a\n\nx\n\n\n\nFrom b\nSubject: b\n\n\n",
       {"Subject: a\n\nx\n\n\n", "Subject: b\n\n"}},
      {"an envelope line without a line break ends the file", "From a\nSubject: a\n\nFrom b",
       {"Subject: a\n", "UnsupportedOperationException: Can't parse empty text."}},
      {"empty file", "", {}},
      {"blank lines only", "\n\r\n  \n", {}},
      // Refused once made; the empty last message above is refused unmade.
      {"a refused message raises and the next one is read",
       Mbox({"Subject: first\n\n",
             "Subject: x\nContent-Type: text/plain; charset=x-klingon\n\nqapla'\n",
             "Subject: last\n\n"}),
       {"Subject: first\n\n", "UnsupportedFormatException: Unhandled charset: x-klingon",
        "Subject: last\n\n"}},
  };
  host().setShared(kEmailClass, "RaiseUnknownFormatExceptions", true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const emu::Obj mbox =
        open(directory_.write(fs::u8path("Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80"), c.file));
    expectNoException();
    EXPECT_EQ(readAll(mbox), c.messages);
    EXPECT_EQ(host().get(mbox, "Length").integer(), static_cast<int64_t>(c.file.size()));
    // The end stays the end.
    EXPECT_TRUE(host().call(mbox, kReadMessage).obj().isNil());
    expectNoException();
  }
}

// A file cut anywhere (a copy still being written, a full disk) reads to its
// end: every message whose following envelope line is whole reads as in the
// whole file, and nothing after the cut is invented.
TEST_F(MboxTest, AFileCutAtEveryByteReadsItsWholeMessagesUnchanged) {
  const std::string whole =
      Mbox({"Subject: one\n\nbody\n", kQuotedBody, "Subject: three\n\n"}, "\r\n");
  const std::vector<std::string> messages = readAll(open(directory_.write("whole", whole)));
  ASSERT_EQ(messages.size(), 3u);
  // Where each envelope line ends: message i is whole once the cut passes
  // the end of envelope i + 1.
  std::vector<size_t> envelopeStarts, envelopeEnds;
  for (size_t at = 0; at != std::string::npos; at = whole.find("\nFrom ", at)) {
    if (at > 0) ++at;
    envelopeStarts.push_back(at);
    at = whole.find('\n', at) + 1;
    envelopeEnds.push_back(at);
  }
  ASSERT_EQ(envelopeEnds.size(), 3u);

  for (size_t cut = 0; cut <= whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    const emu::Obj mbox = open(directory_.write("cut", whole.substr(0, cut)));
    if (std::optional<emu::RaisedException> refused = host().takeException()) {
      EXPECT_LT(cut, envelopeEnds[0]);
      EXPECT_EQ(refused->message, "Not an mbox file");
      continue;
    }
    const std::vector<std::string> read = readAll(mbox);
    EXPECT_EQ(host().get(mbox, "Position").integer(), static_cast<int64_t>(cut));
    // At most one message an envelope line begun before the cut.
    const size_t begun = std::count_if(envelopeStarts.begin(), envelopeStarts.end(),
                                       [&](size_t start) { return start + 5 <= cut; });
    EXPECT_LE(read.size(), begun);
    for (size_t i = 0; i + 1 < envelopeEnds.size() && envelopeEnds[i + 1] <= cut; ++i) {
      EXPECT_EQ(read.at(i), messages[i]) << "message " << i;
    }
  }
}

TEST_F(MboxTest, FilesThatAreNoMboxOrCannotBeOpenedAreRefused) {
  struct Case {
    emu::Value file;
    const char* exceptionClass;
    const char* message;
  };
  const Case cases[] = {
      {emu::Value(emu::Obj()), "IOException", "Failed to open file for reading."},
      {host().folderItem(directory_.write("eml", "Subject: x\n\nFrom here\n").u8string()),
       "UnsupportedFormatException", "Not an mbox file"},
      {host().folderItem(directory_.write("indented", "\n  From x\nSubject: x\n").u8string()),
       "UnsupportedFormatException", "Not an mbox file"},
      {host().folderItem(directory_.write("lowercase", "from x\nSubject: x\n").u8string()),
       "UnsupportedFormatException", "Not an mbox file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const emu::Obj mbox = host().construct(kMboxClass, kMboxConstructor, {c.file});
    expectException(c.exceptionClass, c.message);
    // What host code cannot reach in Xojo stays quiet here.
    EXPECT_TRUE(host().call(mbox, kReadMessage).obj().isNil());
    EXPECT_EQ(host().get(mbox, "Length").integer(), 0);
    expectNoException();
  }
}

// In a sparse file past 4 GiB the middle message, more than the parser takes,
// is refused without being held, and the offsets past 4 GiB are right.
TEST_F(MboxTest, AFileOver4GiBStreamsWithFlatMemory) {
  const std::string first = "From a\nSubject: first\n\nbody\n\n";
  const std::string hole = "From b\nSubject: hole\n\n";
  const std::string last = "\n\nFrom c\nSubject: last\n\nend\n";
  const int64_t lastAt = (int64_t{1} << 32) + 4096;
  const fs::path path = directory_.write("big", first + hole);
  fs::resize_file(path, static_cast<uintmax_t>(lastAt));
  std::ofstream(path, std::ios::binary | std::ios::app) << last;
  const int64_t length = lastAt + static_cast<int64_t>(last.size());

  std::vector<int64_t> positions;
  const long addedMB = PeakMemoryAddedMB([&] {
    const emu::Obj mbox = open(path);
    for (int i = 0; i < 4; ++i) {
      const emu::Obj email = host().call(mbox, kReadMessage).obj();
      if (i == 1) {
        expectException("OutOfMemoryException",
                        "Failed to allocate memory: " + std::string(std::bad_alloc().what()));
      } else {
        expectNoException();
      }
      EXPECT_EQ(email.isNil(), i % 2 == 1) << i;
      positions.push_back(host().get(mbox, "Position").integer());
    }
    EXPECT_EQ(host().get(mbox, "Length").integer(), length);
  });
  EXPECT_EQ(positions, (std::vector<int64_t>{static_cast<int64_t>(first.size()), lastAt + 2,
                                              length, length}));
  std::printf("[ MBOX ] 4 GiB sparse file read with %ld MB peak memory added\n", addedMB);
  EXPECT_LT(addedMB, 64);
}

// The reader alone: lines meeting the end of its first 1 MiB block at every
// offset that matters, and small limits: a message longer than it holds while
// measuring is read again, one longer than the parser takes is refused.
TEST(MboxReaderTest, BlockEdgesAndLongMessages) {
  TempDirectory directory;
  constexpr size_t kBlock = size_t{1} << 20;
  const auto readAll = [&](const std::string& file, int64_t longest, size_t room) {
    const fs::path path = directory.write("folder", file);
    MboxReader reader(std::fopen(path.string().c_str(), "rb"), longest, room);
    EXPECT_EQ(reader.start(), MboxReader::Start::Mbox);
    std::vector<std::string> messages;
    for (MboxReader::Step step; (step = reader.next()) != MboxReader::Step::End;) {
      messages.push_back(step == MboxReader::Step::Message ? std::string(reader.message())
                                                           : "too long");
    }
    EXPECT_EQ(reader.position(), static_cast<int64_t>(file.size()));
    return messages;
  };
  const int64_t unlimited = std::numeric_limits<int64_t>::max();

  for (const std::string& line : {std::string(">>>From x\n"), std::string("From x\n")}) {
    for (size_t before = 0; before <= line.size(); ++before) {
      SCOPED_TRACE(line + std::to_string(before));
      const std::string head = "From a\nSubject: a\n\n";
      const std::string filler(kBlock - head.size() - before - 1, 'x');
      const std::string file = head + filler + "\n" + line + "Subject: b\n\n";
      const bool envelope = line[0] == 'F';
      const std::vector<std::string> expected =
          envelope ? std::vector<std::string>{"Subject: a\n\n" + filler + "\n", "Subject: b\n"}
                   : std::vector<std::string>{"Subject: a\n\n" + filler + "\n>>From x\nSubject: b\n"};
      EXPECT_EQ(readAll(file, unlimited, MboxReader::kInitialRoom), expected);
    }
  }

  // 23 and 11 bytes, each with a separator line after it; the first outgrows
  // the room of a string without an allocation of its own (15 bytes), the
  // second fits.
  const std::string file = "From a\nSubject: a\n\n>From 12345\n\nFrom b\nSubject: b\n\n";
  EXPECT_EQ(readAll(file, 23, 0),
            (std::vector<std::string>{"Subject: a\n\nFrom 12345\n", "Subject: b\n"}));
  // Measured at 24 bytes, the first is read again to see it is 23. (One
  // refused unread, the 4 GiB test shows by its memory.)
  EXPECT_EQ(readAll(file, 22, 0), (std::vector<std::string>{"too long", "Subject: b\n"}));
}

}  // namespace
