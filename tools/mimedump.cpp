// mimedump: loads the plugin into the host emulator, builds a MimeEmailZQV the
// way Xojo code would, and prints what host code would then see as JSON: every
// property of the message, the tree of objects below it, and every host
// exception raised on the way. Ends with a non-zero status when the plugin
// left a host reference alive.
//
//   mimedump [--plugin PATH] [--as string|memoryblock|file] [--full] FILE|-

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "host.h"
#include "json_writer.h"
#include "plugin_declarations.h"
#include "utf8_arguments.h"

namespace {

using tools::JsonWriter;

// Texts longer than this are cut (at a character boundary) unless --full.
constexpr size_t kShortTextLimit = 400;

const char* const kUsage =
    "usage: mimedump [--plugin PATH] [--as string|memoryblock|file] [--full] FILE|-\n"
    "  FILE  a message file, handed over as a FolderItem unless --as says otherwise\n"
    "  -     the message on standard input, handed over as a string\n";

struct Options {
  std::string pluginPath = ZQV_PLUGIN_FILE;
  std::string input;
  std::string constructAs;  // "string", "memoryblock" or "file"
  bool fullTexts = false;
};

std::optional<Options> ParseArguments(const std::vector<std::string>& arguments) {
  Options options;
  const size_t count = arguments.size();
  for (size_t i = 1; i < count; ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--plugin" && i + 1 < count) {
      options.pluginPath = arguments[++i];
    } else if (argument == "--as" && i + 1 < count) {
      options.constructAs = arguments[++i];
    } else if (argument == "--full") {
      options.fullTexts = true;
    } else if (options.input.empty() && (argument == "-" || argument.rfind("--", 0) != 0)) {
      options.input = argument;
    } else {
      return std::nullopt;
    }
  }
  if (options.input.empty()) return std::nullopt;
  if (options.constructAs.empty()) options.constructAs = options.input == "-" ? "string" : "file";
  if (options.constructAs != "string" && options.constructAs != "memoryblock" &&
      options.constructAs != "file") {
    return std::nullopt;
  }
  if (options.input == "-" && options.constructAs == "file") return std::nullopt;
  return options;
}

std::string EncodingName(uint32_t encoding) {
  switch (encoding) {
    case kREALTextEncodingMacRoman: return "MacRoman";
    case kREALTextEncodingUTF16: return "UTF-16";
    case kREALTextEncodingISOLatin1: return "ISO-8859-1";
    case kREALTextEncodingWindowsLatin1: return "Windows-1252";
    case kREALTextEncodingASCII: return "ASCII";
    case kREALTextEncodingUnknown: return "Unknown";
    case kREALTextEncodingUTF8: return "UTF-8";
    case kREALTextEncodingUTF32: return "UTF-32";
  }
  if (encoding > kREALTextEncodingISOLatin1 && encoding <= 0x0210) {
    return "ISO-8859-" + std::to_string(encoding - 0x0200);
  }
  char number[16];
  std::snprintf(number, sizeof number, "0x%08X", encoding);
  return number;
}

class Dumper {
 public:
  Dumper(emu::Host& host, JsonWriter& json, bool fullTexts)
      : host_(host), json_(json), fullTexts_(fullTexts) {}

  void email(const emu::Obj& message) {
    if (message.isNil()) {
      json_.null();
      return;
    }
    json_.beginObject();
    for (const char* name : {"Subject", "PlainText", "HTMLText"}) {
      json_.key(name);
      text(get(message, name).str(), false);
    }
    json_.key("Source");
    text(get(message, "Source").str(), !fullTexts_);
    for (const char* name : {"Date", "ReceivedDate"}) {
      json_.key(name);
      object(get(message, name).obj());
    }
    const emu::Obj attachments = call(message, "Attachments as MimeAttachmentZQV()").obj();
    const emu::Obj inlines = call(message, "Inlines as MimeAttachmentZQV()").obj();
    json_.key("Attachments");
    array(attachments);
    json_.key("Inlines");
    array(inlines);
    // The Variant properties hand out the very arrays of the two methods.
    json_.key("AttachmentsVariant");
    sameArray(get(message, "AttachmentsVariant").obj(), attachments, "Attachments()");
    json_.key("InlinesVariant");
    sameArray(get(message, "InlinesVariant").obj(), inlines, "Inlines()");
    entityMembers(message);
    json_.endObject();
  }

