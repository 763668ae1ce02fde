#include "platform/xml/XmlParse.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <unordered_set>
#include <vector>

#include "platform/codepage/AnsiCodePage.h"
#include "platform/files/Files.h"

namespace lv8int::xml {
namespace {

using std::string_view;

bool startsWith(string_view text, size_t at, string_view prefix) { return text.substr(at, prefix.size()) == prefix; }

void place(string_view text, size_t offset, XmlParseError& error) {
  offset = std::min(offset, text.size());
  int32_t line = 1;
  size_t lineStart = 0;
  for (size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++line;
      lineStart = i + 1;
    }
  }
  int32_t column = 1;
  for (size_t i = lineStart; i < offset; ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++column;
  error.line = line;
  error.column = column;
}

bool fail(XmlParseError& error, int32_t code, const std::string& message, string_view text = {},
          size_t offset = string_view::npos) {
  error.errorCode = code;
  error.line = error.column = 0;
  std::string reason = message;
  if (offset != string_view::npos) {
    place(text, offset, error);
    reason += " (line " + std::to_string(error.line) + ", column " + std::to_string(error.column) + ")";
  }
  error.reason = fromUtf8(reason);
  return false;
}

std::string lower(string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The encoding named in an XML declaration at the start of `bytes`, lower-cased; "" when none.
std::string declaredEncoding(string_view bytes) {
  if (!startsWith(bytes, 0, "<?xml") || bytes.size() < 6 || !std::isspace(static_cast<unsigned char>(bytes[5])))
    return {};
  size_t end = bytes.find("?>");
  if (end == string_view::npos) return {};
  string_view decl = bytes.substr(0, end);
  size_t at = decl.find("encoding");
  if (at == string_view::npos) return {};
  at += 8;
  while (at < decl.size() && std::isspace(static_cast<unsigned char>(decl[at]))) ++at;
  if (at >= decl.size() || decl[at] != '=') return {};
  ++at;
  while (at < decl.size() && std::isspace(static_cast<unsigned char>(decl[at]))) ++at;
  if (at >= decl.size() || (decl[at] != '"' && decl[at] != '\'')) return {};
  char quote = decl[at++];
  size_t close = decl.find(quote, at);
  if (close == string_view::npos) return {};
  return lower(decl.substr(at, close - at));
}

// The document as UTF-8: `bytes` itself less a byte-order mark (`unchecked`: not yet known to
// be valid UTF-8), or `converted` from another character set.
bool decode(string_view bytes, std::string& converted, string_view& utf8, bool& unchecked, XmlParseError& error) {
  unchecked = false;
  auto b = [&](size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0x100u; };
  if (b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) {
    bytes.remove_prefix(3);
  } else if ((b(0) == 0xFF && b(1) == 0xFE) || (b(0) == '<' && b(1) == 0 && b(2) == '?' && b(3) == 0)) {
    if (b(0) == 0xFF) bytes.remove_prefix(2);
    codepage::charsetToUtf8(bytes, "UTF-16LE", converted);
    utf8 = converted;
    return true;
  } else if ((b(0) == 0xFE && b(1) == 0xFF) || (b(0) == 0 && b(1) == '<' && b(2) == 0 && b(3) == '?')) {
    if (b(0) == 0xFE) bytes.remove_prefix(2);
    codepage::charsetToUtf8(bytes, "UTF-16BE", converted);
    utf8 = converted;
    return true;
  } else {
    std::string charset = declaredEncoding(bytes);
    if (charset == "gb2312" || charset == "gbk" || charset == "cp936") charset = "windows-936";
    const bool unicode = charset.empty() || charset == "utf-8" || charset == "utf8" || charset.rfind("utf-16", 0) == 0 ||
                         charset == "ucs-2" || charset == "unicode";
    if (!unicode) {
      if (!codepage::charsetToUtf8(bytes, charset, converted))
        return fail(error, xmlerr::UnsupportedEncoding, "System does not support the specified encoding.", bytes,
                    bytes.find("encoding"));
      utf8 = converted;
      return true;
    }
  }
  utf8 = bytes;
  unchecked = true;  // whether it is UTF-8 at all is checked with the characters
  return true;
}

bool isXmlChar(uint32_t c) {
  // Control characters are accepted as references (the registry writes them so) but not raw.
  return (c >= 1 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Skips a comment, CDATA section, processing instruction or declaration starting at `i`;
// returns the offset after it, `i` when there is none there, npos when it is not closed.
size_t skipMarkup(string_view text, size_t i) {
  auto past = [&](string_view close, size_t from) {
    size_t at = text.find(close, from);
    return at == string_view::npos ? at : at + close.size();
  };
  if (startsWith(text, i, "<!--")) return past("-->", i + 4);
  if (startsWith(text, i, "<![CDATA[")) return past("]]>", i + 9);
  if (startsWith(text, i, "<?")) return past("?>", i + 2);
  if (startsWith(text, i, "<!")) {
    int depth = 0;
    char quote = 0;
    for (size_t k = i + 2; k < text.size(); ++k) {
      char c = text[k];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '[') {
        ++depth;
      } else if (c == ']') {
        --depth;
      } else if (c == '>' && depth <= 0) {
        return k + 1;
      }
    }
    return string_view::npos;
  }
  return i;
}

// The length of the run of bytes from `i` that need no look: no control character other than
// tab, line feed and carriage return, no '&', no "<!" or "<?", and with `stopAtHigh` no byte
// above 0x7F (it may stop early, never late). Sixteen bytes at a time where the processor
// allows, else eight.
inline size_t plainRun(string_view text, size_t i, bool stopAtHigh) {
  const size_t start = i, n = text.size();
#if defined(__SSE2__)
  const __m128i lt = _mm_set1_epi8('<'), amp = _mm_set1_epi8('&'), bang = _mm_set1_epi8('!'),
                question = _mm_set1_epi8('?'), last = _mm_set1_epi8(0x1F), tab = _mm_set1_epi8('\t'),
                lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
  for (; i + 17 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i + 1));
    const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(x, last), x);
    const __m128i allowed = _mm_or_si128(_mm_cmpeq_epi8(x, tab), _mm_or_si128(_mm_cmpeq_epi8(x, lf), _mm_cmpeq_epi8(x, cr)));
    const __m128i markup = _mm_and_si128(_mm_cmpeq_epi8(x, lt),
                                         _mm_or_si128(_mm_cmpeq_epi8(next, bang), _mm_cmpeq_epi8(next, question)));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_andnot_si128(allowed, control), stopAtHigh ? x : _mm_setzero_si128()),
                                     _mm_or_si128(markup, _mm_cmpeq_epi8(x, amp)));
    if (const int mask = _mm_movemask_epi8(hit)) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask))) - start;
  }
