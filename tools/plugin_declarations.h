// The declarations host code calls the plugin by, exactly as the class
// records register them, for the tools and tests that drive the plugin
// through the host emulator.
#pragma once

constexpr char kEmailClass[] = "MimeEmailZQV";

constexpr char kStringConstructor[] = "Constructor(Content as string)";
constexpr char kMemoryBlockConstructor[] = "Constructor(Content as MemoryBlock)";
constexpr char kFileConstructor[] = "Constructor(File as FolderItem)";
constexpr char kTextConstructor[] = "Constructor(TextToParse as String)";

constexpr char kHTMLToPlainText[] = "HTMLToPlainText(HTMLText as String) as String";
constexpr char kDecodeInline[] = "DecodeInline(Text as String) as String";

constexpr char kAttachments[] = "Attachments as MimeAttachmentZQV()";
constexpr char kAttachmentAt[] = "Attachments(index as Integer) as MimeAttachmentZQV";
constexpr char kInlines[] = "Inlines as MimeAttachmentZQV()";
constexpr char kInlineAt[] = "Inlines(index as Integer) as MimeAttachmentZQV";
constexpr char kPartAt[] = "Parts(index as Integer) as MimeEntityZQV";
constexpr char kFields[] = "Fields as MimeFieldZQV()";

constexpr char kMboxClass[] = "MimeMboxZQV";
constexpr char kMboxConstructor[] = "Constructor(File As FolderItem)";
constexpr char kReadMessage[] = "ReadMessage() As MimeEmailZQV";
constexpr char kTnefClass[] = "MimeTnefZQV";
constexpr char kTnefConstructor[] = "Constructor(Data As String)";
constexpr char kTnefAttachments[] = "Attachments() As MimeAttachmentZQV()";
constexpr char kTnefAttachmentAt[] = "Attachments(index As Integer) As MimeAttachmentZQV";