  void exceptionsSoFar() {
    json_.beginArray();
    for (const auto& [during, raised] : exceptions_) {
      json_.beginObject();
      json_.key("during");
      json_.string(during);
      json_.key("class");
      json_.string(raised.className);
      json_.key("message");
      json_.string(raised.message);
      json_.key("ErrorNumber");
      json_.integer(raised.errorNumber);
      json_.endObject();
    }
    json_.endArray();
  }

  // Notes what the last host call raised, if anything.
  void noteException(const std::string& during) {
    if (std::optional<emu::RaisedException> raised = host_.takeException()) {
      exceptions_.emplace_back(during, *raised);
    }
  }

 private:
  emu::Value get(const emu::Obj& object, const std::string& property) {
    emu::Value value = host_.get(object, property);
    noteException(object.className() + "." + property);
    return value;
  }
  emu::Value call(const emu::Obj& object, const std::string& declaration) {
    emu::Value value = host_.call(object, declaration);
    noteException(object.className() + "." + declaration);
    return value;
  }

  // A host string as {"text", "encoding", "bytes"}; the text is what host code
  // would read after converting the string to UTF-8.
  void text(const emu::Str& value, bool shorten) {
    if (value.isNil()) {
      json_.null();
      return;
    }
    const std::string bytes = value.bytes();
    const uint32_t encoding = value.encoding();
    bool converted = false;
    std::string utf8;
    if (encoding != kREALTextEncodingUnknown) {
      utf8 = emu::Host::convert(bytes, encoding, kREALTextEncodingUTF8, &converted);
    }
    if (!converted) utf8 = bytes;  // shown as UTF-8 where it is, U+FFFD elsewhere
    json_.beginObject(true);
    json_.key("text");
    const std::string_view shown = shorten ? tools::UTF8Prefix(utf8, kShortTextLimit) : utf8;
    json_.string(shown);
    if (shown.size() < utf8.size()) {
      json_.key("shortened");
      json_.boolean(true);
    }
    json_.key("encoding");
    json_.string(EncodingName(encoding));
    json_.key("bytes");
    json_.integer(static_cast<int64_t>(bytes.size()));
    json_.endObject();
  }

  void array(const emu::Obj& elements) {
    if (elements.isNil()) {
      json_.null();
      return;
    }
    json_.beginArray();
    const int64_t upperBound = host_.ubound(elements);
    for (int64_t index = 0; index <= upperBound; ++index) object(host_.element(elements, index));
    json_.endArray();
  }

  void sameArray(const emu::Obj& variant, const emu::Obj& fromMethod, const char* methodName) {
    if (variant.isNil() || variant.get() != fromMethod.get()) {
      array(variant);
      return;
    }
    json_.beginObject(true);
    json_.key("sameArrayAs");
    json_.string(methodName);
    json_.endObject();
  }

  // An object by its class; classes without their own dump show their name.
  void object(const emu::Obj& value) {
    if (value.isNil()) {
      json_.null();
      return;
    }
    const std::string className = value.className();
    static const std::map<std::string, void (Dumper::*)(const emu::Obj&)> dumps = {
        {"Date", &Dumper::date},
        {"MimeEntityZQV", &Dumper::entity},
        {"MimeHeaderZQV", &Dumper::header},
        {"MimeBodyZQV", &Dumper::body},
        {"MimeFieldZQV", &Dumper::field},
        {"MimeAddressListZQV", &Dumper::addressList},
        {"MimeAddressZQV", &Dumper::address},
        {"MimeGroupZQV", &Dumper::group},
        {"MimeMailboxListZQV", &Dumper::mailboxList},
        {"MimeMailboxZQV", &Dumper::mailbox},
        {"MimeAttachmentZQV", &Dumper::attachment},
    };
    const auto found = dumps.find(className);
    if (found != dumps.end()) {
      (this->*found->second)(value);
      return;
    }
    json_.beginObject(true);
    json_.key("class");
    json_.string(className);
    json_.endObject();
  }

