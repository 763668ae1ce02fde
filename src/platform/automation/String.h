#pragma once
// Automation text: counted UTF-16. Lengths and cuts count UTF-16 code units.
// Text becomes UTF-8 only at the edges (files, Qt, terminal).
#include <string>
#include <string_view>

namespace lv8int {

using String = std::u16string;
using StringView = std::u16string_view;

// UTF-8 <-> UTF-16. Malformed input becomes U+FFFD; nothing throws.
String fromUtf8(std::string_view utf8);
std::string toUtf8(StringView text);

// Case-insensitive comparison for member names, keys and paths (ICU full case folding,
// so Chinese text and full-width letters are handled).
String foldCase(StringView text);
bool equalsNoCase(StringView a, StringView b);

// Decimal text of a number, as automation formats a Long.
String toString(long long value);

}  // namespace lv8int
