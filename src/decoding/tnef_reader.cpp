#include "decoding/tnef_reader.h"

#include <memory>
#include <utility>

#include "decoding/compressed_rtf.h"

namespace {

constexpr uint32_t kSignature = 0x223E9F78;

// Attribute levels: the message's own attributes, or those of the file
// begun by the latest kAttachRendData.
constexpr uint8_t kMessageLevel = 1;
constexpr uint8_t kAttachmentLevel = 2;

// Attributes, by the low half of their id (the high half names their type,
// which writers do not always agree on).
constexpr uint16_t kSubject = 0x8004;
constexpr uint16_t kBody = 0x800C;
constexpr uint16_t kAttachData = 0x800F;
constexpr uint16_t kAttachTitle = 0x8010;
constexpr uint16_t kAttachRendData = 0x9002;
constexpr uint16_t kMessageProperties = 0x9003;
constexpr uint16_t kAttachmentProperties = 0x9005;
constexpr uint16_t kOemCodePage = 0x9007;

// Property ids.
constexpr uint16_t kPropSubject = 0x0037;
constexpr uint16_t kPropBody = 0x1000;
constexpr uint16_t kPropRtfCompressed = 0x1009;
constexpr uint16_t kPropHtml = 0x1013;
constexpr uint16_t kPropInternetCodePage = 0x3FDE;
constexpr uint16_t kPropMessageCodePage = 0x3FFD;
constexpr uint16_t kPropAttachData = 0x3701;
constexpr uint16_t kPropAttachFilename = 0x3704;
constexpr uint16_t kPropAttachLongFilename = 0x3707;
constexpr uint16_t kPropAttachMimeTag = 0x370E;
constexpr uint16_t kPropAttachContentId = 0x3712;
// Ids from here up are named properties, whose name follows the tag.
constexpr uint16_t kFirstNamedProperty = 0x8000;

// Property types.
constexpr uint16_t kTypeShort = 0x0002;
constexpr uint16_t kTypeLong = 0x0003;
constexpr uint16_t kTypeFloat = 0x0004;
constexpr uint16_t kTypeDouble = 0x0005;
constexpr uint16_t kTypeCurrency = 0x0006;
constexpr uint16_t kTypeAppTime = 0x0007;
constexpr uint16_t kTypeError = 0x000A;
constexpr uint16_t kTypeBoolean = 0x000B;
constexpr uint16_t kTypeObject = 0x000D;
constexpr uint16_t kTypeLongLong = 0x0014;
constexpr uint16_t kTypeString8 = 0x001E;
constexpr uint16_t kTypeUnicode = 0x001F;
constexpr uint16_t kTypeSystemTime = 0x0040;
constexpr uint16_t kTypeGuid = 0x0048;
constexpr uint16_t kTypeBinary = 0x0102;
constexpr uint16_t kMultipleValues = 0x1000;

constexpr size_t kGuidSize = 16;
// The interface an attached message is stored under.
constexpr char kMessageInterface[kGuidSize + 1] =
    "\x07\x03\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46";

// Thrown from anywhere in a stream, caught once at the top: a damaged
// stream gives no partial result.
struct Damaged {};

size_t PaddedToFour(size_t size) { return (size + 3) & ~size_t{3}; }

class Cursor {
 public:
  explicit Cursor(std::string_view bytes) : bytes_(bytes) {}

  size_t left() const { return bytes_.size() - at_; }
  bool atEnd() const { return at_ == bytes_.size(); }

  std::string_view take(size_t count) {
    if (count > left()) throw Damaged{};
    const std::string_view taken = bytes_.substr(at_, count);
    at_ += count;
    return taken;
  }
  void skip(size_t count) { (void)take(count); }
  // Padding at the very end of a value list is sometimes left out.
  void skipPadding(size_t count) { at_ += count < left() ? count : left(); }

