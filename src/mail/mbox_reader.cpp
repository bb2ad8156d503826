#include "mail/mbox_reader.h"

#include <cstring>
#include <limits>
#include <new>

#include "runtime/platform.h"

namespace {

// Large reads keep the system calls few; the scan itself is a memchr per
// line, so the block size hardly matters beyond that.
constexpr size_t kBlockBytes = size_t{1} << 20;
// What a line start must show before it is known to be plain: "From ".
constexpr size_t kLookahead = 5;
// A separator line is "\n" or "\r\n".
constexpr int64_t kLongestSeparator = 2;

bool IsEnvelope(const char* line, size_t available) {
  return available >= kLookahead && std::memcmp(line, "From ", kLookahead) == 0;
}

// Whether a line start ends the plain run before it: an envelope line, a
// quoted line that may lose a '>', or the end of the file.
bool NeedsALook(const char* line, size_t available) {
  return available == 0 || line[0] == '>' || IsEnvelope(line, available);
}

bool IsBlank(char byte) { return byte == ' ' || byte == '\t' || byte == '\r'; }

bool EndsWith(const std::string& text, std::string_view tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

MboxReader::MboxReader(FILE* file, int64_t longestMessage, size_t initialRoom)
    : file_(file), block_(new char[kBlockBytes + kLookahead]), longestMessage_(longestMessage) {
  message_.reserve(initialRoom);
}

MboxReader::~MboxReader() = default;

MboxReader::Start MboxReader::start() {
  for (;;) {
    if (!fill(kLookahead)) return Start::ReadFailed;
    if (begin_ == end_) return Start::Mbox;
    if (IsEnvelope(block_.get() + begin_, end_ - begin_)) return Start::Mbox;
    bool blank = false;
    if (!skipBlankLine(blank)) return Start::ReadFailed;
    if (!blank) return Start::NotMbox;
  }
}

MboxReader::Step MboxReader::next() {
  if (!file_) return Step::End;
  if (!fill(kLookahead)) return fail();
  if (begin_ == end_) return Step::End;
  // Here, at an envelope line: start() and every step stop at one.
  if (!skipLine()) return fail();

  const int64_t messageStart = position();
  beginMessage(static_cast<int64_t>(message_.capacity()));
  if (!readLines()) return fail();
  if (!holding_) {
    // Measured, as it outgrew the room: refused unread when even without
    // its separator line it is more than the parser takes, else read again.
    if (outOfMemory_ || messageLength_ - kLongestSeparator > longestMessage_) {
      return Step::TooLong;
    }
    const int64_t messageEnd = position();
    const int64_t measuredLength = messageLength_;
    if (!seekTo(messageStart)) return fail();
    beginMessage(std::numeric_limits<int64_t>::max());
    hold([&] { message_.reserve(static_cast<size_t>(measuredLength)); });
    if (!readLines() || position() != messageEnd) return fail();
    if (!holding_) return Step::TooLong;
  }
  dropSeparatorLine();
  return messageLength_ > longestMessage_ ? Step::TooLong : Step::Message;
}

// Makes at least `wanted` unread bytes (at most kLookahead) available, or
// all that is left of the file. Fewer than `wanted` bytes move to the front,
// so a whole block always fits behind them.
bool MboxReader::fill(size_t wanted) {
  while (end_ - begin_ < wanted && !endOfFile_) {
    std::memmove(block_.get(), block_.get() + begin_, end_ - begin_);
    blockOffset_ += static_cast<int64_t>(begin_);
    end_ -= begin_;
    begin_ = 0;
    const size_t got = std::fread(block_.get() + end_, 1, kBlockBytes, file_.get());
    end_ += got;
    if (got < kBlockBytes) {
      if (std::ferror(file_.get()) != 0) return false;
      endOfFile_ = true;
    }
  }
  return true;
}

// Passes over the rest of the current line, its line break included.
bool MboxReader::skipLine() {
  for (;;) {
    const char* window = block_.get();
    const void* lineBreak = std::memchr(window + begin_, '\n', end_ - begin_);
    if (lineBreak != nullptr) {
      begin_ = static_cast<size_t>(static_cast<const char*>(lineBreak) - window) + 1;
      return true;
    }
    begin_ = end_;
    if (!fill(1)) return false;
    if (begin_ == end_) return true;
  }
}

// Passes over a line of blanks (and its line break), setting `blank`; stops
// at the first other byte, leaving `blank` false.
bool MboxReader::skipBlankLine(bool& blank) {
  for (;;) {
    while (begin_ < end_ && IsBlank(block_[begin_])) ++begin_;
    if (!fill(1)) return false;
    if (begin_ == end_) {
      blank = true;
      return true;
    }
    if (!IsBlank(block_[begin_])) break;
  }
  blank = block_[begin_] == '\n';
  if (blank) ++begin_;
  return true;
}

// Reads lines into the message up to the next envelope line or the end of
// the file; each turn starts at a line start.
bool MboxReader::readLines() {
  for (;;) {
    if (!fill(kLookahead)) return false;
    const char* line = block_.get() + begin_;
    const size_t available = end_ - begin_;
    if (available == 0 || IsEnvelope(line, available)) return true;
    if (line[0] == '>' && !readQuoteRun()) return false;
    if (!readToNextLineStart()) return false;
  }
}

// The '>'s that start a line, however many blocks they span: before "From "
// one of them goes. All are alike, so which one does not matter.
bool MboxReader::readQuoteRun() {
  int64_t run = 0;
  for (;;) {
    while (begin_ < end_ && block_[begin_] == '>') {
      ++begin_;
      ++run;
    }
    if (!fill(kLookahead)) return false;
    if (begin_ == end_ || block_[begin_] != '>') break;
  }
  const bool quotedEnvelope = IsEnvelope(block_.get() + begin_, end_ - begin_);
  appendQuotes(quotedEnvelope ? run - 1 : run);
  return true;
}

// Takes the rest of the line and every plain line after it, up to a line
// start that needs a look (or too close to the block's end to tell).
bool MboxReader::readToNextLineStart() {
  for (;;) {
    const char* window = block_.get();
    size_t cursor = begin_;
    for (;;) {
      const void* lineBreak = std::memchr(window + cursor, '\n', end_ - cursor);
      if (lineBreak == nullptr) break;
      cursor = static_cast<size_t>(static_cast<const char*>(lineBreak) - window) + 1;
      const size_t available = end_ - cursor;
      if ((available < kLookahead && !endOfFile_) || NeedsALook(window + cursor, available)) {
        take(cursor);
        return true;
      }
    }
    // The line goes on in the next block.
    take(end_);
    if (!fill(1)) return false;
    if (begin_ == end_) return true;
  }
}

// The unread bytes up to `upTo` go into the message.
void MboxReader::take(size_t upTo) {
  const size_t count = upTo - begin_;
  if (counts(static_cast<int64_t>(count))) {
    hold([&] { message_.append(block_.get() + begin_, count); });
  }
  begin_ = upTo;
}

void MboxReader::appendQuotes(int64_t count) {
  if (counts(count)) hold([&] { message_.append(static_cast<size_t>(count), '>'); });
}

// Counts `count` more bytes of the message; whether they are to be held.
bool MboxReader::counts(int64_t count) {
  messageLength_ += count;
  if (holding_ && messageLength_ > heldAtMost_) {
    holding_ = false;
    message_.clear();
  }
  return holding_;
}

// Memory running out while a message is assembled leaves it measured only,
// to be refused like one too long: the reading goes on after it.
template <class Growth>
void MboxReader::hold(Growth&& growth) {
  try {
    growth();
  } catch (const std::bad_alloc&) {
    holding_ = false;
    outOfMemory_ = true;
    message_ = std::string();
  }
}

// The buffer keeps its room from one message to the next.
void MboxReader::beginMessage(int64_t heldAtMost) {
  message_.clear();
  messageLength_ = 0;
  heldAtMost_ = heldAtMost;
  holding_ = true;
  outOfMemory_ = false;
}

void MboxReader::dropSeparatorLine() {
  if (message_ == "\n" || message_ == "\r\n") {
    message_.clear();
  } else if (EndsWith(message_, "\n\r\n")) {
    message_.resize(message_.size() - 2);
  } else if (EndsWith(message_, "\n\n")) {
    message_.resize(message_.size() - 1);
  }
  messageLength_ = static_cast<int64_t>(message_.size());
}

bool MboxReader::seekTo(int64_t offset) {
  if (!platform::SeekFile(file_.get(), offset)) return false;
  blockOffset_ = offset;
  begin_ = 0;
  end_ = 0;
  endOfFile_ = false;
  return true;
}

MboxReader::Step MboxReader::fail() {
  file_.reset();
  message_.clear();
  messageLength_ = 0;
  return Step::ReadFailed;
}
