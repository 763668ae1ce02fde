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

// Hash and equality of texts as foldCase sees them, for unordered containers with
// heterogeneous lookup (find(StringView) without building a folded copy). ASCII, CJK and
// full-width text is hashed without allocating.
struct NoCaseHash {
  using is_transparent = void;
  size_t operator()(StringView text) const noexcept;
};
struct NoCaseEqual {
  using is_transparent = void;
  bool operator()(StringView a, StringView b) const noexcept { return equalsNoCase(a, b); }
};

// Decimal text of a number, as automation formats a Long.
String toString(long long value);

}  // namespace lv8int

#if defined(__GLIBCXX__)
// A folded hash walks the whole text: unordered containers keep it with each element, so a
// lookup compares hashes before texts and a rehash does not hash every key again.
template <>
struct std::__is_fast_hash<lv8int::NoCaseHash> : std::false_type {};
#endif
