// The package `make package` writes (on Linux), and the help descriptions it
// is made from.
#ifndef _WIN32

#include <cctype>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "helpgen_descriptions.h"
#include "plugin_test.h"

namespace {

namespace fs = std::filesystem;

const fs::path kPackage = fs::path(ZQV_BINARY_DIR) / "ZQVMime.xojo_plugin";
const std::string kResources = "ZQVMime/Build Resources/";
const std::string kWindowsLibrary = kResources + "Windows x86-64/zqvmime.dll";
const std::string kLinuxLibrary = kResources + "Linux x86-64/libzqvmime.so";
const std::string kLinuxArm64Library = kResources + "Linux arm64/libzqvmime.so";
const std::string kHelp = "ZQVMime/IDE Resources/Help/index.html";

// The package unpacked, with its entries' names as the archive stores them.
class UnpackedPackage {
 public:
  UnpackedPackage() {
    const auto [listing, status] = RunCommand(
        "python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
        "print(\"\\n\".join(z.namelist())); z.extractall(sys.argv[2])' '" +
        kPackage.string() + "' '" + directory_.path().string() + "'");
    unpacked_ = status == 0;
    std::istringstream lines(listing);
    for (std::string name; std::getline(lines, name);) entries_.insert(name);
  }
  bool unpacked() const { return unpacked_; }
  const std::set<std::string>& entries() const { return entries_; }
  fs::path file(const std::string& entry) const { return directory_.path() / entry; }

