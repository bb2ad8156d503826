// Splitting an mbox file into its messages, one at a time. The file is read
// in large blocks and each message is assembled in one buffer that is reused,
// so memory follows the largest message rather than the file.
//
// A message runs from the line after its envelope line ("From " at the start
// of a line) to the line break before the next envelope line or the end of
// the file; the blank line a writer puts after each message belongs to none.
// A line quoted as ">From ", ">>From " ... loses one '>'. Line ends are kept
// as the file has them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

class MboxReader {
 public:
  enum class Start { Mbox, NotMbox, ReadFailed };
  enum class Step { Message, TooLong, End, ReadFailed };

  // The message buffer's room at the start. A message that outgrows the
  // room is measured first and read again into room made once for it, so
  // the buffer is never grown step by step, and one longer than the parser
  // takes is refused without being held.
  static constexpr size_t kInitialRoom = size_t{1} << 20;

  // Takes over `file`, open for binary reading at its start. Messages of more
  // than `longestMessage` bytes, and those memory runs out for, come back as
  // TooLong.
  MboxReader(FILE* file, int64_t longestMessage, size_t initialRoom = kInitialRoom);
  ~MboxReader();
  MboxReader(const MboxReader&) = delete;
  MboxReader& operator=(const MboxReader&) = delete;

  // Passes over blank lines up to the first envelope line, which must come
  // first; an empty file, or one of blank lines only, holds no message.
  Start start();
  // The next message (message()), or why there is none. After a read
  // failure the file is closed and every later step is End.
  Step next();

  // The bytes of the message of the last Message step.
  std::string_view message() const { return message_; }
  // Its length, also after TooLong.
  int64_t messageLength() const { return messageLength_; }
  // The bytes of the file consumed so far.
  int64_t position() const { return blockOffset_ + static_cast<int64_t>(begin_); }

 private:
  struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
  };

  bool fill(size_t wanted);
  bool skipLine();
  bool skipBlankLine(bool& blank);
  bool readLines();
  bool readQuoteRun();
  bool readToNextLineStart();
  void take(size_t upTo);
  void appendQuotes(int64_t count);
  bool counts(int64_t count);
  template <class Growth>
  void hold(Growth&& growth);
  void beginMessage(int64_t heldAtMost);
  void dropSeparatorLine();
  bool seekTo(int64_t offset);
  Step fail();

  std::unique_ptr<FILE, FileCloser> file_;
  std::unique_ptr<char[]> block_;
  size_t begin_ = 0;          // the unread bytes of block_ run from here ...
  size_t end_ = 0;            // ... to here
  int64_t blockOffset_ = 0;   // the file offset of block_[0]
  bool endOfFile_ = false;
  const int64_t longestMessage_;
  std::string message_;
  int64_t messageLength_ = 0;
  int64_t heldAtMost_ = 0;    // beyond this the message is only counted
  bool holding_ = true;
  bool outOfMemory_ = false;
};