#else
  constexpr uint64_t ones = 0x0101010101010101ULL, high = 0x8080808080808080ULL;
  const auto zero = [](uint64_t x) { return (x - ones) & ~x & high; };
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, text.data() + i, 8);
    if ((((w - ones * 0x20) & ~w & high) | zero(w ^ (ones * '<')) | zero(w ^ (ones * '&')) | (stopAtHigh ? w & high : 0)) != 0)
      break;
  }
#endif
  return i - start;
}

// Raw control characters and entity references, which the parser underneath lets through,
// and with `utf8Unchecked` bytes that are not UTF-8, in the same pass. Bytes that are not UTF-8
// are reported before anything else, wherever they are.
bool checkCharacters(string_view text, bool utf8Unchecked, XmlParseError& error) {
  const size_t n = text.size();
  constexpr char kBadText[] = "An invalid character was found in text content.";
  // Bytes not UTF-8 at or after `at` (where a character is known to start), if any.
  const auto notUtf8 = [&](size_t at, size_t end) {
    if (!utf8Unchecked) return string_view::npos;
    const size_t bad = codepage::firstInvalidUtf8(text.substr(at, end - at));
    return bad == string_view::npos ? bad : at + bad;
  };
  // Everything before `at` has been looked at.
  const auto refuse = [&](int32_t code, const std::string& message, size_t at) {
    const size_t bad = notUtf8(at, n);
    return bad != string_view::npos ? fail(error, xmlerr::BadText, kBadText, text, bad) : fail(error, code, message, text, at);
  };
  size_t i = 0;
  while (i < n) {
    i += plainRun(text, i, utf8Unchecked);
    if (i >= n) break;
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80 && utf8Unchecked) {
      // Up to the next byte that needs a look (ASCII, so it ends any character before it),
      // in one go.
      size_t end = i + plainRun(text, i, false);
      while (end < n && static_cast<unsigned char>(text[end]) >= 0x80) ++end;  // near the end it may not move
      const size_t bad = notUtf8(i, end);
      if (bad != string_view::npos) return fail(error, xmlerr::BadText, kBadText, text, bad);
      i = end;
      continue;
    }
    if (c > '<') {  // the common case: nothing to look at
      ++i;
      continue;
    }
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return refuse(xmlerr::BadText, kBadText, i);
    if (c == '<') {
      if (i + 1 < n && text[i + 1] != '!' && text[i + 1] != '?') {  // a tag
        ++i;
        continue;
      }
      size_t next = skipMarkup(text, i);
      if (next == string_view::npos) break;  // unclosed: the parser reports it
      if (next != i) {
        // Skipped markup may hold no control characters either, and only UTF-8.
        const size_t bad = notUtf8(i, next);
        if (bad != string_view::npos) return fail(error, xmlerr::BadText, kBadText, text, bad);
        for (size_t k = i; k < next; ++k) {
          auto m = static_cast<unsigned char>(text[k]);
          if (m < 0x20 && m != '\t' && m != '\n' && m != '\r') return refuse(xmlerr::BadText, kBadText, k);
        }
        i = next;
      } else {
        ++i;
      }
      continue;
    }
    if (c != '&') {
      ++i;
      continue;
    }
    // References are short; looking no further keeps a run of bare '&' linear.
    size_t semi = text.substr(i, 80).find(';');
    if (semi != string_view::npos) semi += i;
    string_view ref = semi == string_view::npos ? string_view() : text.substr(i + 1, semi - i - 1);
    if (!ref.empty() && ref[0] == '#') {
      bool hex = ref.size() > 1 && ref[1] == 'x';
      string_view digits = ref.substr(hex ? 2 : 1);
      uint32_t value = 0;
      bool ok = !digits.empty() && digits.size() <= 8;
      for (char d : digits) {
        if (!ok) break;
        int v = std::isdigit(static_cast<unsigned char>(d)) ? d - '0'
                : hex && std::isxdigit(static_cast<unsigned char>(d)) ? std::tolower(static_cast<unsigned char>(d)) - 'a' + 10
                                                                        : -1;
        if (v < 0) ok = false;
        value = value * (hex ? 16 : 10) + static_cast<uint32_t>(v);
      }
      if (!ok || !isXmlChar(value)) return refuse(xmlerr::BadCharacterReference, "Invalid character reference.", i);
    } else {
      bool name = !ref.empty() && ref.size() < 64 &&
                  std::all_of(ref.begin(), ref.end(), [](char c) {
                    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' ||
                           static_cast<unsigned char>(c) >= 0x80;
                  });
      if (!name) return refuse(xmlerr::BadName, "A name was started with an invalid character.", i + 1);
      if (ref != "amp" && ref != "lt" && ref != "gt" && ref != "quot" && ref != "apos")
        return refuse(xmlerr::UndefinedEntity, "Reference to undefined entity '" + std::string(ref) + "'.", i);
    }
    i = semi + 1;  // a reference that is not refused is ASCII
  }
  if (i < n) {  // after markup that is not closed
    const size_t bad = notUtf8(i, n);
    if (bad != string_view::npos) return fail(error, xmlerr::BadText, kBadText, text, bad);
  }
  for (; i < n; ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return fail(error, xmlerr::BadText, kBadText, text, i);
  }
  return true;
}

