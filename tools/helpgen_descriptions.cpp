#include "helpgen_descriptions.h"

#include <iterator>

namespace helpgen {

// Facts a Xojo developer cannot see from a declaration: what a member holds,
// when it is empty or Nil, how its text is encoded and what it raises. A
// String the plugin has nothing for is "" (Xojo has no Nil String).
const Description kDescriptions[] = {
    // --- MimeEmailZQV ----------------------------------------------------
    {"MimeEmailZQV", "",
     "One e-mail message, read completely by its constructor; afterwards every property is a "
     "snapshot. As a <code>MimeEntityZQV</code> it also has the <code>Header</code>, "
     "<code>Body</code> and <code>BodyDecoded</code> of the message's top-level part."},
    {"MimeEmailZQV", "InlinesVariant",
     "The same array as <code>Inlines()</code>, as a Variant. Nil only when the FolderItem "
     "constructor could not read the file."},
    {"MimeEmailZQV", "AttachmentsVariant",
     "The same array as <code>Attachments()</code>, as a Variant. Nil only when the FolderItem "
     "constructor could not read the file."},
    {"MimeEmailZQV", "HTMLText",
     "The first <code>text/html</code> part not marked as an attachment, transfer-decoded and "
     "read in its charset. \"\" when the message has none."},
    {"MimeEmailZQV", "PlainText",
     "The first <code>text/plain</code> part not marked as an attachment, transfer-decoded and "
     "read in its charset; without one, <code>HTMLToPlainText(HTMLText)</code>. A single-part "
     "message of any other type puts its decoded body here; \"\" when there is no text at all."},
    {"MimeEmailZQV", "Subject",
     "The Subject field with its RFC 2047 encoded words decoded. The whole line is read in the "
     "charset of its last encoded word; a line without any comes back as written. \"\" when "
     "there is no Subject field."},
    {"MimeEmailZQV", "Source",
     "The input exactly as given, byte order mark included: for the String constructor that very "
     "string, otherwise the bytes, tagged ASCII when all are below 128 and without an encoding "
     "otherwise. \"\" for empty input."},
    {"MimeEmailZQV", "Date",
     "The moment of the Date field (the last one, if there are several), shown in the local time "
     "zone of the machine with the offset in force when the message was read. Nil when there "
     "is no Date field or its date cannot be read."},
    {"MimeEmailZQV", "ReceivedDate",
     "The moment at which the first relay took the message: the date after \"; \" in the last "
     "Received field that has one, in the local time zone as for <code>Date</code>. Nil when no "
     "Received field carries a readable date."},
    {"MimeEmailZQV", "Inlines(index as Integer) as MimeAttachmentZQV",
     "The inline part at <code>index</code>, counted from 0. Raises "
     "<code>OutOfBoundsException</code> for an index outside 0 to the count &minus; 1."},
    {"MimeEmailZQV", "Attachments(index as Integer) as MimeAttachmentZQV",
     "The attachment at <code>index</code>, counted from 0. Raises "
     "<code>OutOfBoundsException</code> for an index outside 0 to the count &minus; 1."},
    {"MimeEmailZQV", "Inlines as MimeAttachmentZQV()",
     "The parts meant to be shown inside the message, in message order: every part that is not "
     "the message's text and not marked as an attachment (pictures of an HTML text, further text "
     "parts, parts of other types). Every call gives the same array."},
    {"MimeEmailZQV", "Attachments as MimeAttachmentZQV()",
     "The parts whose Content-Disposition is <code>attachment</code>, in message order. Every "
     "call gives the same array, so changes you make to it stay."},
    {"MimeEmailZQV", "Constructor(Content as string)",
     "Reads the message from the string's bytes, whatever its encoding. Raises "
     "<code>UnsupportedOperationException</code> for empty text or text that does not start "
     "with a header, and <code>OutOfMemoryException</code> for more than 2,147,483,647 bytes."},
    {"MimeEmailZQV", "Constructor(Content as MemoryBlock)",
     "Reads the message from the block's bytes. Raises the same exceptions as the String "
     "constructor."},
    {"MimeEmailZQV", "Constructor(File as FolderItem)",
     "Reads the message from a file; any path works, long ones and those with any characters "
     "included. Raises <code>IOException</code> when the file cannot be opened or read (also "
     "for Nil), <code>OutOfMemoryException</code> when it does not fit in memory, and otherwise "
     "what the String constructor raises."},
    {"MimeEmailZQV", "RaiseUnknownFormatExceptions",
     "False when the plugin loads. When True, text in a charset Xojo has no encoding for raises "
     "<code>UnsupportedFormatException</code> (from the constructors and "
     "<code>DecodeInline</code>) after it is read; when False it falls back silently."},
    {"MimeEmailZQV", "HTMLToPlainText(HTMLText as String) as String",
     "HTML as plain text: tags, scripts and styles dropped, character references resolved, "
     "white space collapsed; paragraphs, line breaks and table rows end lines (with CR), cells "
     "are separated by tabs, list items start with \"* \". \"\" when nothing is left."},
    {"MimeEmailZQV", "DecodeInline(Text as String) as String",
     "One line with its RFC 2047 encoded words decoded, read in the charset of the last word; a "
     "line without encoded words comes back unchanged. With "
     "<code>RaiseUnknownFormatExceptions</code> on, an unknown charset raises "
     "<code>UnsupportedFormatException</code>."},

    // --- MimeAttachmentZQV -----------------------------------------------
    {"MimeAttachmentZQV", "",
     "An attachment or inline part: its decoded data, its file name, its type and the text of "
     "its MIME fields, with the part's own <code>Body</code> and <code>Header</code>. The "
     "properties can be written, so your code can correct a name or build its own list; the "
     "plugin never reads them back."},
    {"MimeAttachmentZQV", "Body",
     "The part's body, not decoded. Nil for an attachment you made with <code>New</code> and for "
     "a file of a <code>MimeTnefZQV</code>."},
    {"MimeAttachmentZQV", "Header",
     "The part's header. Nil for an attachment you made with <code>New</code> and for a file of "
     "a <code>MimeTnefZQV</code>."},
    {"MimeAttachmentZQV", "Data",
     "The part's content after Base64 or quoted-printable is undone, byte for byte (the same "
     "string as the part's <code>BodyDecoded</code>). Tagged with the part's charset, or else "
     "ASCII, UTF-8 or Windows-1252 as the bytes allow; the bytes themselves are never changed. "
     "\"\" for an empty part."},
    {"MimeAttachmentZQV", "Filename",
     "The name as the message writes it (Content-Disposition <code>filename</code>, Content-Type "
     "<code>filename</code> or <code>name</code>, then <code>filename*</code>), or one made up "
     "from the Content-ID and the first bytes. Not safe as a file name as it stands: see Things "
     "to know."},
    {"MimeAttachmentZQV", "MimeVersion",
     "The part's MIME-Version field, such as <code>1.0</code>; <code>0.0</code> when the part "
     "has none, as most parts do."},
    {"MimeAttachmentZQV", "MimeType",
     "Type and subtype as the message writes them, such as <code>image/png</code> (letter case "
     "kept). \"\" when the part has no Content-Type."},
    {"MimeAttachmentZQV", "ContentType",
     "The Content-Type field as the parser writes it back, parameters included, such as "
     "<code>text/plain; charset=\"utf-8\"</code>; <code>/</code> when the part has none."},
    {"MimeAttachmentZQV", "ContentTransferEncoding",
     "The transfer encoding the part was sent in, such as <code>base64</code>; \"\" when the "
     "part names none."},
    {"MimeAttachmentZQV", "ContentDisposition",
     "The Content-Disposition field, such as <code>attachment; filename=\"a.pdf\"</code>; \"\" "
     "when the part has none."},
    {"MimeAttachmentZQV", "ContentDescription",
     "The Content-Description field as written, encoded words not decoded; \"\" when absent."},
    {"MimeAttachmentZQV", "contentId",
     "The Content-ID with its angle brackets, such as <code>&lt;logo@example&gt;</code>. A part "
     "without one gets an id made up once per run, the same for all such parts."},
    {"MimeAttachmentZQV", "Constructor",
     "An empty attachment (every property \"\" or Nil) for your own use."},

    // --- MimeMboxZQV -----------------------------------------------------
    {"MimeMboxZQV", "",
     "An mbox file (a Thunderbird folder, a mutt or Apple Mail export, Google Takeout, a mailing "
     "list archive), read one message at a time. It streams: memory follows the largest message, "
     "not the file, and files over 4 GB work."},
    {"MimeMboxZQV", "Position",
     "The bytes of the file read so far: after <code>ReadMessage</code>, where the next message "
     "begins; <code>Length</code> once the last one was read. With <code>Length</code>, for a "
     "progress bar."},
    {"MimeMboxZQV", "Length", "The size of the file in bytes, as it was when it was opened."},
    {"MimeMboxZQV", "Constructor(File As FolderItem)",
     "Opens the file and reads no further than its first line that is not blank, which must be "
     "an envelope line (<code>From </code> at the start of the line); an empty file holds no "
     "message. Raises <code>IOException</code> (\"Failed to open file for reading.\") for a Nil, "
     "missing or unreadable file, and <code>UnsupportedFormatException</code> (\"Not an mbox "
     "file\") for any other first line. Any path works, long ones and ones with any characters "
     "included."},
    {"MimeMboxZQV", "ReadMessage() As MimeEmailZQV",
     "The next message, or Nil at the end of the file. The message is built as the MemoryBlock "
     "constructor of <code>MimeEmailZQV</code> builds one from its bytes, which run from the line "
     "after its envelope line to the line break before the next one; the blank line between two "
     "messages belongs to neither, lines quoted as <code>&gt;From </code>, "
     "<code>&gt;&gt;From </code> ... lose one <code>&gt;</code>, and CR LF line ends stay. A "
     "message that constructor refuses raises what it raises, and the next call goes on with the "
     "next message. Raises <code>IOException</code> (\"Failed to read data from file.\") when the "
     "file cannot be read on; later calls give Nil."},
    // --- MimeTnefZQV -----------------------------------------------------
    {"MimeTnefZQV", "",
     "The contents of a TNEF stream, the <code>winmail.dat</code> (type "
     "<code>application/ms-tnef</code>) Outlook sends in place of a message's real attachments: "
     "the files inside it and the message's texts, all read by the constructor."},
    {"MimeTnefZQV", "Constructor(Data As String)",
     "Reads the stream from the string's bytes, such as the <code>Data</code> of the "
     "<code>winmail.dat</code> attachment. Raises <code>UnsupportedFormatException</code> with "
     "\"Not a TNEF stream: ...\" when the data does not start with the TNEF signature, and with "
     "\"Damaged TNEF stream: ...\" when it ends before the stream's structure does (a stream cut "
     "short, or a length that runs past its end)."},
    {"MimeTnefZQV", "Attachments() As MimeAttachmentZQV()",
     "The files of the stream in stream order, as attachments: <code>Data</code> holds the file, "
     "<code>Filename</code> its long name, else its short one, else one made up from its "
     "Content-ID and first bytes; <code>MimeType</code> and <code>contentId</code> are the ones "
     "the stream gives (\"\" when none); <code>Header</code>, <code>Body</code> and the other "
     "MIME texts are Nil or \"\". An attached message has its own entry (its <code>Data</code> "
     "is the TNEF stream of that message), followed by the files inside it. Every call gives the "
     "same array."},
    {"MimeTnefZQV", "Attachments(index As Integer) As MimeAttachmentZQV",
     "The file at <code>index</code>, counted from 0. Raises <code>OutOfBoundsException</code> "
     "for an index outside 0 to the count &minus; 1."},
    {"MimeTnefZQV", "AttachmentsVariant",
     "The same array as <code>Attachments()</code>, as a Variant."},
    {"MimeTnefZQV", "Subject",
     "The message's subject; \"\" when the stream has none. Texts are tagged with the stream's "
     "code page (UTF-8 where the stream stores them as Unicode); a stream that names no code "
     "page gets ASCII, UTF-8 or Windows-1252, as the bytes allow."},
    {"MimeTnefZQV", "Body",
     "The message's plain text; \"\" when the stream has none."},
    {"MimeTnefZQV", "BodyHTML",
     "The message's HTML text, in the code page the stream gives for it; \"\" when the stream "
     "has none."},
    {"MimeTnefZQV", "BodyRTF",
     "The message's RTF text, decompressed. \"\" when the stream has none, and when its "
     "compressed form fails its checksum."},

    // --- MimeEntityZQV ---------------------------------------------------
    {"MimeEntityZQV", "",
     "One MIME part of a message, as found in <code>MimeBodyZQV.Parts</code>: its header, its "
     "body and its decoded text."},
    {"MimeEntityZQV", "Header",
     "The part's header. Nil only for an entity you made with <code>New</code>."},
    {"MimeEntityZQV", "Body",
     "The part's body, with its child parts. Nil only for an entity you made with "
     "<code>New</code>."},
    {"MimeEntityZQV", "BodyDecoded",
     "The body after Base64 or quoted-printable is undone, tagged with the part's charset (or "
     "ASCII, UTF-8 or Windows-1252 as the bytes allow). \"\" for a multipart/mixed, alternative "
     "or related container, an empty body, or a transfer encoding the plugin does not read "
     "(such as x-uuencode)."},
    {"MimeEntityZQV", "Constructor",
     "An empty entity (every property Nil or \"\"); the plugin makes the ones you read."},

    // --- MimeHeaderZQV ---------------------------------------------------
    {"MimeHeaderZQV", "",
     "The header of one part. Its texts are the bytes of the message, tagged ASCII, UTF-8 or "
     "Windows-1252 as they allow; only <code>subjectDecoded</code> decodes encoded words."},
    {"MimeHeaderZQV", "MimeVersion",
     "The MIME-Version field, such as <code>1.0</code>; <code>0.0</code> when absent."},
    {"MimeHeaderZQV", "ContentType",
     "The Content-Type field as the parser writes it back, parameters included; <code>/</code> "
     "when absent."},
    {"MimeHeaderZQV", "ContentTransferEncoding",
     "The Content-Transfer-Encoding field, such as <code>base64</code>; \"\" when absent."},
    {"MimeHeaderZQV", "ContentTransferEncodingMechanism",
     "The same text as <code>ContentTransferEncoding</code>: the name of the transfer encoding "
     "alone. \"\" when absent."},
    {"MimeHeaderZQV", "ContentDisposition",
     "The Content-Disposition field with its parameters; \"\" when absent."},
    {"MimeHeaderZQV", "ContentDescription",
     "The Content-Description field as written; \"\" when absent."},
    {"MimeHeaderZQV", "contentId",
     "The Content-ID with its angle brackets. Without the field, an id made up once per run "
     "(never \"\")."},
    {"MimeHeaderZQV", "subject",
     "The Subject field exactly as written, encoded words included; \"\" when absent."},
    {"MimeHeaderZQV", "subjectDecoded",
     "The Subject field with its RFC 2047 encoded words decoded, as in "
     "<code>MimeEmailZQV.Subject</code>; \"\" when absent."},
    {"MimeHeaderZQV", "messageid",
     "The Message-ID with its angle brackets. Without the field, an id made up once per run "
     "(never \"\")."},
    {"MimeHeaderZQV", "sender",
     "The Sender field's mailbox. Nil when there is no Sender field or its mailbox has no local "
     "part."},
    {"MimeHeaderZQV", "from",
     "The From field's mailboxes. Nil when there is no From field or it is empty."},
    {"MimeHeaderZQV", "too",
     "The To field's addresses (named <code>too</code> because <code>To</code> is a Xojo "
     "keyword). Nil when there is no To field or it is empty."},
    {"MimeHeaderZQV", "replyto", "The Reply-To field's addresses. Nil when absent or empty."},
    {"MimeHeaderZQV", "cc", "The CC field's addresses. Nil when absent or empty."},
    {"MimeHeaderZQV", "bcc", "The BCC field's addresses. Nil when absent or empty."},
    {"MimeHeaderZQV", "Fields(index as Integer) as MimeFieldZQV",
     "The field at <code>index</code> in header order, counted from 0. Raises "
     "<code>OutOfBoundsException</code> for an index outside 0 to the count &minus; 1."},
    {"MimeHeaderZQV", "Fields as MimeFieldZQV()",
     "Every field of the header in order, repeated ones included. Every call gives the same "
     "array."},
    {"MimeHeaderZQV", "Constructor",
     "An empty header (every property Nil or \"\"); the plugin makes the ones you read."},
    {"MimeHeaderZQV", "hasField(name as string) as boolean",
     "True when the header has a field of that name, compared as Xojo compares strings (letter "
     "case does not matter)."},
    {"MimeHeaderZQV", "FieldByName(name as string) as MimeFieldZQV",
     "The first field of that name, compared as in <code>hasField</code>; Nil when there is "
     "none."},

    // --- MimeBodyZQV -----------------------------------------------------
    {"MimeBodyZQV", "", "The body of one part: its text as sent and its child parts."},
    {"MimeBodyZQV", "PartsVariant", "The same array as <code>Parts()</code>, as a Variant."},
    {"MimeBodyZQV", "StringValue",
     "The body exactly as sent, not decoded (Base64 stays Base64). \"\" for a multipart body, "
     "whose content is in <code>Parts</code>."},
    {"MimeBodyZQV", "preamble",
     "The text of a multipart body before its first part; \"\" when there is none."},
    {"MimeBodyZQV", "epilogue",
     "The text of a multipart body after its last part; \"\" when there is none."},
    {"MimeBodyZQV", "Parts(index as Integer) as MimeEntityZQV",
     "The child part at <code>index</code>, counted from 0. Raises "
     "<code>OutOfBoundsException</code> for an index outside 0 to the count &minus; 1."},
    {"MimeBodyZQV", "Parts as MimeEntityZQV()",
     "The child parts in order: empty (not Nil) for a single part; an attached message "
     "(message/rfc822) has the message as its one child."},
    {"MimeBodyZQV", "Constructor",
     "An empty body (every property Nil or \"\"); the plugin makes the ones you read."},

    // --- MimeFieldZQV ----------------------------------------------------
    {"MimeFieldZQV", "", "One header field: its name and its value."},
    {"MimeFieldZQV", "Name", "The field's name as written, such as <code>Subject</code>."},
    {"MimeFieldZQV", "Value",
     "The value after the colon and its blanks, continuation lines joined; encoded words are not "
     "decoded. Fields the header's typed properties read come back as the parser writes them."},
    {"MimeFieldZQV", "Constructor(TextToParse as String)",
     "A field from one line of text such as <code>Subject: Hello</code>; text without a colon "
     "gives an empty name and value. Raises nothing for odd text."},

    // --- MimeAddressListZQV ----------------------------------------------
    {"MimeAddressListZQV", "",
     "The addresses of a To, Reply-To, CC or BCC field; each is a mailbox or a group."},
    {"MimeAddressListZQV", "AddressesVariant",
     "The same array as <code>Addresses()</code>, as a Variant."},
    {"MimeAddressListZQV", "StringValue", "The whole list as the parser writes it back."},
    {"MimeAddressListZQV", "Count", "The number of addresses; may be 0."},
    {"MimeAddressListZQV", "Constructor(TextToParse as String)",
     "Reads a list from text such as <code>a@example.com, Team: b@example.com;</code>. Text "
     "that holds no address gives an empty list; nothing is raised for odd text."},
    {"MimeAddressListZQV", "Addresses as MimeAddressZQV()",
     "The addresses in order. Every call gives the same array."},
    {"MimeAddressListZQV", "Addresses(index as Integer) as MimeAddressZQV",
     "The address at <code>index</code>, counted from 0. Raises "
     "<code>OutOfBoundsException</code> for an index outside 0 to <code>Count</code> &minus; 1."},

    // --- MimeAddressZQV --------------------------------------------------
    {"MimeAddressZQV", "", "One address of a list: either a mailbox or a group."},
    {"MimeAddressZQV", "Group",
     "The group when <code>isGroup</code> is True; otherwise Nil, and also Nil for a group "
     "without name and mailboxes."},
    {"MimeAddressZQV", "Mailbox",
     "The mailbox when <code>isGroup</code> is False; Nil for a group or a mailbox without local "
     "part."},
    {"MimeAddressZQV", "StringValue", "The address as the parser writes it back."},
    {"MimeAddressZQV", "isGroup", "True when the address is a group."},
    {"MimeAddressZQV", "Constructor(TextToParse as String)",
     "Reads one address from text. Nothing is raised for odd text."},

    // --- MimeGroupZQV ----------------------------------------------------
    {"MimeGroupZQV", "",
     "A named group of mailboxes, as in <code>Team: a@example.com, b@example.com;</code>."},
    {"MimeGroupZQV", "MailboxesVariant",
     "The same array as <code>Mailboxes()</code>, as a Variant."},
    {"MimeGroupZQV", "Name", "The group's name as written, encoded words included."},
    {"MimeGroupZQV", "NameDecoded",
     "The name with its RFC 2047 encoded words decoded; quotes are kept."},
    {"MimeGroupZQV", "StringValue", "The group as the parser writes it back."},
    {"MimeGroupZQV", "Count", "The number of mailboxes; may be 0."},
    {"MimeGroupZQV", "Mailboxes(index as Integer) as MimeMailboxZQV",
     "The mailbox at <code>index</code>, counted from 0. Raises "
     "<code>OutOfBoundsException</code> for an index outside 0 to <code>Count</code> &minus; 1."},
    {"MimeGroupZQV", "Mailboxes as MimeMailboxZQV()",
     "The mailboxes in order. Every call gives the same array."},
    {"MimeGroupZQV", "Constructor(TextToParse as String)",
     "Reads a group from text. Nothing is raised for odd text."},

    // --- MimeMailboxListZQV ----------------------------------------------
    {"MimeMailboxListZQV", "", "The mailboxes of a From field."},
    {"MimeMailboxListZQV", "MailboxesVariant",
     "The same array as <code>Mailboxes()</code>, as a Variant."},
    {"MimeMailboxListZQV", "StringValue", "The whole list as the parser writes it back."},
    {"MimeMailboxListZQV", "Count",
     "The number of mailboxes; 0 when none has a local part."},
    {"MimeMailboxListZQV", "Mailboxes(index as Integer) as MimeMailboxZQV",
     "The mailbox at <code>index</code>, counted from 0. Raises "
     "<code>OutOfBoundsException</code> for an index outside 0 to <code>Count</code> &minus; 1."},
    {"MimeMailboxListZQV", "Mailboxes as MimeMailboxZQV()",
     "The mailboxes in order. Every call gives the same array."},
    {"MimeMailboxListZQV", "Constructor(TextToParse as String)",
     "Reads a list of mailboxes from text. Nothing is raised for odd text."},

    // --- MimeMailboxZQV --------------------------------------------------
    {"MimeMailboxZQV", "",
     "One mailbox, such as <code>\"Ana Lima\" &lt;ana@example.com&gt;</code>."},
    {"MimeMailboxZQV", "Mailbox", "The local part, before the @ (<code>ana</code>)."},
    {"MimeMailboxZQV", "Domain", "The domain, after the @ (<code>example.com</code>)."},
    {"MimeMailboxZQV", "Label",
     "The display name exactly as written, quotes and encoded words included; \"\" when there "
     "is none."},
    {"MimeMailboxZQV", "LabelDecoded",
     "The display name with its RFC 2047 encoded words decoded and its enclosing quotes removed "
     "(<code>Ana Lima</code>); use this one to show a name."},
    {"MimeMailboxZQV", "Sourceroute",
     "The relays of an old-style routed address <code>&lt;@relay1,@relay2:user@host&gt;</code> "
     "(<code>@relay1,@relay2</code>); \"\" for every ordinary address."},
    {"MimeMailboxZQV", "StringValue", "The mailbox as the parser writes it back."},
    {"MimeMailboxZQV", "Email",
     "<code>Mailbox</code>, @ and <code>Domain</code> (<code>ana@example.com</code>); \"\" when "
     "both are empty."},
    {"MimeMailboxZQV", "Constructor(TextToParse as String)",
     "Reads one mailbox from text. Nothing is raised for odd text."},
};

const size_t kDescriptionCount = std::size(kDescriptions);

const char* FindDescription(std::string_view className, std::string_view member) {
  for (const Description& description : kDescriptions) {
    if (className == description.className && member == description.member) {
      return description.html;
    }
  }
  return nullptr;
}

}  // namespace helpgen