  uint8_t byte() { return static_cast<uint8_t>(take(1)[0]); }
  uint16_t u16() {
    const std::string_view bytes = take(2);
    return static_cast<uint16_t>(Unsigned(bytes[0]) | Unsigned(bytes[1]) << 8);
  }
  uint32_t u32() {
    const std::string_view bytes = take(4);
    return Unsigned(bytes[0]) | Unsigned(bytes[1]) << 8 | Unsigned(bytes[2]) << 16 |
           Unsigned(bytes[3]) << 24;
  }
  // A count of items each at least `smallestItem` bytes long, refused when
  // the bytes left cannot hold them.
  size_t count(size_t smallestItem) {
    const uint32_t items = u32();
    if (items > left() / smallestItem) throw Damaged{};
    return items;
  }

 private:
  static uint32_t Unsigned(char byte) { return static_cast<unsigned char>(byte); }

  std::string_view bytes_;
  size_t at_ = 0;
};

uint32_t LittleEndian32(std::string_view bytes) {
  Cursor cursor(bytes);
  return cursor.u32();
}

// The size of a fixed-size value as stored (before padding), 0 for the
// variable-size types; an unknown type cannot be stepped over.
size_t FixedValueSize(uint16_t type) {
  switch (type) {
    case kTypeShort:
    case kTypeBoolean:
      return 2;
    case kTypeLong:
    case kTypeFloat:
    case kTypeError:
      return 4;
    case kTypeDouble:
    case kTypeCurrency:
    case kTypeAppTime:
    case kTypeLongLong:
    case kTypeSystemTime:
      return 8;
    case kTypeGuid:
      return kGuidSize;
    case kTypeObject:
    case kTypeString8:
    case kTypeUnicode:
    case kTypeBinary:
      return 0;
    default:
      throw Damaged{};
  }
}

// Strings are stored with their terminating zero, which the text does not
// include.
TnefText MakeText(std::string_view value, bool utf16) {
  if (utf16) {
    size_t end = value.size() & ~size_t{1};
    while (end >= 2 && value[end - 1] == '\0' && value[end - 2] == '\0') end -= 2;
    return {std::string(value.substr(0, end)), true, 0};
  }
  size_t end = value.size();
  while (end > 0 && value[end - 1] == '\0') --end;
  return {std::string(value.substr(0, end)), false, 0};
}

// A text value set by an attribute and by a property: the property is the
// richer form (it may be Unicode), so it wins whatever the order.
struct TextSlot {
  TnefText text;
  bool fromProperty = false;

  void setFromAttribute(std::string_view value) {
    if (!fromProperty) text = MakeText(value, false);
  }
  void setFromProperty(std::string_view value, uint16_t type) {
    text = MakeText(value, type == kTypeUnicode);
    fromProperty = true;
  }
};

struct PendingFile {
  TextSlot longName;
  TextSlot shortName;
  TextSlot mimeTag;
  TextSlot contentId;
  std::string_view data;
  bool dataFromProperty = false;
  std::vector<TnefFile> attachedFiles;
};

// The texts of a file that come from its properties.
struct FileTextProperty {
  uint16_t id;
  TextSlot PendingFile::*slot;
};
const FileTextProperty kFileTextProperties[] = {
    {kPropAttachFilename, &PendingFile::shortName},
    {kPropAttachLongFilename, &PendingFile::longName},
    {kPropAttachMimeTag, &PendingFile::mimeTag},
    {kPropAttachContentId, &PendingFile::contentId},
};

TnefStatus ReadStream(std::string_view stream, int depth, TnefContents& contents);

class StreamReader {
 public:
  StreamReader(int depth, TnefContents& contents) : depth_(depth), contents_(contents) {}

  void readAttributes(Cursor& cursor) {
    while (!cursor.atEnd()) {
      const uint8_t level = cursor.byte();
      const uint32_t id = cursor.u32();
      const uint32_t length = cursor.u32();
      const std::string_view value = cursor.take(length);
      // The checksum is not checked: the lengths already keep the reader
      // inside the stream, and a sender's wrong sum over intact bytes should
      // not cost the user the files.
      cursor.skip(2);
      if (level == kMessageLevel) {
        messageAttribute(static_cast<uint16_t>(id), value);
      } else if (level == kAttachmentLevel) {
        attachmentAttribute(static_cast<uint16_t>(id), value);
      } else {
        throw Damaged{};
      }
    }
  }

