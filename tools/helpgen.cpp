// helpgen: writes the plugin's help page for the Xojo IDE. It loads the
// plugin into the host emulator and describes every class exactly as the
// plugin registered it (properties with their types, methods by their
// declarations, shared members apart), each member with its description from
// helpgen_descriptions.cpp, after a hand-written guide. Since the reference is
// read from the class records themselves, it cannot drift from the code, and
// a member without a description stops the page from being written. The
// platforms the package carries, each given with --platform, are listed where
// the guide has the comment <!-- platforms -->.
//
//   helpgen [--plugin PATH] [--platform NAME]... --guide GUIDE.html > index.html

#include <cctype>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "declarations.h"
#include "helpgen_descriptions.h"
#include "host.h"

namespace {

const char* const kUsage =
    "usage: helpgen [--plugin PATH] [--platform NAME]... --guide GUIDE.html > index.html\n";
const std::string_view kPlatformsMark = "<!-- platforms -->";

struct Options {
  std::string pluginPath = ZQV_PLUGIN_FILE;
  std::string guidePath;
  std::vector<std::string> platforms;
};

std::optional<Options> ParseArguments(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string argument = argv[i];
    if (argument == "--plugin") {
      options.pluginPath = argv[i + 1];
    } else if (argument == "--guide") {
      options.guidePath = argv[i + 1];
    } else if (argument == "--platform") {
      options.platforms.push_back(argv[i + 1]);
    } else {
      return std::nullopt;
    }
  }
  if (argc % 2 == 0 || options.guidePath.empty()) return std::nullopt;
  return options;
}

std::string Escaped(std::string_view text) {
  std::string html;
  for (const char c : text) {
    switch (c) {
      case '&': html += "&amp;"; break;
      case '<': html += "&lt;"; break;
      case '>': html += "&gt;"; break;
      case '"': html += "&quot;"; break;
      default: html += c;
    }
  }
  return html;
}

std::string PlatformList(const std::vector<std::string>& platforms) {
  std::string list = "<ul>\n";
  for (const std::string& platform : platforms) list += "<li>" + Escaped(platform) + "</li>\n";
  return list + "</ul>";
}

// A class name links to its section when it is one of the plugin's classes.
class Linker {
 public:
  explicit Linker(const std::vector<emu::RegisteredClass>& classes) {
    for (const emu::RegisteredClass& registered : classes) names_.insert(registered.name);
  }
  std::string type(std::string_view name) const {
    const std::string element(name.substr(0, name.find('(')));
    if (names_.count(element) == 0) return "<code>" + Escaped(name) + "</code>";
    return "<a href=\"#" + element + "\"><code>" + Escaped(name) + "</code></a>";
  }

 private:
  std::set<std::string> names_;
};

// Xojo ignores the case of keywords and type names, and the registered
// declarations keep the spelling the host matches them by ("name as
// string"); the page writes each the one way the IDE shows it.
std::string DisplayDeclaration(std::string_view declaration) {
  static const char* const kTypeNames[] = {"String",  "Integer", "Boolean",     "Double",
                                           "Variant", "Date",    "MemoryBlock", "FolderItem"};
  std::string shown;
  bool afterAs = false;
  size_t i = 0;
  while (i < declaration.size()) {
    if (!std::isalnum(static_cast<unsigned char>(declaration[i]))) {
      shown += declaration[i++];
      continue;
    }
    size_t end = i;
    while (end < declaration.size() && std::isalnum(static_cast<unsigned char>(declaration[end]))) {
      ++end;
    }
    std::string word(declaration.substr(i, end - i));
    const bool isAs = emu::EqualIgnoringCase(word, "as");
    if (isAs) {
      word = "As";
    } else if (afterAs) {
      for (const char* type : kTypeNames) {
        if (emu::EqualIgnoringCase(word, type)) word = type;
      }
    }
    shown += word;
    afterAs = isAs;
    i = end;
  }
  return shown;
}

// Writes the reference and notes every member that has no description.
class ReferenceWriter {
 public:
  ReferenceWriter(std::ostream& out, const std::vector<emu::RegisteredClass>& classes)
      : out_(out), classes_(classes), linker_(classes) {}

  void write() {
    out_ << "<h1 id=\"reference\">Class reference</h1>\n"
         << "<p>Every class, property and method as the plugin declares it to Xojo. "
         << "Member names keep the exact case in which they are declared. Reading a property "
         << "never raises an exception; what a method raises is said with it.</p>\n<ul>\n";
    for (const emu::RegisteredClass& registered : classes_) {
      out_ << "<li>" << linker_.type(registered.name) << "</li>\n";
    }
    out_ << "</ul>\n";
    for (const emu::RegisteredClass& registered : classes_) writeClass(registered);
  }

