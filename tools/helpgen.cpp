// helpgen: writes the plugin's help page for the Xojo IDE. It loads the
// plugin into the host emulator and describes every class exactly as the
// plugin registered it (properties with their types, methods by their
// declarations, shared members apart), after a hand-written guide. Since the
// reference is read from the class records themselves, it cannot drift from
// the code. The platforms the package carries, each given with --platform,
// are listed where the guide has the comment <!-- platforms -->.
//
//   helpgen [--plugin PATH] [--platform NAME]... --guide GUIDE.html > index.html

#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

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

void WriteProperties(std::ostream& out, const char* heading, const REALproperty* properties,
                     uint64_t count, const Linker& linker) {
  if (count == 0) return;
  out << "<h3>" << heading << "</h3>\n<table class=\"members\">\n"
      << "<tr><th>Name</th><th>Type</th><th>Access</th></tr>\n";
  for (uint64_t i = 0; i < count; ++i) {
    const REALproperty& property = properties[i];
    out << "<tr><td><code>" << Escaped(property.name) << "</code></td><td>"
        << linker.type(property.type) << "</td><td>"
        << (property.setter == nullptr ? "read-only" : "read and write") << "</td></tr>\n";
  }
  out << "</table>\n";
}

void WriteMethods(std::ostream& out, const char* heading, const REALmethod* methods,
                  uint64_t count) {
  if (count == 0) return;
  out << "<h3>" << heading << "</h3>\n<ul class=\"members\">\n";
  for (uint64_t i = 0; i < count; ++i) {
    out << "<li><code>" << Escaped(methods[i].declaration) << "</code></li>\n";
  }
  out << "</ul>\n";
}

void WriteReference(std::ostream& out, const std::vector<emu::RegisteredClass>& classes) {
  const Linker linker(classes);
  out << "<h1 id=\"reference\">Class reference</h1>\n"
      << "<p>Every class, property and method as the plugin declares it to Xojo. "
      << "Member names keep the exact case in which they are declared.</p>\n<ul>\n";
  for (const emu::RegisteredClass& registered : classes) {
    out << "<li>" << linker.type(registered.name) << "</li>\n";
  }
  out << "</ul>\n";
  for (const emu::RegisteredClass& registered : classes) {
    const REALclassDefinition& record = *registered.record;
    out << "<h2 id=\"" << Escaped(registered.name) << "\">" << Escaped(registered.name)
        << "</h2>\n";
    if (!registered.superName.empty()) {
      out << "<p>Subclass of " << linker.type(registered.superName)
          << ", whose members it has as well.</p>\n";
    }
    WriteProperties(out, "Properties", record.properties, record.propertyCount, linker);
    WriteMethods(out, "Methods", record.methods, record.methodCount);
    WriteProperties(out, "Shared properties", record.sharedProperties,
                    record.sharedPropertyCount, linker);
    WriteMethods(out, "Shared methods", record.sharedMethods, record.sharedMethodCount);
  }
}

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
    std::cout << kPageStart << guide;
    WriteReference(std::cout, host.registeredClasses());
    std::cout << kPageEnd;
    return std::cout ? 0 : 1;
  } catch (const std::exception& error) {
    std::cerr << "helpgen: " << error.what() << "\n";
    return 2;
  }
}