 private:
  TempDirectory directory_;
  std::set<std::string> entries_;
  bool unpacked_ = false;
};

uint32_t LittleEndian(const std::string& bytes, size_t at, size_t width) {
  uint32_t value = 0;
  for (size_t i = width; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::string Escaped(const std::string& text) {
  std::string html;
  for (const char c : text) {
    if (c == '&') html += "&amp;";
    else if (c == '<') html += "&lt;";
    else if (c == '>') html += "&gt;";
    else if (c == '"') html += "&quot;";
    else html += c;
  }
  return html;
}

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The part of the page from a heading to the next one of the same level.
std::string Section(const std::string& page, const std::string& heading, const char* level) {
  const size_t start = page.find(heading);
  if (start == std::string::npos) return "";
  const size_t end = page.find(std::string("<") + level, start + heading.size());
  return page.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string Listed(const std::string& name) { return "<code>" + Escaped(name) + "</code>"; }

// (class, property name or method declaration) for every member; "" is the class.
std::set<std::pair<std::string, std::string>> RegisteredMembers(const emu::Host& host) {
  std::set<std::pair<std::string, std::string>> members;
  for (const emu::RegisteredClass& registered : host.registeredClasses()) {
    const REALclassDefinition& record = *registered.record;
    members.emplace(registered.name, "");
    for (const auto& [list, count] : {std::pair(record.properties, record.propertyCount),
                                      std::pair(record.sharedProperties,
                                                record.sharedPropertyCount)}) {
      for (uint64_t i = 0; i < count; ++i) members.emplace(registered.name, list[i].name);
    }
    for (const auto& [list, count] : {std::pair(record.methods, record.methodCount),
                                      std::pair(record.sharedMethods, record.sharedMethodCount)}) {
      for (uint64_t i = 0; i < count; ++i) members.emplace(registered.name, list[i].declaration);
    }
  }
  return members;
}

// Runs without a package: a member without a line in helpgen_descriptions.cpp,
// or a line left behind for one that went, fails here first.
TEST(PackageHelp, EveryRegisteredMemberHasADescriptionAndEveryDescriptionAMember) {
  emu::Host host;
  host.loadPlugin();
  const auto members = RegisteredMembers(host);
  for (const auto& [className, member] : members) {
    const char* text = helpgen::FindDescription(className, member);
    EXPECT_TRUE(text != nullptr && *text != '\0') << className << " " << member;
  }
  for (size_t i = 0; i < helpgen::kDescriptionCount; ++i) {
    const helpgen::Description& description = helpgen::kDescriptions[i];
    EXPECT_EQ(members.count({description.className, description.member}), 1u)
        << "no such member: " << description.className << " " << description.member;
  }
  EXPECT_EQ(host.leakReport(), "");
}

// The package's one top folder holds each platform's library and the help
// page, which describes every registered member under its class.
TEST(Package, LibrariesForEachPlatformAndAHelpPageForEveryMember) {
  if (!fs::exists(kPackage)) GTEST_SKIP() << "`make package` writes " << kPackage;
  const UnpackedPackage package;
  ASSERT_TRUE(package.unpacked());
  std::set<std::string> files;
  for (const std::string& entry : package.entries()) {
    EXPECT_EQ(entry.rfind("ZQVMime/", 0), 0u) << entry;
    if (entry.back() != '/') files.insert(entry);
  }
  EXPECT_EQ(files,
            (std::set<std::string>{kWindowsLibrary, kLinuxLibrary, kLinuxArm64Library, kHelp}));

  // A 64-bit x86 Windows DLL: the PE header's machine and its DLL flag.
  const std::string dll = ReadFile(package.file(kWindowsLibrary));
  ASSERT_GT(dll.size(), 0x40u);
  ASSERT_EQ(dll.substr(0, 2), "MZ");
  const uint32_t peHeader = LittleEndian(dll, 0x3C, 4);
  ASSERT_LT(peHeader + 24, dll.size());
  EXPECT_EQ(dll.substr(peHeader, 4), std::string("PE\0\0", 4));
  EXPECT_EQ(LittleEndian(dll, peHeader + 4, 2), 0x8664u);
  EXPECT_NE(LittleEndian(dll, peHeader + 22, 2) & 0x2000u, 0u);

  // 64-bit little-endian ELF shared objects, each for its processor.
  const std::pair<std::string, uint32_t> elfLibraries[] = {{kLinuxLibrary, 62},        // x86-64
                                                           {kLinuxArm64Library, 183}};  // AArch64
  for (const auto& [library, machine] : elfLibraries) {
    SCOPED_TRACE(library);
    const std::string so = ReadFile(package.file(library));
    ASSERT_GT(so.size(), 0x40u);
    EXPECT_EQ(so.substr(0, 4), "\x7F" "ELF");
    EXPECT_EQ(so[4], 2);                          // 64-bit
    EXPECT_EQ(so[5], 1);                          // little-endian
    EXPECT_EQ(LittleEndian(so, 16, 2), 3u);       // shared object
    EXPECT_EQ(LittleEndian(so, 18, 2), machine);
  }

  const std::string page = ReadFile(package.file(kHelp));
  const size_t referenceStart = page.find("id=\"reference\"");
  ASSERT_NE(referenceStart, std::string::npos);

  // The packaged library registers the classes; declarations are shown in the
  // IDE's spelling, which Xojo reads regardless of case.
  emu::Host host;
  host.loadPlugin(package.file(kLinuxLibrary).string());
  for (const auto& [className, member] : RegisteredMembers(host)) {
    SCOPED_TRACE(className + " " + member);
    const std::string section = Section(page, "<h2 id=\"" + className + "\">", "h2");
    ASSERT_FALSE(section.empty());
    const std::string description = helpgen::FindDescription(className, member);
    const std::string rowOpening = "<tr><td>" + Listed(member);
    const size_t row = member.empty() ? 0 : Lowered(section).find(Lowered(rowOpening));
    ASSERT_NE(row, std::string::npos);
    const std::string rowText = section.substr(row, section.find("</tr>", row) - row);
    EXPECT_NE(rowText.find(description), std::string::npos);
  }
  for (const emu::RegisteredClass& registered : host.registeredClasses()) {
    if (registered.superName.empty()) continue;
    const std::string section = Section(page, "<h2 id=\"" + registered.name + "\">", "h2");
    EXPECT_NE(section.find(Listed(registered.superName)), std::string::npos) << registered.name;
  }

  // One spelling for each type in the declarations shown.
  const std::regex codeSpan("<code>([^<]*)</code>");
  const std::regex typeAfterAs(R"(\b([Aa][Ss]) ([A-Za-z]+))");
  const std::set<std::string> typeNames = {"String", "Integer", "Boolean", "Double", "Variant",
                                           "Date", "MemoryBlock", "FolderItem", "Int64"};
  const std::string reference = page.substr(referenceStart);
  for (std::sregex_iterator code(reference.begin(), reference.end(), codeSpan), end; code != end;
       ++code) {
    const std::string shown = (*code)[1];
    for (std::sregex_iterator as(shown.begin(), shown.end(), typeAfterAs); as != end; ++as) {
      EXPECT_EQ((*as)[1], "As") << shown;
      EXPECT_TRUE(typeNames.count((*as)[2]) == 1 || (*as)[2].str().rfind("Mime", 0) == 0) << shown;
    }
  }

  // The guide comes first, with the examples users look for and every exception.
  for (const char* example :
       {"New MimeEmailZQV(f)", "mail.PlainText", "mail.HTMLText", "In mail.Attachments",
        "SafeTarget(SpecialFolder.Documents, att.Filename)", "header.from", "header.too",
        "Catch e As UnsupportedFormatException", "id=\"things-to-know\"", "RuntimeException",
        "UnsupportedOperationException", "IOException", "OutOfMemoryException",
        "OutOfBoundsException", "IllegalCastException"}) {
    EXPECT_LT(page.find(example), referenceStart) << example;
  }
  // It names each platform whose library the package carries.
  for (const std::string& library : {kWindowsLibrary, kLinuxLibrary, kLinuxArm64Library}) {
    const size_t folderEnd = library.rfind('/');
    const std::string platform = library.substr(kResources.size(), folderEnd - kResources.size());
    EXPECT_LT(page.find("<li>" + Escaped(platform) + "</li>"), referenceStart) << platform;
  }
  EXPECT_EQ(page.find("<!-- platforms -->"), std::string::npos);
  EXPECT_EQ(host.leakReport(), "");
}

}  // namespace

#endif  // _WIN32
