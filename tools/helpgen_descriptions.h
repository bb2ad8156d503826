// What the help page says about each class and each member, beside what the
// class records declare. helpgen refuses to write a page on which a
// registered member has no description, so nothing new slips in unexplained.
#pragma once

#include <cstddef>
#include <string_view>

namespace helpgen {

struct Description {
  const char* className;
  const char* member;  // a property's name, a method's declaration as registered; "" for the class
  const char* html;    // one or two sentences, HTML
};

extern const Description kDescriptions[];
extern const size_t kDescriptionCount;

// The description of a class (member "") or of one of its members, or null.
const char* FindDescription(std::string_view className, std::string_view member);

}  // namespace helpgen