  void date(const emu::Obj& value) {
    char shown[64];
    std::snprintf(shown, sizeof shown, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                  static_cast<long long>(host_.integerProperty(value, "Year")),
                  static_cast<long long>(host_.integerProperty(value, "Month")),
                  static_cast<long long>(host_.integerProperty(value, "Day")),
                  static_cast<long long>(host_.integerProperty(value, "Hour")),
                  static_cast<long long>(host_.integerProperty(value, "Minute")),
                  static_cast<long long>(host_.integerProperty(value, "Second")));
    json_.beginObject(true);
    json_.key("class");
    json_.string("Date");
    json_.key("shows");
    json_.string(shown);
    json_.key("TotalSeconds");
    json_.real(host_.doubleProperty(value, "TotalSeconds"));
    json_.endObject();
  }

  // The members a MimeEmailZQV inherits from MimeEntityZQV.
  void entityMembers(const emu::Obj& value) {
    json_.key("BodyDecoded");
    text(get(value, "BodyDecoded").str(), !fullTexts_);
    json_.key("Header");
    object(get(value, "Header").obj());
    json_.key("Body");
    object(get(value, "Body").obj());
  }

  void entity(const emu::Obj& value) {
    json_.beginObject();
    json_.key("class");
    json_.string("MimeEntityZQV");
    entityMembers(value);
    json_.endObject();
  }

  void header(const emu::Obj& value) {
    json_.beginObject();
    json_.key("class");
    json_.string("MimeHeaderZQV");
    for (const char* name :
         {"MimeVersion", "ContentType", "ContentTransferEncoding",
          "ContentTransferEncodingMechanism", "ContentDisposition", "ContentDescription",
          "contentId", "subject", "subjectDecoded", "messageid"}) {
      json_.key(name);
      text(get(value, name).str(), false);
    }
    for (const char* name : {"sender", "from", "too", "replyto", "cc", "bcc"}) {
      json_.key(name);
      object(get(value, name).obj());
    }
    json_.key("Fields");
    array(call(value, "Fields as MimeFieldZQV()").obj());
    json_.endObject();
  }

  void body(const emu::Obj& value) {
    json_.beginObject();
    json_.key("class");
    json_.string("MimeBodyZQV");
    json_.key("StringValue");
    text(get(value, "StringValue").str(), !fullTexts_);
    json_.key("preamble");
    text(get(value, "preamble").str(), !fullTexts_);
    json_.key("epilogue");
    text(get(value, "epilogue").str(), !fullTexts_);
    json_.key("Parts");
    array(call(value, "Parts as MimeEntityZQV()").obj());
    json_.endObject();
  }

  // A list's elements as its indexed method hands them out, after its Count.
  void counted(const emu::Obj& list, const char* itemDeclaration) {
    const int64_t count = get(list, "Count").integer();
    json_.key("Count");
    json_.integer(count);
    json_.key("items");
    json_.beginArray();
    for (int64_t index = 0; index < count; ++index) {
      object(host_.call(list, itemDeclaration, {index}).obj());
      noteException(list.className() + "." + itemDeclaration);
    }
    json_.endArray();
  }

  void addressList(const emu::Obj& value) {
    json_.beginObject();
    json_.key("class");
    json_.string("MimeAddressListZQV");
    json_.key("StringValue");
    text(get(value, "StringValue").str(), false);
    counted(value, "Addresses(index as Integer) as MimeAddressZQV");
    json_.endObject();
  }

  void address(const emu::Obj& value) {
    json_.beginObject();
    json_.key("class");
    json_.string("MimeAddressZQV");
    json_.key("isGroup");
    json_.boolean(get(value, "isGroup").boolean());
    json_.key("StringValue");
    text(get(value, "StringValue").str(), false);
    json_.key("Mailbox");
    object(get(value, "Mailbox").obj());
    json_.key("Group");
    object(get(value, "Group").obj());
    json_.endObject();
  }

  void group(const emu::Obj& value) {
    json_.beginObject();
    json_.key("class");
    json_.string("MimeGroupZQV");
    for (const char* name : {"Name", "NameDecoded", "StringValue"}) {
      json_.key(name);
      text(get(value, name).str(), false);
    }
    counted(value, "Mailboxes(index as Integer) as MimeMailboxZQV");
    json_.endObject();
  }

  void mailboxList(const emu::Obj& value) {
    json_.beginObject();
    json_.key("class");
    json_.string("MimeMailboxListZQV");
    json_.key("StringValue");
    text(get(value, "StringValue").str(), false);
    counted(value, "Mailboxes(index as Integer) as MimeMailboxZQV");
    json_.endObject();
  }