bool isNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ':' || c == '-' || c == '.' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// The elements open at `limit`, outermost first (for the report of an unclosed tag).
std::vector<std::string> openTags(string_view text, size_t limit) {
  std::vector<std::string> open;
  size_t i = 0;
  while (i < limit && i < text.size()) {
    if (text[i] != '<') {
      ++i;
      continue;
    }
    size_t next = skipMarkup(text, i);
    if (next == string_view::npos) break;
    if (next != i) {
      i = next;
      continue;
    }
    bool closing = startsWith(text, i, "</");
    size_t n = i + (closing ? 2 : 1);
    size_t nameEnd = n;
    while (nameEnd < text.size() && isNameChar(text[nameEnd])) ++nameEnd;
    std::string name(text.substr(n, nameEnd - n));
    char quote = 0;
    size_t k = nameEnd;
    for (; k < text.size(); ++k) {
      if (quote) {
        if (text[k] == quote) quote = 0;
      } else if (text[k] == '"' || text[k] == '\'') {
        quote = text[k];
      } else if (text[k] == '>') {
        break;
      }
    }
    if (closing) {
      if (!open.empty()) open.pop_back();
    } else if (!name.empty() && !(k < text.size() && text[k - 1] == '/')) {
      open.push_back(name);
    }
    i = k + 1;
  }
  return open;
}

