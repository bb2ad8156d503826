#include "mail/mbox.h"

#include <cstddef>
#include <memory>
#include <string_view>
#include <utility>

#include "mail/email.h"
#include "mail/email_file.h"
#include "mail/email_parse.h"
#include "mail/mbox_reader.h"
#include "runtime/class_record.h"
#include "runtime/errors.h"
#include "runtime/host_binding.h"
#include "runtime/host_ref.h"
#include "runtime/member_flags.h"
#include "runtime/platform.h"

namespace {

// The reader does its own large reads, which pass a small stdio buffer by.
constexpr size_t kStdioBufferBytes = 0x10000;

constexpr char kOpenFailed[] = "Failed to open file for reading.";
constexpr char kReadFailed[] = "Failed to read data from file.";

MimeMboxData* MboxData(REALobject instance) {
  return InstanceData<MimeMboxData>(instance, MimeMboxClass);
}

void DestroyMbox(REALobject instance) {
  MimeMboxData* record = MboxData(instance);
  if (record == nullptr) return;
  delete record->Reader;
  record->Reader = nullptr;
}

void OpenMbox(MimeMboxData& record, REALobject file) {
  FILE* stream = OpenFileForReading(file, kStdioBufferBytes);
  if (stream == nullptr) {
    RaiseException("IOException", kOpenFailed);
    return;
  }
  auto reader = std::make_unique<MboxReader>(stream, LongestParsableEmail());
  const int64_t length = platform::TellFile(stream);
  if (length < 0 || !platform::SeekFile(stream, 0)) {
    RaiseException("IOException", kReadFailed);
    return;
  }
  switch (reader->start()) {
    case MboxReader::Start::Mbox:
      break;
    case MboxReader::Start::NotMbox:
      RaiseException("UnsupportedFormatException", "Not an mbox file");
      return;
    case MboxReader::Start::ReadFailed:
      RaiseException("IOException", kReadFailed);
      return;
  }
  // Host code may call a constructor again on an object it holds.
  delete std::exchange(record.Reader, reader.release());
  record.Length = length;
}

void ConstructFromFile(REALobject instance, REALobject file) {
  MimeMboxData* record = MboxData(instance);
  if (record == nullptr) return;
  RunGuarded([&] { OpenMbox(*record, file); });
}

// A message is built as the MemoryBlock constructor builds one, and a
// message that constructor would refuse raises what it raises: host code
// then gets no message, and the next call reads on.
HostObject ParseNextMessage(MboxReader& reader) {
  const MboxReader::Step step = reader.next();
  if (step == MboxReader::Step::End) return HostObject();
  if (step == MboxReader::Step::ReadFailed) {
    RaiseException("IOException", kReadFailed);
    return HostObject();
  }
  HostObject email(PluginNewInstance(MimeEmailClass.name));
  if (step == MboxReader::Step::TooLong) {
    RefuseTooLongEmail(email.get());
    return HostObject();
  }
  if (!email) return email;
  const uint64_t raisedBefore = RaisedExceptionCount();
  const std::string_view bytes = reader.message();
  ParseEmail(email.get(), bytes.data(), static_cast<int64_t>(bytes.size()), nullptr);
  if (RaisedExceptionCount() != raisedBefore) return HostObject();
  return email;
}

REALobject ReadMessage(REALobject instance) {
  MimeMboxData* record = MboxData(instance);
  if (record == nullptr || record->Reader == nullptr) return nullptr;
  return RunGuarded<REALobject>(nullptr,
                                [&] { return ParseNextMessage(*record->Reader).release(); });
}

int64_t GetPosition(REALobject instance, RBInteger) {
  MimeMboxData* record = MboxData(instance);
  return record == nullptr || record->Reader == nullptr ? 0 : record->Reader->position();
}

int64_t GetLength(REALobject instance, RBInteger) {
  MimeMboxData* record = MboxData(instance);
  return record == nullptr ? 0 : record->Length;
}

REALproperty mboxProperties[] = {
    {nullptr, "Position", "Int64", kPropertyFlags, Entry(&GetPosition), nullptr,
     0, {}},
    {nullptr, "Length", "Int64", kPropertyFlags, Entry(&GetLength), nullptr, 0,
     {}},
};

REALmethod mboxMethods[] = {
    {Entry(&ConstructFromFile), nullptr, "Constructor(File As FolderItem)",
     kMethodFlags, {}},
    {Entry(&ReadMessage), nullptr, "ReadMessage() As MimeEmailZQV",
     kMethodFlags, {}},
};

}  // namespace

REALclassDefinition MimeMboxClass =
    ClassRecord("MimeMboxZQV", nullptr, sizeof(MimeMboxData), &DestroyMbox,
                Table(mboxProperties), Table(mboxMethods));
