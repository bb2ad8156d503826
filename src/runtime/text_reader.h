// HostTextReader: one host string read as NUL-terminated UTF-8, UTF-16 or UTF-32.
// Each form is produced on first request and lives until the reader is
// destroyed. Pure-ASCII text is read in place; UTF-8 and ASCII sources are
// converted by us, other encodings by the host (PluginGetStringData).
#pragma once

#include <cstdint>

#include "runtime/host_ref.h"

class HostTextReader {
 public:
  explicit HostTextReader(REALstring source);  // nil reads as empty ASCII
  ~HostTextReader();                           // the release: everything given back
  HostTextReader(const HostTextReader&) = delete;
  HostTextReader& operator=(const HostTextReader&) = delete;

  const char* UTF8();
  int64_t UTF8Length();
  const uint16_t* UTF16();
  int64_t UTF16Length();
  const uint32_t* UTF32();
  int64_t UTF32Length();

 private:
  struct Form {
    int64_t length;       // units, without terminator; -1 = not yet produced
    const void* data;     // never null
    void* ownedBuffer;    // GlobalHeapAlloc block the data lies in, or null
    StringData hostData;  // what PluginGetStringData filled in
    bool holdsHostData;
  };
  enum Mode : uint32_t { kOther = 0, kAscii = 1, kUnexamined = 2, kNeedsConversion = 3 };

  void RebuildAsWindowsLatin1();
  void CheckAscii();
  void FetchHostData(Form& form, HostEncoding encoding, int64_t unitSize);
  void ProduceUTF8();
  void ProduceUTF16();
  void ProduceUTF32();
  void ConvertUTF16ToUTF32();

  template <class Unit>
  static void MakeEmpty(Form& form);
  static void AdoptBuffer(Form& form, void* buffer, int64_t length);
  template <class Unit>
  static void EnsureTerminated(Form& form);
  template <class Unit>
  static void WidenBytes(Form& form, const Form& bytes);
  template <class Unit>
  void DecodeUTF8Into(Form& form);
  template <class Unit>
  static void FinishWideForm(Form& form, const char* lengthMessage);

  uint64_t frontGuard_;
  HostString source_;
  uint32_t sourceEncoding_ = kREALTextEncodingASCII;
  uint32_t mode_ = kAscii;
  Form utf8_{}, utf16_{}, utf32_{};
  bool preferOwnConversion_ = false;
  uint64_t backGuard_;
};