bool parseFailure(const pugi::xml_parse_result& result, string_view text, XmlParseError& error) {
  const auto at = static_cast<size_t>(std::max<ptrdiff_t>(result.offset, 0));
  switch (result.status) {
    case pugi::status_out_of_memory:
      return fail(error, xmlerr::OutOfMemory, "Not enough memory to load the document.");
    case pugi::status_unrecognized_tag:
      return fail(error, xmlerr::BadName, "A name was started with an invalid character.", text, at);
    case pugi::status_bad_pi:
      return fail(error, xmlerr::BadProcessingInstruction, "Incorrect syntax in a processing instruction or XML declaration.",
                  text, at);
    case pugi::status_bad_comment:
      return fail(error, xmlerr::BadComment, "Incorrect syntax was used in a comment.", text, at);
    case pugi::status_bad_cdata:
      return fail(error, xmlerr::BadCData, "A CDATA section was not closed.", text, at);
    case pugi::status_bad_doctype:
      return fail(error, xmlerr::BadDoctype, "Incorrect document type declaration.", text, at);
    case pugi::status_bad_pcdata:
      return fail(error, xmlerr::BadText, "An invalid character was found in text content.", text, at);
    case pugi::status_bad_start_element:
      return fail(error, xmlerr::BadName, "A name contained an invalid character.", text, at);
    case pugi::status_bad_attribute:
      return fail(error, xmlerr::BadAttribute, "Incorrect attribute syntax.", text, at);
    case pugi::status_bad_end_element:
      return fail(error, xmlerr::BadEndTag, "End tag is incorrect.", text, at);
    case pugi::status_end_element_mismatch: {
      const bool mismatch = at >= 2 && startsWith(text, at - 2, "</");
      std::vector<std::string> open = openTags(text, mismatch ? at - 2 : text.size());
      if (mismatch) {
        size_t end = at;
        while (end < text.size() && isNameChar(text[end])) ++end;
        std::string message = "End tag '" + std::string(text.substr(at, end - at)) + "' does not match the start tag '" +
                              (open.empty() ? std::string() : open.back()) + "'.";
        return fail(error, xmlerr::EndTagMismatch, message, text, at - 2);
      }
      std::string names;
      for (auto it = open.rbegin(); it != open.rend(); ++it) names += (names.empty() ? "" : ", ") + *it;
      return fail(error, xmlerr::UnclosedTag, "The following tags were not closed: " + names + ".", text, text.size());
    }
    case pugi::status_no_document_element:
      return fail(error, xmlerr::MissingRoot, "XML document must have a top level element.", text, text.size());
    default:
      return fail(error, xmlerr::Failure, result.description(), text, at);
  }
}

// An attribute of `element` named as one before it, or none.
pugi::xml_attribute repeatedAttribute(const pugi::xml_node& element) {
  pugi::xml_attribute first = element.first_attribute();
  if (!first || !first.next_attribute()) return {};
  int count = 0;
  for (pugi::xml_attribute a = first; a; a = a.next_attribute()) {
    if (++count > 16) {
      std::unordered_set<string_view> seen;
      for (pugi::xml_attribute b : element.attributes())
        if (!seen.insert(b.name()).second) return b;
      return {};
    }
    for (pugi::xml_attribute b = first; b != a; b = b.next_attribute()) {
      const char *x = a.name(), *y = b.name();
      if (*x == *y && std::strcmp(x, y) == 0) return a;
    }
  }
  return {};
}

// The first element at or below `top` in document order with an attribute named twice (without
// recursion), or none.
pugi::xml_node firstRepeatingElement(pugi::xml_node top, pugi::xml_attribute& repeated) {
  pugi::xml_node node = top;
  while (node) {
    if (node.type() == pugi::node_element) {
      if ((repeated = repeatedAttribute(node))) return node;
      if (pugi::xml_node child = node.first_child()) {
        node = child;
        continue;
      }
    }
    while (node && node != top && !node.next_sibling()) node = node.parent();
    if (!node || node == top) break;
    node = node.next_sibling();
  }
  return {};
}

bool checkAttributesOf(const pugi::xml_document& doc, string_view text, XmlParseError& error) {
  pugi::xml_attribute repeated;
  for (pugi::xml_node n : doc.children()) {
    if (pugi::xml_node element = firstRepeatingElement(n, repeated)) {
      auto offset = static_cast<size_t>(std::max<ptrdiff_t>(element.offset_debug(), 0));
      return fail(error, xmlerr::DuplicateAttribute, "Duplicate attribute '" + std::string(repeated.name()) + "'.", text,
                  offset);
    }
  }
  return true;
}

