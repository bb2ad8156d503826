#include "decoding/html_entities.h"

#include <array>
#include <cstring>

const HtmlEntity kHtmlEntities[kHtmlEntityCount + 1] = {
    {34, "quot"}, {38, "amp"}, {39, "apos"}, {60, "lt"}, {62, "gt"}, {160, "nbsp"},
    {161, "iexcl"}, {162, "cent"}, {163, "pound"}, {164, "curren"}, {165, "yen"}, {166, "brvbar"},
    {167, "sect"}, {168, "uml"}, {169, "copy"}, {170, "ordf"}, {171, "laquo"}, {172, "not"},
    {173, "shy"}, {174, "reg"}, {175, "macr"}, {176, "deg"}, {177, "plusmn"}, {178, "sup2"},
    {179, "sup3"}, {180, "acute"}, {181, "micro"}, {182, "para"}, {183, "middot"}, {184, "cedil"},
    {185, "sup1"}, {186, "ordm"}, {187, "raquo"}, {188, "frac14"}, {189, "frac12"},
    {190, "frac34"}, {191, "iquest"}, {192, "Agrave"}, {193, "Aacute"}, {194, "Acirc"},
    {195, "Atilde"}, {196, "Auml"}, {197, "Aring"}, {198, "AElig"}, {199, "Ccedil"},
    {200, "Egrave"}, {201, "Eacute"}, {202, "Ecirc"}, {203, "Euml"}, {204, "Igrave"},
    {205, "Iacute"}, {206, "Icirc"}, {207, "Iuml"}, {208, "ETH"}, {209, "Ntilde"},
    {210, "Ograve"}, {211, "Oacute"}, {212, "Ocirc"}, {213, "Otilde"}, {214, "Ouml"},
    {215, "times"}, {216, "Oslash"}, {217, "Ugrave"}, {218, "Uacute"}, {219, "Ucirc"},
    {220, "Uuml"}, {221, "Yacute"}, {222, "THORN"}, {223, "szlig"}, {224, "agrave"},
    {225, "aacute"}, {226, "acirc"}, {227, "atilde"}, {228, "auml"}, {229, "aring"},
    {230, "aelig"}, {231, "ccedil"}, {232, "egrave"}, {233, "eacute"}, {234, "ecirc"},
    {235, "euml"}, {236, "igrave"}, {237, "iacute"}, {238, "icirc"}, {239, "iuml"}, {240, "eth"},
    {241, "ntilde"}, {242, "ograve"}, {243, "oacute"}, {244, "ocirc"}, {245, "otilde"},
    {246, "ouml"}, {247, "divide"}, {248, "oslash"}, {249, "ugrave"}, {250, "uacute"},
    {251, "ucirc"}, {252, "uuml"}, {253, "yacute"}, {254, "thorn"}, {255, "yuml"}, {338, "OElig"},
    {339, "oelig"}, {352, "Scaron"}, {353, "scaron"}, {376, "Yuml"}, {402, "fnof"}, {710, "circ"},
    {732, "tilde"}, {913, "Alpha"}, {914, "Beta"}, {915, "Gamma"}, {916, "Delta"},
    {917, "Epsilon"}, {918, "Zeta"}, {919, "Eta"}, {920, "Theta"}, {921, "Iota"}, {922, "Kappa"},
    {923, "Lambda"}, {924, "Mu"}, {925, "Nu"}, {926, "Xi"}, {927, "Omicron"}, {928, "Pi"},
    {929, "Rho"}, {931, "Sigma"}, {932, "Tau"}, {933, "Upsilon"}, {934, "Phi"}, {935, "Chi"},
    {936, "Psi"}, {937, "Omega"}, {945, "alpha"}, {946, "beta"}, {947, "gamma"}, {948, "delta"},
    {949, "epsilon"}, {950, "zeta"}, {951, "eta"}, {952, "theta"}, {953, "iota"}, {954, "kappa"},
    {955, "lambda"}, {956, "mu"}, {957, "nu"}, {958, "xi"}, {959, "omicron"}, {960, "pi"},
    {961, "rho"}, {962, "sigmaf"}, {963, "sigma"}, {964, "tau"}, {965, "upsilon"}, {966, "phi"},
    {967, "chi"}, {968, "psi"}, {969, "omega"}, {977, "thetasym"}, {978, "upsih"}, {982, "piv"},
    {8194, "ensp"}, {8195, "emsp"}, {8201, "thinsp"}, {8204, "zwnj"}, {8205, "zwj"},
    {8206, "lrm"}, {8207, "rlm"}, {8211, "ndash"}, {8212, "mdash"}, {8216, "lsquo"},
    {8217, "rsquo"}, {8218, "sbquo"}, {8220, "ldquo"}, {8221, "rdquo"}, {8222, "bdquo"},
    {8224, "dagger"}, {8225, "Dagger"}, {8226, "bull"}, {8230, "hellip"}, {8240, "permil"},
    {8242, "prime"}, {8243, "Prime"}, {8249, "lsaquo"}, {8250, "rsaquo"}, {8254, "oline"},
    {8260, "frasl"}, {8364, "euro"}, {8465, "image"}, {8472, "weierp"}, {8476, "real"},
    {8482, "trade"}, {8501, "alefsym"}, {8592, "larr"}, {8593, "uarr"}, {8594, "rarr"},
    {8595, "darr"}, {8596, "harr"}, {8629, "crarr"}, {8656, "lArr"}, {8657, "uArr"},
    {8658, "rArr"}, {8659, "dArr"}, {8660, "hArr"}, {8704, "forall"}, {8706, "part"},
    {8707, "exist"}, {8709, "empty"}, {8711, "nabla"}, {8712, "isin"}, {8713, "notin"},
    {8715, "ni"}, {8719, "prod"}, {8721, "sum"}, {8722, "minus"}, {8727, "lowast"},
    {8730, "radic"}, {8733, "prop"}, {8734, "infin"}, {8736, "ang"}, {8743, "and"}, {8744, "or"},
    {8745, "cap"}, {8746, "cup"}, {8747, "int"}, {8756, "there4"}, {8764, "sim"}, {8773, "cong"},
    {8776, "asymp"}, {8800, "ne"}, {8801, "equiv"}, {8804, "le"}, {8805, "ge"}, {8834, "sub"},
    {8835, "sup"}, {8836, "nsub"}, {8838, "sube"}, {8839, "supe"}, {8853, "oplus"},
    {8855, "otimes"}, {8869, "perp"}, {8901, "sdot"}, {8968, "lceil"}, {8969, "rceil"},
    {8970, "lfloor"}, {8971, "rfloor"}, {9001, "lang"}, {9002, "rang"}, {9674, "loz"},
    {9824, "spades"}, {9827, "clubs"}, {9829, "hearts"}, {9830, "diams"},
    {0, ""},
};

