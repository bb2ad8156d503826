#include "decoding/html_to_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "decoding/html_entities.h"
#include "runtime/errors.h"
#include "runtime/host_string.h"
#include "runtime/text_reader.h"

namespace {

// Every line break the converter makes is a lone CR, whatever the source used.
constexpr uint32_t kLineBreak = 0x0D;
constexpr uint32_t kTab = 0x09;
// A reference longer than the longest entity name cannot resolve; this also
// bounds how far an unterminated "&" swallows the text after it.
constexpr int64_t kMaxReferenceLength = 8;
constexpr int64_t kMaxHexDigits = 8;
// Lists nested deeper indent no further: the indentation of every item grows
// with its depth, so without a bound a few kilobytes of nested lists would
// ask for gigabytes of text.
constexpr int32_t kDeepestIndentedList = 16;

constexpr const char* kLineBreakOpeningTags[] = {"table", "br", "p",  "h1", "h2",
                                                 "h3",    "h4", "h5", "h6"};
constexpr const char* kLineBreakClosingTags[] = {"tr", "table", "p",  "h1", "h2",
                                                 "h3", "h4",    "h5", "h6"};

bool IsAsciiLetter(uint32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(uint32_t c) { return c >= '0' && c <= '9'; }
// The "C" locale's white space: blank, tab, LF, vertical tab, form feed, CR.
bool IsWhiteSpace(uint32_t c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }
uint32_t AsciiUpper(uint32_t c) { return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c; }

int HexDigitValue(uint32_t c) {
  if (IsAsciiDigit(c)) return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

struct TagName {
  const uint32_t* start;
  int64_t length;

  // Tag names ignore ASCII case only.
  bool Is(const char* word) const {
    for (int64_t i = 0; i < length; ++i) {
      uint32_t letter = static_cast<unsigned char>(word[i]);
      if (letter == 0 || AsciiUpper(start[i]) != AsciiUpper(letter)) return false;
    }
    return word[length] == '\0';
  }

  template <size_t N>
  bool IsOneOf(const char* const (&words)[N]) const {
    for (const char* word : words) {
      if (Is(word)) return true;
    }
    return false;
  }
};

// The most one step writes per character it reads: "<li" deep in a list
// makes a line break, thirty blanks, an asterisk and a blank (33 bytes)
// from three characters. Text and references write at most one code point
// of four UTF-8 bytes for each character they read.
constexpr size_t kMostBytesPerCharacter = 11;
// The few units a last step may write past that count.
constexpr size_t kOutputSlack = 64;

bool IsUnicodeScalar(uint32_t c) { return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF); }

// The converter's output, as UTF-8 (what the host keeps) or as UTF-32 (for
// the rare text that names code points UTF-8 cannot carry, which the host
// converts in its own way). Its room is taken once, for the longest text
// the input can make: pages the text never reaches are never touched, so
// the room costs address space (and on Windows commit charge) but not
// memory, and the text is never copied to grow. The room is not zero-filled first, as a vector's would
// be, so a run of text can be written straight into it.
template <class Unit>
class TextOutput {
 public:
  explicit TextOutput(size_t room) : units_(new Unit[room]), capacity_(room) {}

  const Unit* data() const { return units_.get(); }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  void Append(uint32_t c) {
    Reserve(size_ + kMostUnitsPerCodePoint);
    size_ = static_cast<size_t>(Put(units_.get() + size_, c) - units_.get());
  }

  // Writes `c` at `out` and gives the position after it. A code point that is
  // no Unicode scalar value only reaches UTF-8 output in a text that is then
  // made again as UTF-32, so what stands for it here does not matter.
  static Unit* Put(Unit* out, uint32_t c);
  static constexpr size_t kMostUnitsPerCodePoint = sizeof(Unit) == 1 ? 4 : 1;

  // Room for `count` units in all. Only a text longer than its input can
  // make would need more, so this never copies in practice.
  void Reserve(size_t count) {
    if (count <= capacity_) return;
    const size_t larger = std::max(count, 2 * capacity_);
    std::unique_ptr<Unit[]> moved(new Unit[larger]);
    std::copy(units_.get(), units_.get() + size_, moved.get());
    units_ = std::move(moved);
    capacity_ = larger;
  }

  // Where the next unit goes; Extend counts those written there.
  Unit* end() { return units_.get() + size_; }
  void Extend(size_t written) { size_ += written; }

 private:
  std::unique_ptr<Unit[]> units_;
  size_t size_ = 0;
  size_t capacity_;
};

template <>
uint32_t* TextOutput<uint32_t>::Put(uint32_t* out, uint32_t c) {
  *out = c;
  return out + 1;
}

template <>
uint8_t* TextOutput<uint8_t>::Put(uint8_t* out, uint32_t c) {
  if (c < 0x80) {
    *out = static_cast<uint8_t>(c);
    return out + 1;
  }
  if (!IsUnicodeScalar(c)) c = 0xFFFD;
  if (c < 0x800) {
    out[0] = static_cast<uint8_t>(0xC0 | (c >> 6));
    out[1] = static_cast<uint8_t>(0x80 | (c & 0x3F));
    return out + 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<uint8_t>(0xE0 | (c >> 12));
    out[1] = static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<uint8_t>(0x80 | (c & 0x3F));
    return out + 3;
  }
  out[0] = static_cast<uint8_t>(0xF0 | (c >> 18));
  out[1] = static_cast<uint8_t>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<uint8_t>(0x80 | (c & 0x3F));
  return out + 4;
}

// One pass over NUL-terminated code points. Attributes, comments and anything
// else inside "<" ... ">" are never parsed: the depth count skips them.
template <class Unit>
class HtmlTextScanner {
 public:
  HtmlTextScanner(const uint32_t* text, int64_t count, size_t room)
      : text_(text), end_(count), output_(room) {}

  // Whether the text named a code point that is no Unicode scalar value.
  bool sawNonScalar() const { return sawNonScalar_; }

  TextOutput<Unit> Convert() && {
    int64_t position = 0;
    while (position < end_) {
      // Most characters are ordinary text or lie inside a tag; runs of
      // those take the steps Step would take, in a loop of their own.
      position = depth_ > 0 || HidingContent() ? SkipInsideTag(position) : CopyText(position);
      if (position >= end_) break;
      uint32_t stepStart = text_[position];
      position = Step(position);
      previous_ = stepStart;
    }
    return std::move(output_);
  }

 private:
  bool HidingContent() const { return inStyle_ || inScript_ || inNoscript_; }

  // Inside a tag or hidden content only "<" and ">" change anything.
  int64_t SkipInsideTag(int64_t position) {
    while (position < end_) {
      const uint32_t c = text_[position];
      if (c == '<' || c == '>') break;
      previous_ = c;
      ++position;
    }
    return position;
  }

  // Ordinary text up to the next character Step treats specially. A run
  // emits at most one code point per character it reads, so it is written
  // straight into room taken for the rest of the text, with its state in
  // locals.
  int64_t CopyText(int64_t position) {
    output_.Reserve(output_.size() +
                    static_cast<size_t>(end_ - position) * TextOutput<Unit>::kMostUnitsPerCodePoint);
    Unit* const first = output_.end();
    Unit* out = first;
    uint32_t previous = previous_;
    const int64_t start = position;
    while (position < end_) {
      const uint32_t c = text_[position];
      if (c == '<' || c == '>' || c == '&' || c == '\n' || c == '\r') break;
      if (c < 0x80) {
        if (!(IsWhiteSpace(c) && IsWhiteSpace(previous))) *out++ = static_cast<Unit>(c);
      } else {
        if (!IsUnicodeScalar(c)) sawNonScalar_ = true;
        out = TextOutput<Unit>::Put(out, c);
      }
      previous = c;
      ++position;
    }
    output_.Extend(static_cast<size_t>(out - first));
    if (position > start) {
      atLineStart_ = false;
      previous_ = previous;
    }
    return position;
  }

  int64_t Step(int64_t position) {
    uint32_t c = text_[position];
    if (c == '\n' || c == '\r') {
      // Source line breaks only count inside "pre"; elsewhere they vanish
      // without even leaving a blank.
      if (depth_ == 0 && !HidingContent() && inPre_) EmitLineBreak();
      return position + 1;
    }
    if (c == '>') {
      if (depth_ > 0) --depth_;
      return position + 1;
    }
    if (c == '<') {
      ++depth_;
      if (text_[position + 1] == '/') return HandleClosingTag(position);
      return HandleOpeningTag(position);
    }
    if (depth_ > 0 || HidingContent()) return position + 1;
    if (c == '&') return HandleReference(position);
    return HandleText(position);
  }

  // Collapses white space against the previous step, which may have been a
  // source line break, a tag's ">" or a reference's "&"; "pre" collapses too.
  int64_t HandleText(int64_t position) {
    uint32_t c = text_[position];
    if (!(IsWhiteSpace(c) && IsWhiteSpace(previous_))) Emit(c);
    atLineStart_ = false;
    return position + 1;
  }

  TagName ReadTagName(int64_t start) const {
    int64_t end = start;
    if (IsAsciiLetter(text_[end])) {
      ++end;
      while (IsAsciiLetter(text_[end]) || IsAsciiDigit(text_[end])) ++end;
    }
    return TagName{text_ + start, end - start};
  }

  int64_t HandleClosingTag(int64_t position) {
    TagName name = ReadTagName(position + 2);
    int64_t afterName = position + 2 + name.length;
    if (name.Is("script")) {
      inScript_ = false;
      return afterName;
    }
    // Inside a script only its own closing tag counts; "<" there must not
    // leave the depth raised, or the text after the script would vanish.
    if (inScript_) {
      depth_ = 0;
      return afterName + 1;
    }
    if (name.Is("noscript")) {
      inNoscript_ = false;
    } else if (name.Is("style")) {
      inStyle_ = false;
    } else if (name.Is("ul") || name.Is("ol")) {
      if (listLevel_ > 0) --listLevel_;
    } else if (name.Is("pre")) {
      inPre_ = false;
      EmitLineBreak();
    } else if (name.IsOneOf(kLineBreakClosingTags)) {
      EmitLineBreak();
    }
    return afterName;
  }

  int64_t HandleOpeningTag(int64_t position) {
    if (inScript_) {
      depth_ = 0;
      return position + 2;
    }
    TagName name = ReadTagName(position + 1);
    if (name.Is("li")) {
      if (!atLineStart_) Emit(kLineBreak);
      const int32_t indentedLevel = std::min(listLevel_, kDeepestIndentedList);
      for (int32_t blank = 0; blank < 2 * (indentedLevel - 1); ++blank) Emit(' ');
      Emit('*');
      Emit(' ');
      atLineStart_ = false;
    } else if (name.Is("style")) {
      inStyle_ = true;
    } else if (name.Is("script")) {
      inScript_ = true;
    } else if (name.Is("noscript")) {
      inNoscript_ = true;
    } else if (name.Is("pre")) {
      inPre_ = true;
    } else if (name.Is("ul") || name.Is("ol")) {
      ++listLevel_;
    } else if (name.Is("td")) {
      if (!atLineStart_) Emit(kTab);
    } else if (name.IsOneOf(kLineBreakOpeningTags)) {
      EmitLineBreak();
    }
    return position + 1 + name.length;
  }

  // The character reference at "&". Whatever it resolves to, the scan goes on
  // past the counted name and one more character, normally its ";".
  int64_t HandleReference(int64_t position) {
    const uint32_t* name = text_ + position + 1;
    int64_t length = 0;
    while (length < kMaxReferenceLength && name[length] != ';' && name[length] != 0) ++length;
    if (length == 0) return HandleText(position);
    int64_t afterReference = position + length + 2;

    uint32_t named = FindHtmlEntity(name, static_cast<size_t>(length));
    if (named != 0) {
      Emit(named);
      atLineStart_ = false;
      return afterReference;
    }
    if (name[0] == '#') {
      int32_t value = NumericReferenceValue(name + 1);
      if (value <= 0) return HandleText(position);
      // Emitted unchecked: the host's UTF-32 conversion deals with surrogates
      // and values beyond Unicode.
      if (!IsUnicodeScalar(static_cast<uint32_t>(value))) sawNonScalar_ = true;
      Emit(static_cast<uint32_t>(value));
      atLineStart_ = false;
      return afterReference;
    }
    atLineStart_ = false;
    return afterReference;
  }

  // The digits after "&#": hexadecimal after a lower-case "x" (at most eight
  // characters), decimal otherwise, with wrap-around 32-bit arithmetic. A "-"
  // anywhere among the digits makes the value negative, and so rejected.
  static int32_t NumericReferenceValue(const uint32_t* digits) {
    uint32_t value = 0;
    bool negative = false;
    if (digits[0] == 'x') {
      for (int64_t i = 1; i <= kMaxHexDigits; ++i) {
        if (digits[i] == '-') {
          negative = true;
          continue;
        }
        int digit = HexDigitValue(digits[i]);
        if (digit < 0) break;
        value = value * 16 + static_cast<uint32_t>(digit);
      }
    } else {
      for (const uint32_t* c = digits;; ++c) {
        if (*c == '-') {
          negative = true;
          continue;
        }
        if (!IsAsciiDigit(*c)) break;
        value = value * 10 + (*c - '0');
      }
    }
    return static_cast<int32_t>(negative ? 0u - value : value);
  }

  void Emit(uint32_t c) { output_.Append(c); }
  void EmitLineBreak() {
    Emit(kLineBreak);
    atLineStart_ = true;
  }

  const uint32_t* text_;
  int64_t end_;
  TextOutput<Unit> output_;
  bool sawNonScalar_ = false;

  int32_t depth_ = 0;
  int32_t listLevel_ = 0;
  bool inStyle_ = false;
  bool inScript_ = false;
  bool inNoscript_ = false;
  bool inPre_ = false;
  // A list item or table cell at the start of a line needs no separator.
  bool atLineStart_ = true;
  uint32_t previous_ = 0;
};

// Counts the code points of UTF-8 text: every byte but the continuations.
size_t CountCodePoints(const uint8_t* bytes, size_t length) {
  size_t count = 0;
  for (size_t i = 0; i < length; ++i) count += (bytes[i] & 0xC0) != 0x80;
  return count;
}

}  // namespace

HostString HTMLToPlainText(REALstring html) {
  if (html == nullptr) return HostString();
  // The text is written as UTF-8, the form the host keeps, so that the host
  // copies it once and converts nothing; the code points of the input are
  // given back before it does.
  std::optional<HostTextReader> reader;
  reader.emplace(html);
  const uint32_t* codePoints = reader->UTF32();
  const int64_t count = reader->UTF32Length();
  HtmlTextScanner<uint8_t> scanner(codePoints, count,
                                   static_cast<size_t>(count) * kMostBytesPerCharacter + kOutputSlack);
  TextOutput<uint8_t> text = std::move(scanner).Convert();
  if (text.empty()) return HostString();
  if (!scanner.sawNonScalar()) {
    reader.reset();
    return BuildHostString(text.data(), static_cast<int64_t>(text.size()), kREALTextEncodingUTF8);
  }
  // Surrogates and values beyond Unicode go to the host as they are, in
  // UTF-32, for it to convert as it converts them elsewhere.
  const size_t codePointCount = CountCodePoints(text.data(), text.size());
  text = TextOutput<uint8_t>(0);
  TextOutput<uint32_t> wide =
      HtmlTextScanner<uint32_t>(codePoints, count, codePointCount + kOutputSlack).Convert();
  reader.reset();
  return BuildHostString(wide.data(), static_cast<int64_t>(wide.size() * sizeof(uint32_t)),
                         kREALTextEncodingUTF32);
}

// Host code may hand over a document of any size; running out of memory on it
// must reach host code as an exception, not unwind into the host.
REALstring HTMLToPlainTextMethod(REALstring html) {
  return RunGuarded<REALstring>(nullptr, [&] { return HTMLToPlainText(html).release(); });
}
