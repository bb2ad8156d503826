// The named character references the HTML converter resolves: the 252
// character entities of HTML 4.01 plus "apos".
#pragma once

#include <cstddef>
#include <cstdint>

struct HtmlEntity {
  uint32_t codePoint;
  const char* name;  // ASCII, compared with case
};

constexpr size_t kHtmlEntityCount = 253;

// Ascending code points, followed by one record {0, ""} that ends the table.
extern const HtmlEntity kHtmlEntities[kHtmlEntityCount + 1];

// The code point of the entity named exactly by the `length` code points at
// `name`, or 0 when no entity has that name.
uint32_t FindHtmlEntity(const uint32_t* name, size_t length);