  void finish() {
    const uint32_t streamCodePage = oemCodePage_ != 0       ? oemCodePage_
                                    : messageCodePage_ != 0 ? messageCodePage_
                                                            : internetCodePage_;
    contents_.subject = std::move(subject_.text);
    contents_.body = std::move(body_.text);
    contents_.html = std::move(html_.text);
    // HTML kept as bytes is in the code page of its Internet form.
    const uint32_t htmlCodePage =
        htmlIsBinary_ && internetCodePage_ != 0 ? internetCodePage_ : streamCodePage;
    Resolve(contents_.html, htmlCodePage);
    Resolve(contents_.subject, streamCodePage);
    Resolve(contents_.body, streamCodePage);
    for (PendingFile& pending : files_) {
      TnefFile file{std::move(pending.longName.text), std::move(pending.shortName.text),
                    std::move(pending.mimeTag.text), std::move(pending.contentId.text),
                    pending.data};
      contents_.files.push_back(std::move(file));
      for (TnefFile& attached : pending.attachedFiles) {
        contents_.files.push_back(std::move(attached));
      }
    }
    // Names inside an attached message that names no code page are read in
    // this stream's.
    for (TnefFile& file : contents_.files) {
      for (TnefText* text : {&file.longName, &file.shortName, &file.mimeTag, &file.contentId}) {
        Resolve(*text, streamCodePage);
      }
    }
  }

 private:
  static void Resolve(TnefText& text, uint32_t codePage) {
    if (!text.utf16 && text.codePage == 0) text.codePage = codePage;
  }

  void messageAttribute(uint16_t id, std::string_view value) {
    switch (id) {
      case kSubject:
        subject_.setFromAttribute(value);
        break;
      case kBody:
        body_.setFromAttribute(value);
        break;
      case kOemCodePage:
        if (value.size() >= 4) oemCodePage_ = LittleEndian32(value);
        break;
      case kMessageProperties:
        readProperties(value, [this](uint16_t propertyId, uint16_t type, std::string_view v) {
          messageProperty(propertyId, type, v);
        });
        break;
      default:
        break;
    }
  }

  void attachmentAttribute(uint16_t id, std::string_view value) {
    if (id == kAttachRendData || files_.empty()) files_.emplace_back();
    PendingFile& file = files_.back();
    switch (id) {
      case kAttachTitle:
        file.shortName.setFromAttribute(value);
        break;
      case kAttachData:
        if (!file.dataFromProperty) file.data = value;
        break;
      case kAttachmentProperties:
        readProperties(value, [this](uint16_t propertyId, uint16_t type, std::string_view v) {
          attachmentProperty(files_.back(), propertyId, type, v);
        });
        break;
      default:
        break;
    }
  }

  static bool IsText(uint16_t type) { return type == kTypeString8 || type == kTypeUnicode; }

  void messageProperty(uint16_t id, uint16_t type, std::string_view value) {
    switch (id) {
      case kPropSubject:
        if (IsText(type)) subject_.setFromProperty(value, type);
        break;
      case kPropBody:
        if (IsText(type)) body_.setFromProperty(value, type);
        break;
      case kPropHtml:
        if (IsText(type) || type == kTypeBinary) {
          html_.setFromProperty(value, type);
          htmlIsBinary_ = type == kTypeBinary;
        }
        break;
      case kPropRtfCompressed:
        if (type == kTypeBinary) contents_.rtf = DecompressRtf(value).value_or(std::string());
        break;
      case kPropInternetCodePage:
        if (type == kTypeLong) internetCodePage_ = LittleEndian32(value);
        break;
      case kPropMessageCodePage:
        if (type == kTypeLong) messageCodePage_ = LittleEndian32(value);
        break;
      default:
        break;
    }
  }