// What the parser underneath accepts but a well-formed document may not hold, at its top level.
bool checkStructure(const pugi::xml_document& doc, string_view text, XmlParseError& error) {
  int roots = 0;
  for (pugi::xml_node n : doc.children()) {
    auto offset = static_cast<size_t>(std::max<ptrdiff_t>(n.offset_debug(), 0));
    if (n.type() == pugi::node_element && ++roots > 1)
      return fail(error, xmlerr::MultipleRoots, "Only one top level element is allowed in an XML document.", text,
                  offset > 0 ? offset - 1 : 0);
    if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) {
      while (offset < text.size() && std::isspace(static_cast<unsigned char>(text[offset]))) ++offset;
      return fail(error, xmlerr::InvalidAtTopLevel, "Invalid at the top level of the document.", text, offset);
    }
  }
  if (roots == 0) return fail(error, xmlerr::MissingRoot, "XML document must have a top level element.", text, text.size());
  return true;
}

}  // namespace

namespace {

// parseBytes; with `mutableBytes` (the same bytes, writable), UTF-8 is parsed where it lies.
bool parse(pugi::xml_document& doc, std::string_view bytes, char* mutableBytes, XmlParseError& error,
           bool attributesChecked) {
  doc.reset();
  String url = std::move(error.url);
  error = XmlParseError{};
  error.url = std::move(url);
  std::string converted;
  string_view utf8;
  bool unchecked = false;
  bool ok = decode(bytes, converted, utf8, unchecked, error) && checkCharacters(utf8, unchecked, error);
  if (ok) {
    // As a fragment, text outside the document element is kept, so that it can be refused.
    constexpr unsigned kOptions = pugi::parse_default | pugi::parse_fragment;
    pugi::xml_parse_result result =
        mutableBytes && converted.empty()
            // With the string's terminating NUL, as the parser's own copy has one: without it the
            // parser would take the last byte as its end mark, and lose a last character of text.
            ? doc.load_buffer_inplace(mutableBytes + (utf8.data() - bytes.data()), utf8.size() + 1, kOptions,
                                      pugi::encoding_utf8)
            : doc.load_buffer(utf8.data(), utf8.size(), kOptions, pugi::encoding_utf8);
    ok = result ? checkStructure(doc, utf8, error) && (!attributesChecked || checkAttributesOf(doc, utf8, error))
                : parseFailure(result, utf8, error);
  }
  if (!ok) doc.reset();
  return ok;
}

}  // namespace

bool parseBytes(pugi::xml_document& doc, std::string_view bytes, XmlParseError& error, bool attributesChecked) {
  return parse(doc, bytes, nullptr, error, attributesChecked);
}

bool parseInPlace(pugi::xml_document& doc, std::string& bytes, XmlParseError& error, bool attributesChecked) {
  return parse(doc, bytes, bytes.data(), error, attributesChecked);
}

bool uniqueAttributes(const pugi::xml_node& element) { return !repeatedAttribute(element); }

bool uniqueAttributesBelow(const pugi::xml_node& node) {
  pugi::xml_attribute repeated;
  return !firstRepeatingElement(node, repeated);
}

bool checkAttributes(const pugi::xml_document& doc, std::string_view bytes, XmlParseError& error) {
  std::string converted;
  string_view utf8;
  XmlParseError ignored;
  bool unchecked = false;
  if (!decode(bytes, converted, utf8, unchecked, ignored)) return true;  // not a document parseBytes took
  return checkAttributesOf(doc, utf8, error);
}

std::optional<std::string> readDocument(StringView path, XmlParseError& error, String* resolved) {
  error = XmlParseError{};
  const String file = files::fromWindowsPath(path);
  error.url = file;
  files::FileContent content = files::readFileResolved(file);
  if (!content.bytes) {
    // Nothing there needs no further look (a store not made yet is the common case).
    if (content.error != ENOENT && (files::fileExists(file) || files::folderExists(file)))
      fail(error, xmlerr::AccessDenied, "Access is denied.");
    else
      fail(error, xmlerr::FileNotFound, "The system cannot locate the object specified.");
  }
  if (resolved) *resolved = std::move(content.path);
  return std::move(content.bytes);
}

bool parseFile(pugi::xml_document& doc, StringView path, XmlParseError& error) {
  doc.reset();
  std::optional<std::string> bytes = readDocument(path, error);
  return bytes && parseBytes(doc, *bytes, error);
}

}  // namespace lv8int::xml
