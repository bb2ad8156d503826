#include "objects/mailbox.h"

#include <cstddef>
#include <string>

#include <mimetic/rfc822/mailbox.h>

#include "decoding/encoded_words.h"
#include "runtime/class_record.h"
#include "runtime/errors.h"
#include "runtime/host_array.h"
#include "runtime/host_binding.h"
#include "runtime/host_string.h"
#include "runtime/member_flags.h"
#include "runtime/text_reader.h"

MimeMailboxData* MailboxData(REALobject instance) {
  return InstanceData<MimeMailboxData>(instance, MimeMailboxClass);
}

namespace {

// `localPart` is the mailbox's canonical local part, which the builder has
// already made to test it.
void FillMailbox(MimeMailboxData& record, const mimetic::Mailbox& mailbox,
                 const std::string& localPart) {
  StoreField(record.StringValue, BuildHostStringAuto(mailbox.str()));
  StoreField(record.Mailbox, BuildHostStringAuto(localPart));
  StoreField(record.Domain, BuildHostStringAuto(mailbox.domain(1)));
  // The label as written, so that the decoding below still sees its quotes.
  const std::string label = mailbox.label(0);
  StoreField(record.Label, BuildHostStringAuto(label));
  StoreField(record.LabelDecoded, DecodeEncodedWords(label, true));
  StoreField(record.Sourceroute, BuildHostStringAuto(mailbox.sourceroute(1)));
}

}  // namespace

void FillMailboxObject(MimeMailboxData& record, const mimetic::Mailbox& mailbox) {
  FillMailbox(record, mailbox, mailbox.mailbox(1));
}

HostObject NewMailboxObject(const mimetic::Mailbox& mailbox) {
  const std::string localPart = mailbox.mailbox(1);
  if (localPart.empty()) return {};
  HostObject instance(PluginNewInstance("MimeMailboxZQV"));
  if (!instance) return instance;
  FillMailbox(*MailboxData(instance.get()), mailbox, localPart);
  return instance;
}

void AppendMailboxObjects(REALobject array, const std::vector<mimetic::Mailbox>& mailboxes) {
  for (const mimetic::Mailbox& mailbox : mailboxes) {
    HostObject mailboxObject = NewMailboxObject(mailbox);
    if (mailboxObject) AppendToObjectArray(array, mailboxObject.get());
  }
}

namespace {

void DestroyMailbox(REALobject instance) {
  MimeMailboxData& record = *MailboxData(instance);
  ClearField(record.StringValue);
  ClearField(record.Mailbox);
  ClearField(record.Domain);
  ClearField(record.Label);
  ClearField(record.LabelDecoded);
  ClearField(record.Sourceroute);
}

// Joined on every read, so an address is always local part, at sign and
// domain, even when one side is missing.
REALstring GetEmail(REALobject instance, RBInteger) {
  const MimeMailboxData& record = *MailboxData(instance);
  if (record.Mailbox == nullptr && record.Domain == nullptr) return nullptr;
  HostString atSign = CTextToHostString("@", kREALTextEncodingASCII);
  HostString localPartAndAtSign(RuntimeAddString(record.Mailbox, atSign.get()));
  return RuntimeAddString(localPartAndAtSign.get(), record.Domain);
}

// Unlike the header's builder, no emptiness test: host code asked for an
// object and gets one, whatever mimetic made of the text.
void ConstructFromText(REALobject instance, REALstring textToParse) {
  RunGuarded([&] {
    HostTextReader text(textToParse);
    const mimetic::Mailbox mailbox{std::string(text.UTF8())};
    FillMailboxObject(*MailboxData(instance), mailbox);
  });
}

REALproperty mailboxProperties[] = {
    {nullptr, "Mailbox", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeMailboxData, Mailbox), {}},
    {nullptr, "Domain", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeMailboxData, Domain), {}},
    {nullptr, "Label", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeMailboxData, Label), {}},
    {nullptr, "LabelDecoded", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeMailboxData, LabelDecoded), {}},
    {nullptr, "Sourceroute", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeMailboxData, Sourceroute), {}},
    {nullptr, "StringValue", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeMailboxData, StringValue), {}},
    {nullptr, "Email", "String", kPropertyFlags, Entry(&GetEmail), nullptr, 0,
     {}},
};

REALmethod mailboxMethods[] = {
    {Entry(&ConstructFromText), nullptr,
     "Constructor(TextToParse as String)", kMethodFlags, {}},
};

}  // namespace

REALclassDefinition MimeMailboxClass =
    ClassRecord("MimeMailboxZQV", nullptr, sizeof(MimeMailboxData), &DestroyMailbox,
                Table(mailboxProperties), Table(mailboxMethods));
