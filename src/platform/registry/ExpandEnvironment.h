#pragma once
// Expansion of %NAME% environment references in expandable registry strings.
#include <cstdint>
#include <string_view>

#include "platform/automation/String.h"

namespace lv8int::reg {

// Each %NAME% becomes the value of the environment variable NAME (looked up as written, then
// without regard to case, as the platform's environment is); a reference to a variable that is
// not set stays as written, and so does a lone "%".
String expandEnvironmentStrings(StringView text);

// The byte-oriented flavour: `source` and the result in the ANSI code page. The expansion with
// its terminating zero is written to `dest` when `size` bytes hold it; the return value is the
// number of bytes it needs, terminating zero included (call once with size 0 to learn it).
uint32_t expandEnvironmentStringsA(std::string_view source, char* dest, uint32_t size);

}  // namespace lv8int::reg
