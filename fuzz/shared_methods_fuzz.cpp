// Each input is a text for the shared methods that take one string
// (HTMLToPlainText, DecodeInline, and any added later), called with the
// format switch off and then on. The first byte picks the encoding the host
// string is tagged with, so the plugin's reading of host text is fuzzed too.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "declarations.h"
#include "fuzz_host.h"

namespace {

const uint32_t kEncodings[] = {
    kREALTextEncodingUTF8,  kREALTextEncodingUnknown, kREALTextEncodingASCII,
    kREALTextEncodingWindowsLatin1, kREALTextEncodingISOLatin1, kREALTextEncodingMacRoman,
    kREALTextEncodingUTF16, kREALTextEncodingUTF32,
};

// (class, declaration) of every shared method from one String to a String.
std::vector<std::pair<std::string, std::string>> SharedTextMethods(emu::Host& host) {
  std::vector<std::pair<std::string, std::string>> methods;
  for (const emu::RegisteredClass& registered : host.registeredClasses()) {
    const REALclassDefinition& record = *registered.record;
    for (uint64_t i = 0; i < record.sharedMethodCount; ++i) {
      const REALmethod& method = record.sharedMethods[i];
      if (method.declaration == nullptr || method.function == nullptr) continue;
      const std::optional<emu::Signature> signature = emu::ParseDeclaration(method.declaration);
      if (signature && signature->parameters.size() == 1 &&
          signature->parameters[0] == emu::TypeKind::String &&
          signature->result == emu::TypeKind::String) {
        methods.emplace_back(registered.name, method.declaration);
      }
    }
  }
  return methods;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  emu::Host& host = fuzzing::FuzzHost();
  static const std::vector<std::pair<std::string, std::string>> methods = SharedTextMethods(host);
  const uint32_t encoding = kEncodings[data[0] % std::size(kEncodings)];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  for (bool raise : {false, true}) {
    fuzzing::SetFormatExceptions(host, raise);
    for (const auto& [className, declaration] : methods) {
      emu::Value result = host.callShared(className, declaration, {host.string(text, encoding)});
      (void)host.takeException();
      const emu::Str& answer = result.str();
      if (!answer.isNil()) (void)answer.utf8();
    }
  }
  fuzzing::RequireCleanHost(host, "a shared-method text");
  return 0;
}