  void mailbox(const emu::Obj& value) {
    json_.beginObject();
    json_.key("class");
    json_.string("MimeMailboxZQV");
    for (const char* name :
         {"Label", "LabelDecoded", "Mailbox", "Domain", "Sourceroute", "Email"}) {
      json_.key(name);
      text(get(value, name).str(), false);
    }
    json_.endObject();
  }

  void field(const emu::Obj& value) {
    json_.beginObject(true);
    json_.key("Name");
    text(get(value, "Name").str(), false);
    json_.key("Value");
    text(get(value, "Value").str(), !fullTexts_);
    json_.endObject();
  }

  // An attachment's data is often binary: only its size and tag are shown.
  void attachment(const emu::Obj& value) {
    json_.beginObject();
    json_.key("class");
    json_.string("MimeAttachmentZQV");
    for (const char* name : {"Filename", "MimeType"}) {
      json_.key(name);
      text(get(value, name).str(), false);
    }
    json_.key("Data");
    dataSize(get(value, "Data").str());
    for (const char* name : {"MimeVersion", "ContentType", "ContentTransferEncoding",
                             "ContentDisposition", "ContentDescription", "contentId"}) {
      json_.key(name);
      text(get(value, name).str(), false);
    }
    json_.endObject();
  }

  void dataSize(const emu::Str& value) {
    if (value.isNil()) {
      json_.null();
      return;
    }
    json_.beginObject(true);
    json_.key("encoding");
    json_.string(EncodingName(value.encoding()));
    json_.key("bytes");
    json_.integer(static_cast<int64_t>(value.bytes().size()));
    json_.endObject();
  }

  emu::Host& host_;
  JsonWriter& json_;
  bool fullTexts_;
  std::vector<std::pair<std::string, emu::RaisedException>> exceptions_;
};

// Paths arrive as UTF-8 on every system; std::filesystem would read a plain
// string in the ANSI code page on Windows.
std::filesystem::path Utf8Path(const std::string& utf8) { return std::filesystem::u8path(utf8); }

std::string ReadAll(std::istream& in) {
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Builds the message as host code would and dumps it; every host handle made
// here is gone when this returns, so the caller can check for leaks.
int DumpMessage(emu::Host& host, const Options& options) {
  JsonWriter json(std::cout);
  Dumper dumper(host, json, options.fullTexts);

  emu::Obj message;
  std::string declaration;
  if (options.constructAs == "file") {
    declaration = kFileConstructor;
    const std::string path = std::filesystem::absolute(Utf8Path(options.input)).u8string();
    message = host.construct(kEmailClass, declaration, {host.folderItem(path)});
  } else {
    std::string content;
    if (options.input == "-") {
      content = ReadAll(std::cin);
    } else {
      std::ifstream file(Utf8Path(options.input), std::ios::binary);
      if (!file) {
        std::cerr << "mimedump: cannot read " << options.input << "\n";
        return 2;
      }
      content = ReadAll(file);
    }
    if (options.constructAs == "string") {
      // Text read from a file or socket in Xojo carries no encoding.
      declaration = kStringConstructor;
      message = host.construct(kEmailClass, declaration,
                               {host.string(content, kREALTextEncodingUnknown)});
    } else {
      declaration = kMemoryBlockConstructor;
      message = host.construct(kEmailClass, declaration, {host.memoryBlock(content)});
    }
  }
  dumper.noteException(std::string(kEmailClass) + "." + declaration);

  json.beginObject();
  json.key("input");
  json.string(options.input);
  json.key("constructor");
  json.string(declaration);
  json.key("email");
  dumper.email(message);
  json.key("exceptions");
  dumper.exceptionsSoFar();
  json.endObject();
  json.finish();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseArguments(tools::Utf8Arguments(argc, argv));
  if (!options) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    emu::Host host;
    host.loadPlugin(options->pluginPath);
    const int status = DumpMessage(host, *options);
    const std::string leaks = host.leakReport();
    if (!leaks.empty()) {
      std::cerr << "mimedump: host references left behind:\n" << leaks << "\n";
      return 1;
    }
    return status;
  } catch (const std::exception& error) {
    std::cerr << "mimedump: " << error.what() << "\n";
    return 2;
  }
}
