#include "decoding/encoded_words.h"

#include <string>

#include <mimetic/codec/base64.h>

#include "decoding/charsets.h"
#include "decoding/format_switch.h"
#include "runtime/errors.h"
#include "runtime/host_string.h"
#include "runtime/text_reader.h"

namespace {

// The delimiters of a word alone take six bytes; shorter texts are taken as
// they stand even when they look like the start of a word.
constexpr size_t kShortestDecodableText = 7;

int HexDigitValue(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  return 0;  // a broken escape still yields a byte rather than losing the rest
}

std::string DecodeQText(std::string_view encodedText) {
  std::string decodedBytes;
  decodedBytes.reserve(encodedText.size() + 8);
  for (size_t i = 0; i < encodedText.size(); ++i) {
    char c = encodedText[i];
    if (c == '_') {
      decodedBytes += ' ';
    } else if (c == '=') {
      int high = i + 1 < encodedText.size() ? HexDigitValue(encodedText[i + 1]) : 0;
      int low = i + 2 < encodedText.size() ? HexDigitValue(encodedText[i + 2]) : 0;
      decodedBytes += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      decodedBytes += c;
    }
  }
  return decodedBytes;
}

// Same codec as the body decoder, so words and bodies treat stray or missing
// base64 characters alike; its range form writes into room for the longest
// result, with no stream in between.
std::string DecodeBase64Text(std::string_view encodedText) {
  std::string decoded(encodedText.size() / 4 * 3 + 3, '\0');
  mimetic::Base64::Decoder decoder;
  const char* text = encodedText.data();
  const char* end = decoder.process(text, text + encodedText.size(), decoded.data());
  decoded.resize(static_cast<size_t>(end - decoded.data()));
  return decoded;
}

// Display names arrive as "Name" or 'Name' (sometimes "'Name'"); trailing
// blanks are left alone, so "Name" followed by a blank keeps its quotes.
// Only shortens in place, so nothing here can fail.
std::string StripQuotes(std::string text) {
  size_t leadingBlanks = text.find_first_not_of(' ');
  text.erase(0, leadingBlanks == std::string::npos ? text.size() : leadingBlanks);
  if (text.size() <= 2) return text;

  auto enclosedIn = [&text](char quote) { return text.front() == quote && text.back() == quote; };
  auto unwrap = [&text]() {
    text.pop_back();
    text.erase(0, 1);
  };
  if (enclosedIn('"')) {
    unwrap();
    if (text.size() > 2 && enclosedIn('\'')) unwrap();
  } else if (enclosedIn('\'')) {
    unwrap();
  }
  return text;
}

// The text as it came, for texts we cannot or need not decode.
HostString Fallback(std::string_view text, bool unquote) {
  if (!unquote) return BuildHostStringAuto(text);
  return BuildHostStringAuto(std::string_view(StripQuotes(std::string(text))));
}

struct EncodedWord {
  std::string_view charset;
  char encoding = 0;  // 'B', 'Q' (either case) or 0 for none
  std::string_view encodedText;
};

// Reads one word starting at the "=?" at `position` and leaves `position` on
// the byte the scan skips next (normally the closing "=").
class WordReader {
 public:
  WordReader(std::string_view text, size_t& position) : text_(text), position_(position) {}

  EncodedWord Read() {
    EncodedWord word;
    position_ += 2;
    word.charset = ReadUpToQuestionMark();
    if (!AtEnd()) {
      char letter = text_[position_];
      if (letter == 'B' || letter == 'b' || letter == 'Q' || letter == 'q') word.encoding = letter;
      ++position_;
      if (!AtEnd() && text_[position_] == '?') ++position_;
    }
    word.encodedText = ReadUpToQuestionMark();
    // One blank between two adjacent words is not part of the text.
    if (ByteAt(position_) == '=' && ByteAt(position_ + 1) == ' ' && ByteAt(position_ + 2) == '=')
      ++position_;
    return word;
  }

 private:
  bool AtEnd() const { return position_ >= text_.size() || text_[position_] == '\0'; }
  char ByteAt(size_t index) const { return index < text_.size() ? text_[index] : '\0'; }

  std::string_view ReadUpToQuestionMark() {
    size_t start = position_;
    while (!AtEnd() && text_[position_] != '?') ++position_;
    std::string_view piece = text_.substr(start, position_ - start);
    if (!AtEnd()) ++position_;
    return piece;
  }

  std::string_view text_;
  size_t& position_;
};

std::string DecodeWordText(const EncodedWord& word) {
  switch (word.encoding) {
    case 'B':
    case 'b':
      return DecodeBase64Text(word.encodedText);
    case 'Q':
    case 'q':
      return DecodeQText(word.encodedText);
    default:
      return std::string(word.encodedText);
  }
}

}  // namespace

HostString DecodeEncodedWords(std::string_view text, bool unquote) {
  if (text.empty()) return HostString();
  if (text.size() < kShortestDecodableText || text[0] == '\0') return Fallback(text, unquote);

  std::string output;
  std::string currentCharset;
  size_t position = 0;
  while (position < text.size() && text[position] != '\0') {
    bool startsWord = text[position] == '=' && position + 1 < text.size() && text[position + 1] == '?';
    if (!startsWord) {
      output += text[position++];
      continue;
    }
    EncodedWord word = WordReader(text, position).Read();
    output += DecodeWordText(word);
    if (!word.charset.empty()) currentCharset = word.charset;
    ++position;
  }

  // One charset for the whole text, the last one a word named: plain 8-bit
  // bytes between the words have no charset of their own.
  if (currentCharset.empty()) return Fallback(text, unquote);
  HostEncoding encoding = CharsetToEncoding(currentCharset);
  if (encoding == kREALTextEncodingUnknown) {
    if (FormatExceptionsEnabled()) {
      std::string message = "Unhandled encoding: " + currentCharset;
      RaiseException("UnsupportedFormatException", message.c_str());
    }
    return Fallback(text, unquote);
  }
  if (unquote) output = StripQuotes(std::move(output));
  return CTextToHostString(output.c_str(), encoding);
}

HostString DecodeExtendedValue(std::string_view value) {
  if (value.empty()) return HostString();
  // Too short for a charset, the two apostrophes and any text.
  if (value.size() < 5) return BuildHostStringAuto(value);

  size_t apostrophes = value.find("''");
  if (apostrophes == std::string_view::npos) return BuildHostStringAuto(value);
  HostEncoding encoding = CharsetToEncoding(value.substr(0, apostrophes));
  if (encoding == kREALTextEncodingUnknown) return BuildHostStringAuto(value);
  std::string afterCharset(value.substr(apostrophes + 2));
  return CTextToHostString(afterCharset.c_str(), encoding);
}

// A shared method: running out of memory on host code's text must reach host
// code as an exception, not unwind into the host.
REALstring DecodeInline(REALstring text) {
  if (text == nullptr) return nullptr;
  return RunGuarded<REALstring>(nullptr, [&] {
    HostTextReader reader(text);
    return DecodeEncodedWords(std::string_view(reader.UTF8()), false).release();
  });
}
