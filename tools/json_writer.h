// A small streaming JSON writer for the tools: pretty-printed, two blanks per
// level, and always valid UTF-8 out (bytes that are not become U+FFFD).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

// Length of the well-formed UTF-8 sequence at text[at], or 0 if there is none.
inline size_t UTF8SequenceLength(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint32_t lowestCodePoint = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    lowestCodePoint = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    lowestCodePoint = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    lowestCodePoint = 0x10000;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  uint32_t codePoint = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(at + i) & 0x3F);
  }
  const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  if (codePoint < lowestCodePoint || codePoint > 0x10FFFF || surrogate) return 0;
  return length;
}

// The longest prefix of `text` of at most `limit` bytes that does not cut a
// UTF-8 sequence in two.
inline std::string_view UTF8Prefix(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t end = 0;
  while (end < text.size()) {
    const size_t length = std::max<size_t>(UTF8SequenceLength(text, end), 1);
    if (end + length > limit) break;
    end += length;
  }
  return text.substr(0, end);
}

// `text` as a JSON string literal, quotes included.
inline std::string JsonQuoted(std::string_view text) {
  std::string quoted = "\"";
  for (size_t at = 0; at < text.size();) {
    const unsigned char byte = static_cast<unsigned char>(text[at]);
    const size_t length = UTF8SequenceLength(text, at);
    if (length == 0) {
      quoted += "\xEF\xBF\xBD";
      ++at;
      continue;
    }
    if (length > 1) {
      quoted.append(text.substr(at, length));
      at += length;
      continue;
    }
    switch (byte) {
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      case '\n': quoted += "\\n"; break;
      case '\r': quoted += "\\r"; break;
      case '\t': quoted += "\\t"; break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          quoted += escaped;
        } else {
          quoted += static_cast<char>(byte);
        }
    }
    ++at;
  }
  quoted += '"';
  return quoted;
}

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  // A compact object or array is written on one line, and so is everything
  // inside it: for small records such as one string with its encoding.
  void beginObject(bool compact = false) { open('{', compact); }
  void endObject() { close('}'); }
  void beginArray(bool compact = false) { open('[', compact); }
  void endArray() { close(']'); }

  void key(std::string_view name) {
    separate();
    out_ << JsonQuoted(name) << ": ";
    afterKey_ = true;
  }
  void string(std::string_view text) { scalar(JsonQuoted(text)); }
  void integer(int64_t value) { scalar(std::to_string(value)); }
  void real(double value) {
    char formatted[40];
    std::snprintf(formatted, sizeof formatted, "%.17g", value);
    scalar(formatted);
  }
  void boolean(bool value) { scalar(value ? "true" : "false"); }
  void null() { scalar("null"); }

  // Ends the document with a line end.
  void finish() { out_ << '\n'; }

 private:
  struct Scope {
    bool hasItems;
    bool compact;
  };

  void separate() {
    if (afterKey_) {
      afterKey_ = false;
      return;
    }
    if (scopes_.empty()) return;
    Scope& scope = scopes_.back();
    if (scope.hasItems) out_ << (scope.compact ? ", " : ",");
    scope.hasItems = true;
    if (!scope.compact) out_ << '\n' << std::string(2 * scopes_.size(), ' ');
  }
  void scalar(std::string_view literal) {
    separate();
    out_ << literal;
  }
  void open(char bracket, bool compact) {
    separate();
    out_ << bracket;
    const bool insideCompact = !scopes_.empty() && scopes_.back().compact;
    scopes_.push_back({false, compact || insideCompact});
  }
  void close(char bracket) {
    const Scope scope = scopes_.back();
    scopes_.pop_back();
    if (scope.hasItems && !scope.compact) out_ << '\n' << std::string(2 * scopes_.size(), ' ');
    out_ << bracket;
  }

  std::ostream& out_;
  std::vector<Scope> scopes_;
  bool afterKey_ = false;
};

}  // namespace tools