  void attachmentProperty(PendingFile& file, uint16_t id, uint16_t type, std::string_view value) {
    if (id == kPropAttachData) {
      attachmentData(file, type, value);
      return;
    }
    if (!IsText(type)) return;
    for (const FileTextProperty& property : kFileTextProperties) {
      if (property.id == id) (file.*property.slot).setFromProperty(value, type);
    }
  }

  void attachmentData(PendingFile& file, uint16_t type, std::string_view value) {
    if (type == kTypeBinary) {
      file.data = value;
      file.dataFromProperty = true;
      return;
    }
    if (type != kTypeObject || value.size() < kGuidSize) return;
    file.data = value.substr(kGuidSize);
    file.dataFromProperty = true;
    const bool isMessage =
        value.compare(0, kGuidSize, std::string_view(kMessageInterface, kGuidSize)) == 0;
    if (!isMessage || depth_ >= kDeepestTnefNesting) return;
    TnefContents attached;
    if (ReadStream(file.data, depth_ + 1, attached) != TnefStatus::kRead) throw Damaged{};
    file.attachedFiles = std::move(attached.files);
  }

  // Calls `onValue(id, type, value)` for the first value of every property
  // with a plain id; named properties and further values are stepped over.
  template <class OnValue>
  static void readProperties(std::string_view list, OnValue&& onValue) {
    Cursor cursor(list);
    constexpr size_t kSmallestProperty = 8;
    const size_t count = cursor.count(kSmallestProperty);
    for (size_t index = 0; index < count; ++index) {
      const uint16_t type = cursor.u16();
      const uint16_t id = cursor.u16();
      if (id >= kFirstNamedProperty) SkipPropertyName(cursor);
      const uint16_t baseType = type & ~kMultipleValues;
      const size_t fixedSize = FixedValueSize(baseType);
      if (fixedSize != 0 && (type & kMultipleValues) == 0) {
        onValue(id, baseType, cursor.take(PaddedToFour(fixedSize)).substr(0, fixedSize));
        continue;
      }
      const size_t values = cursor.count(fixedSize != 0 ? PaddedToFour(fixedSize) : 4);
      for (size_t valueIndex = 0; valueIndex < values; ++valueIndex) {
        const size_t size = fixedSize != 0 ? fixedSize : cursor.u32();
        const std::string_view value = cursor.take(size);
        cursor.skipPadding(PaddedToFour(size) - size);
        if (valueIndex == 0 && (type & kMultipleValues) == 0) onValue(id, baseType, value);
      }
    }
  }

  static void SkipPropertyName(Cursor& cursor) {
    cursor.skip(kGuidSize);
    const uint32_t kind = cursor.u32();
    if (kind == 0) {
      cursor.skip(4);
      return;
    }
    const uint32_t nameLength = cursor.u32();
    cursor.skip(nameLength);
    cursor.skipPadding(PaddedToFour(nameLength) - nameLength);
  }

  int depth_;
  TnefContents& contents_;
  TextSlot subject_;
  TextSlot body_;
  TextSlot html_;
  bool htmlIsBinary_ = false;
  uint32_t oemCodePage_ = 0;
  uint32_t messageCodePage_ = 0;
  uint32_t internetCodePage_ = 0;
  std::vector<PendingFile> files_;
};

TnefStatus ReadStream(std::string_view stream, int depth, TnefContents& contents) {
  Cursor cursor(stream);
  if (cursor.left() < 4 || cursor.u32() != kSignature) return TnefStatus::kNoSignature;
  try {
    cursor.skip(2);  // the attachment key, which only the sender's store uses
    // On the heap: attached messages nest, and each level's reader would
    // otherwise add its texts to the stack.
    const auto reader = std::make_unique<StreamReader>(depth, contents);
    reader->readAttributes(cursor);
    reader->finish();
  } catch (const Damaged&) {
    return TnefStatus::kTruncated;
  }
  return TnefStatus::kRead;
}

}  // namespace

TnefStatus ReadTnef(std::string_view stream, TnefContents& contents) {
  return ReadStream(stream, 0, contents);
}
