// Reading a TNEF stream (the winmail.dat Outlook sends in place of a
// message's real attachments) into plain byte strings: the message's texts
// and the files it carries. Nothing here touches the host.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A text as the stream holds it: UTF-16LE for a Unicode property, else bytes
// in `codePage` (a Windows code page number; 0 when the stream names none).
struct TnefText {
  std::string bytes;
  bool utf16 = false;
  uint32_t codePage = 0;
};

struct TnefFile {
  TnefText longName;
  TnefText shortName;
  TnefText mimeTag;
  TnefText contentId;
  // The file's bytes, or for an attached message the TNEF stream that holds
  // it: a view into the stream read, valid as long as that is.
  std::string_view data;
};

struct TnefContents {
  TnefText subject;
  TnefText body;
  TnefText html;
  // Decompressed; empty when there is none or it cannot be read.
  std::string rtf;
  // In stream order; the files of an attached message follow the message.
  std::vector<TnefFile> files;
};

enum class TnefStatus { kRead, kNoSignature, kTruncated };

// Attached messages deeper than this keep their own place in the list but
// give no files of their own, as MIME parts stop at the same depth.
constexpr int kDeepestTnefNesting = 64;

// Reads `stream` into `contents`. Every length and count is checked against
// the bytes left before it is used, so a damaged stream ends with
// kTruncated, never a read past its end or an allocation it cannot fill.
TnefStatus ReadTnef(std::string_view stream, TnefContents& contents);