  const std::vector<std::string>& undescribed() const { return undescribed_; }

 private:
  void writeClass(const emu::RegisteredClass& registered) {
    className_ = registered.name;
    const REALclassDefinition& record = *registered.record;
    out_ << "<h2 id=\"" << Escaped(registered.name) << "\">" << Escaped(registered.name)
         << "</h2>\n<p>" << description("");
    if (!registered.superName.empty()) {
      out_ << " Subclass of " << linker_.type(registered.superName)
           << ", whose members it has as well.";
    }
    out_ << "</p>\n";
    writeProperties("Properties", record.properties, record.propertyCount);
    writeMethods("Methods", record.methods, record.methodCount);
    writeProperties("Shared properties", record.sharedProperties, record.sharedPropertyCount);
    writeMethods("Shared methods", record.sharedMethods, record.sharedMethodCount);
  }

  void writeProperties(const char* heading, const REALproperty* properties, uint64_t count) {
    if (count == 0) return;
    out_ << "<h3>" << heading << "</h3>\n<table class=\"members\">\n"
         << "<tr><th>Name</th><th>Type</th><th>Access</th><th>Description</th></tr>\n";
    for (uint64_t i = 0; i < count; ++i) {
      const REALproperty& property = properties[i];
      out_ << "<tr><td><code>" << Escaped(property.name) << "</code></td><td>"
           << linker_.type(DisplayDeclaration(property.type)) << "</td><td>"
           << (property.setter == nullptr ? "read-only" : "read and write") << "</td><td>"
           << description(property.name) << "</td></tr>\n";
    }
    out_ << "</table>\n";
  }

  void writeMethods(const char* heading, const REALmethod* methods, uint64_t count) {
    if (count == 0) return;
    out_ << "<h3>" << heading << "</h3>\n<table class=\"members\">\n"
         << "<tr><th>Declaration</th><th>Description</th></tr>\n";
    for (uint64_t i = 0; i < count; ++i) {
      out_ << "<tr><td><code>" << Escaped(DisplayDeclaration(methods[i].declaration))
           << "</code></td><td>" << description(methods[i].declaration) << "</td></tr>\n";
    }
    out_ << "</table>\n";
  }

  const char* description(const char* member) {
    const char* text = helpgen::FindDescription(className_, member);
    if (text != nullptr) return text;
    undescribed_.push_back(className_ + (*member == '\0' ? "" : std::string(".") + member));
    return "";
  }

  std::ostream& out_;
  const std::vector<emu::RegisteredClass>& classes_;
  const Linker linker_;
  std::string className_;
  std::vector<std::string> undescribed_;
};

const char* const kPageStart = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>ZQVMime</title>
<style>
body { font-family: sans-serif; max-width: 60em; margin: 1em auto; padding: 0 1em; line-height: 1.4; }
pre { background: #f4f4f4; padding: 0.6em; overflow-x: auto; }
table.members { border-collapse: collapse; }
table.members td, table.members th { border: 1px solid #ccc; padding: 0.2em 0.6em; text-align: left; }
h2 { border-top: 1px solid #ccc; padding-top: 0.6em; }
</style>
</head>
<body>
)";

const char* const kPageEnd = "</body>\n</html>\n";

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseArguments(argc, argv);
  if (!options) {
    std::cerr << kUsage;
    return 2;
  }
  std::ifstream guideFile(options->guidePath, std::ios::binary);
  if (!guideFile) {
    std::cerr << "helpgen: cannot read " << options->guidePath << "\n";
    return 2;
  }
  std::string guide((std::istreambuf_iterator<char>(guideFile)), std::istreambuf_iterator<char>());
  const size_t platformsAt = guide.find(kPlatformsMark);
  if (!options->platforms.empty() && platformsAt != std::string::npos) {
    guide.replace(platformsAt, kPlatformsMark.size(), PlatformList(options->platforms));
  }
  try {
    emu::Host host;
    host.loadPlugin(options->pluginPath);
    if (host.registeredClasses().empty()) {
      std::cerr << "helpgen: the plugin registered no class\n";
      return 1;
    }
    std::ostringstream reference;
    ReferenceWriter writer(reference, host.registeredClasses());
    writer.write();
    if (!writer.undescribed().empty()) {
      std::cerr << "helpgen: no description in tools/helpgen_descriptions.cpp for:\n";
      for (const std::string& member : writer.undescribed()) std::cerr << "  " << member << "\n";
      return 1;
    }
    std::cout << kPageStart << guide << reference.str() << kPageEnd;
    return std::cout ? 0 : 1;
  } catch (const std::exception& error) {
    std::cerr << "helpgen: " << error.what() << "\n";
    return 2;
  }
}
