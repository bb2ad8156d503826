// The flag words of the class, property and method records, as this plugin
// builds them. The host gives the bits their meaning; the plugin names the
// combinations it registers and rewrites them for hosts that cannot read
// them (AdaptFlagToHost).
#pragma once

#include <cstdint>

// Bits the plugin itself looks at.
constexpr uint32_t kPublicMemberBit = 0x4;        // the plain member every host knows
constexpr uint32_t kHiddenMemberBit = 0x80;       // left out of what host code lists
constexpr uint32_t kObsoleteMemberBit = 0x40000;  // known to no host any longer
// A property of type Date carries these bits (within this mask); hosts
// before 2020.02 do not know them.
constexpr uint32_t kDatePropertyMask = 0x708;
constexpr uint32_t kDatePropertyBits = 0x308;

// The flag words of the records as built.
constexpr uint32_t kClassFlags = kPublicMemberBit;
constexpr uint32_t kMethodFlags = kPublicMemberBit;
// The parameterless constructors of classes whose instances the plugin makes
// itself: they do nothing, so host code is not shown them.
constexpr uint32_t kHiddenConstructorFlags = kMethodFlags | kHiddenMemberBit;
constexpr uint32_t kPropertyFlags = 0x6;
constexpr uint32_t kDatePropertyFlags = 0x30A;

static_assert((kDatePropertyFlags & kDatePropertyMask) == kDatePropertyBits);
// What an older host is given for a Date property instead: a plain property.
static_assert(((kDatePropertyFlags & ~kDatePropertyBits) | kPublicMemberBit) == kPropertyFlags);