namespace {

// The length and the first three letters of a name in one word: the scan
// passes over nearly every entry with one comparison instead of a loop over
// its letters.
uint32_t NameKey(size_t length, uint32_t first, uint32_t second, uint32_t third) {
  return static_cast<uint32_t>(length) | first << 8 | second << 16 | third << 24;
}

uint32_t EntryKey(const char* name) {
  const size_t length = std::strlen(name);
  auto letter = [&](size_t i) { return i < length ? static_cast<unsigned char>(name[i]) : 0u; };
  return NameKey(length, letter(0), letter(1), letter(2));
}

// Keys are compared a block at a time, in a loop the compiler turns into
// vector code; the block past the table's end is filled with keys of length
// 0, which no reference has.
constexpr size_t kKeyBlock = 8;
constexpr size_t kKeyCount = (kHtmlEntityCount + kKeyBlock - 1) / kKeyBlock * kKeyBlock;

// Built once, in table order.
const std::array<uint32_t, kKeyCount>& EntryKeys() {
  static const std::array<uint32_t, kKeyCount> keys = [] {
    std::array<uint32_t, kKeyCount> made{};
    for (size_t i = 0; i < kHtmlEntityCount; ++i) made[i] = EntryKey(kHtmlEntities[i].name);
    return made;
  }();
  return keys;
}

}  // namespace

// A reference must spell a whole entity name. Matching only its first letters
// would turn fragments such as "&a;" or "&nbs;" into whichever entity happens
// to come first in code-point order among those sharing the fragment ("&" for
// "&a;"), a result that depends on the table's order rather than on anything
// the author of the HTML wrote; an unknown name is dropped instead.
uint32_t FindHtmlEntity(const uint32_t* name, size_t length) {
  // Every name in the table is ASCII and shorter than 256 letters, so other
  // text cannot match (and its code points would not fit the key).
  if (length == 0 || length > 0xFF) return 0;
  for (size_t i = 0; i < length; ++i) {
    if (name[i] > 0x7F) return 0;
  }
  auto letter = [&](size_t i) { return i < length ? name[i] : 0u; };
  const uint32_t key = NameKey(length, letter(0), letter(1), letter(2));
  const std::array<uint32_t, kKeyCount>& keys = EntryKeys();
  for (size_t block = 0; block < kKeyCount; block += kKeyBlock) {
    uint32_t matchingKeys = 0;
    for (size_t i = 0; i < kKeyBlock; ++i) matchingKeys += keys[block + i] == key;
    if (matchingKeys == 0) continue;
    for (size_t entry = block; entry < block + kKeyBlock; ++entry) {
      if (keys[entry] != key) continue;
      const char* entityName = kHtmlEntities[entry].name;
      size_t matched = 3;
      while (matched < length &&
             static_cast<unsigned char>(entityName[matched]) == name[matched]) {
        ++matched;
      }
      if (matched >= length) return kHtmlEntities[entry].codePoint;
    }
  }
  return 0;
}
