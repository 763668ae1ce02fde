#include "platform/registry/RegFile.h"

#include <algorithm>
#include <type_traits>

#include "platform/automation/AutomationError.h"
#include "platform/codepage/AnsiCodePage.h"

namespace lv8int::regfile {

namespace {

constexpr char16_t kVersion5Header[] = u"Windows Registry Editor Version 5.00";
constexpr char16_t kRegedit4Header[] = u"REGEDIT4";
constexpr int32_t kInvalidFileFormat = 321;

bool validUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    auto c = static_cast<unsigned char>(s[i]);
    size_t n;
    uint32_t cp;
    if (c < 0x80) { ++i; continue; }
    if (c >= 0xC2 && c <= 0xDF) { n = 1; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { n = 2; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { n = 3; cp = c & 0x07; }
    else return false;
    if (i + n >= s.size()) return false;
    for (size_t k = 1; k <= n; ++k) {
      auto d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    if ((n == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    i += n + 1;
  }
  return true;
}

// UTF-16 text with every unpaired surrogate replaced by U+FFFD, so that whatever is read can
// be written in UTF-8 and read back the same.
String pairedSurrogatesOnly(String text) {
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      text[i] = 0xFFFD;
    }
  }
  return text;
}

bool isSpace(char16_t c) { return c == u' ' || c == u'\t'; }

StringView trimLeft(StringView s) {
  size_t i = 0;
  while (i < s.size() && isSpace(s[i])) ++i;
  return s.substr(i);
}

StringView trimRight(StringView s) {
  size_t n = s.size();
  while (n > 0 && isSpace(s[n - 1])) --n;
  return s.substr(0, n);
}

StringView trim(StringView s) { return trimRight(trimLeft(s)); }

// What may follow a value's data: nothing but blanks and a comment.
bool onlyTrailer(StringView rest) {
  rest = trimLeft(rest);
  return rest.empty() || rest[0] == u';';
}

int hexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool startsWithNoCase(StringView s, StringView prefix) {
  return s.size() >= prefix.size() && equalsNoCase(s.substr(0, prefix.size()), prefix);
}

// A quoted text starting at s[0] == '"'. Returns the position after the closing quote, or
// npos when the text does not end on this line.
size_t readQuoted(StringView s, String& out) {
  // Most texts hold no escape and are taken in one piece.
  size_t i = 1;
  while (i < s.size() && s[i] != u'"' && s[i] != u'\\') ++i;
  out.assign(s.substr(1, i - 1));
  if (i < s.size() && s[i] == u'"') return i + 1;
  for (; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c == u'"') return i + 1;
    if (c == u'\\' && i + 1 < s.size()) {
      char16_t e = s[++i];
      switch (e) {
        case u'\\': out.push_back(u'\\'); break;
        case u'"': out.push_back(u'"'); break;
        case u'n': out.push_back(u'\n'); break;
        case u'r': out.push_back(u'\r'); break;
        case u'0': out.push_back(u'\0'); break;
        default:  // not an escape: both characters stand for themselves
          out.push_back(u'\\');
          out.push_back(e);
      }
      continue;
    }
    out.push_back(c);
  }
  return StringView::npos;
}

// ANSI text bytes (zero-separated items) to the UTF-16LE form values are kept in.
std::vector<uint8_t> ansiTextToUtf16le(const std::vector<uint8_t>& bytes) {
  String text;
  size_t start = 0;
  for (size_t i = 0; i <= bytes.size(); ++i) {
    if (i == bytes.size() || bytes[i] == 0) {
      std::string_view seg(reinterpret_cast<const char*>(bytes.data()) + start, i - start);
      if (!seg.empty()) text += codepage::fromAnsi(seg);
      if (i < bytes.size()) text.push_back(u'\0');
      start = i + 1;
    }
  }
  return reg::utf16leBytes(text);
}

class Parser {
 public:
  Parser(std::vector<StringView> lines, Document& doc) : lines_(std::move(lines)), doc_(doc) {}

  void run(size_t firstLine) {
    doc_.operations.reserve(lines_.size() - std::min(firstLine, lines_.size()));
    for (size_t i = firstLine; i < lines_.size(); ++i) {
      lineNo_ = static_cast<int>(i + 1);
      StringView line = trimLeft(lines_[i]);
      if (blankOrComment(line, true)) continue;
      if (line[0] == u'[') {
        keyLine(trimRight(line));
      } else if (line[0] == u'"' || line[0] == u'@') {
        valueLine(line, i);
      } else {
        problem(u"unrecognised line");
      }
    }
  }

 private:
  void problem(StringView message) { doc_.problems.push_back({lineNo_, String(message)}); }

  void keyLine(StringView line) {
    state_ = State::None;
    size_t close = line.rfind(u']');
    if (close == StringView::npos || close == 0) return problem(u"a key line must end with ']'");
    StringView inner = line.substr(1, close - 1);
    bool remove = !inner.empty() && inner[0] == u'-';
    if (remove) inner.remove_prefix(1);
    std::vector<String> parts = reg::splitPath(inner);
    if (parts.empty()) return problem(u"a key line names no key");
    auto root = reg::rootByName(parts.front());
    if (!root) return problem(u"unknown root key '" + parts.front() + u"'");
    parts.erase(parts.begin());
    if (!RegistryHive::validPath(RegistryHive::canonical(*root, parts).second))
      return problem(u"key name too long or too deep");
    if (remove && parts.empty()) return problem(u"a root key cannot be deleted");
    Operation op;
    op.kind = remove ? Operation::Kind::DeleteKey : Operation::Kind::CreateKey;
    op.root = *root;
    op.keyPath = std::make_shared<const std::vector<String>>(std::move(parts));
    op.line = lineNo_;
    state_ = remove ? State::Deleted : State::Key;
    root_ = *root;
    path_ = op.keyPath;
    doc_.operations.push_back(std::move(op));
  }

  void valueLine(StringView line, size_t& index) {
    String name;
    size_t pos;
    if (line[0] == u'@') {
      pos = 1;
    } else {
      pos = readQuoted(line, name);
      if (pos == StringView::npos) return problem(u"value name without a closing quote");
      if (name.size() > reg::kMaxValueNameLength) return problem(u"value name too long");
    }
    StringView rest = trimLeft(line.substr(pos));
    if (rest.empty() || rest[0] != u'=') return problem(u"'=' expected after the value name");
    rest = trimLeft(rest.substr(1));

    // Hex data may go on over the following lines; take them in before anything else so that
    // a skipped value does not leave its continuation lines behind as stray lines.
    String joined;
    bool cut = false;
    if (startsWithNoCase(rest, u"hex")) {
      joined = String(stripComment(rest));
      while (!joined.empty() && joined.back() == u'\\') {
        joined.pop_back();
        // Only a backslash after a comma (or right after the colon) carries the list on; any
        // other ends the value there, and the next line is read as a line of its own.
        StringView before = trimRight(joined);
        if (before.empty() || (before.back() != u',' && before.back() != u':')) {
          cut = true;
          break;
        }
        // Blank and comment lines inside the list are passed over; a list still open at the
        // end of the file keeps the bytes read so far.
        size_t next = index + 1;
        while (next < lines_.size() && blankOrComment(lines_[next])) ++next;
        if (next == lines_.size()) break;
        index = next;
        joined += stripComment(trimLeft(lines_[index]));
      }
      rest = joined;
    }

    if (state_ == State::Deleted) return;  // values of a key being deleted are ignored
    if (state_ == State::None) return problem(u"value outside a key");
    if (cut) return problem(u"a hex list may only be continued after a comma");

    Operation op;
    op.kind = Operation::Kind::SetValue;
    if (!rest.empty() && rest[0] == u'-') {
      if (!onlyTrailer(rest.substr(1))) return problem(u"unexpected text after '-'");
      op.kind = Operation::Kind::DeleteValue;
    } else if (!rest.empty() && rest[0] == u'"') {
      String text;
      size_t end = readQuoted(rest, text);
      if (end == StringView::npos) return problem(u"text without a closing quote");
      if (!onlyTrailer(rest.substr(end))) return problem(u"unexpected text after the closing quote");
      op.value = reg::Value::string({}, text);
    } else if (startsWithNoCase(rest, u"dword:")) {
      StringView digits = trimLeft(rest.substr(6));
      size_t n = 0;
      uint32_t number = 0;
      while (n < digits.size() && hexDigit(digits[n]) >= 0) number = (number << 4) | hexDigit(digits[n++]);
      if (n == 0 || n > 8) return problem(u"dword: needs one to eight hexadecimal digits");
      if (!onlyTrailer(digits.substr(n))) return problem(u"unexpected text after the dword");
      op.value = reg::Value::dword({}, number);
    } else if (startsWithNoCase(rest, u"hex")) {
      if (!hexValue(rest.substr(3), op.value)) return;
    } else {
      return problem(u"unknown data form");
    }
    op.root = root_;
    op.keyPath = path_;
    op.line = lineNo_;
    op.value.name = std::move(name);
    doc_.operations.push_back(std::move(op));
  }

  // Comments start with ';' and, as the platform also takes them, with '#' at the start of a
  // line. Inside a hex list only ';' lines are comments.
  static bool blankOrComment(StringView line, bool hashToo = false) {
    line = trimLeft(line);
    return line.empty() || line[0] == u';' || (hashToo && line[0] == u'#');
  }

  static StringView stripComment(StringView s) {
    size_t semi = s.find(u';');
    return trimRight(semi == StringView::npos ? s : s.substr(0, semi));
  }

  // After "hex": ":" or "(n):" then the byte list.
  bool hexValue(StringView s, reg::Value& value) {
    uint32_t type = reg::REG_BINARY;
    if (!s.empty() && s[0] == u'(') {
      size_t close = s.find(u')');
      if (close == StringView::npos || close == 1 || close > 9) {
        problem(u"hex(n) needs a type of one to eight hexadecimal digits");
        return false;
      }
      type = 0;
      for (size_t i = 1; i < close; ++i) {
        int d = hexDigit(s[i]);
        if (d < 0) {
          problem(u"hex(n) needs a type of one to eight hexadecimal digits");
          return false;
        }
        type = (type << 4) | static_cast<uint32_t>(d);
      }
      s.remove_prefix(close + 1);
    }
    if (s.empty() || s[0] != u':') {
      problem(u"':' expected after hex");
      return false;
    }
    s.remove_prefix(1);
    std::vector<uint8_t> bytes;
    s = trim(s);
    size_t i = 0;
    while (i < s.size()) {
      size_t comma = s.find(u',', i);
      StringView item = trim(s.substr(i, comma == StringView::npos ? StringView::npos : comma - i));
      if (item.empty() && comma == StringView::npos) break;  // a trailing comma
      if (item.empty() || item.size() > 2 || hexDigit(item[0]) < 0 || (item.size() == 2 && hexDigit(item[1]) < 0)) {
        problem(u"malformed byte in a hex list");
        return false;
      }
      bytes.push_back(static_cast<uint8_t>(item.size() == 1 ? hexDigit(item[0]) : hexDigit(item[0]) * 16 + hexDigit(item[1])));
      if (comma == StringView::npos) break;
      i = comma + 1;
    }
    if (doc_.format == Format::Regedit4 && (type == reg::REG_SZ || type == reg::REG_EXPAND_SZ || type == reg::REG_MULTI_SZ))
      bytes = ansiTextToUtf16le(bytes);
    value.type = type;
    value.data = std::move(bytes);
    return true;
  }

  enum class State { None, Key, Deleted };

  std::vector<StringView> lines_;  // into the decoded text
  Document& doc_;
  int lineNo_ = 0;
  State state_ = State::None;
  reg::Handle root_ = 0;
  std::shared_ptr<const std::vector<String>> path_;
};

std::vector<StringView> splitLines(StringView text) {
  std::vector<StringView> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t nl = text.find(u'\n', start);
    if (nl == StringView::npos) nl = text.size();
    StringView line = text.substr(start, nl - start);
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    lines.push_back(line);
    start = nl + 1;
  }
  return lines;
}

// --- writing ---

String hexByte(uint8_t b) {
  static const char16_t digits[] = u"0123456789abcdef";
  return String{digits[b >> 4], digits[b & 15]};
}

String quote(StringView text) {
  String out = u"\"";
  for (char16_t c : text) {
    switch (c) {
      case u'\\': out += u"\\\\"; break;
      case u'"': out += u"\\\""; break;
      case u'\n': out += u"\\n"; break;
      case u'\r': out += u"\\r"; break;
      case u'\0': out += u"\\0"; break;
      default: out.push_back(c);
    }
  }
  out.push_back(u'"');
  return out;
}

// A REG_SZ that a quoted text reproduces exactly: one terminating zero, no other zero, no
// line breaks (which other readers of the format do not take back) and no unpaired surrogate.
bool quotable(const reg::Value& v) {
  if (v.type != reg::REG_SZ || v.data.size() < 2 || v.data.size() % 2 != 0) return false;
  String s = reg::fromUtf16le(v.data.data(), v.data.size());
  if (s.back() != u'\0') return false;
  s.pop_back();
  for (char16_t c : s)
    if (c == u'\0' || c == u'\r' || c == u'\n') return false;
  return pairedSurrogatesOnly(s) == s;
}

void writeValue(const reg::Value& v, String& out, StringView nl) {
  String line = v.name.empty() ? String(u"@") : quote(v.name);
  line.push_back(u'=');
  if (quotable(v)) {
    line += quote(v.text());
    out += line;
    out += nl;
    return;
  }
  if (v.type == reg::REG_DWORD && v.data.size() == 4) {
    line += u"dword:";
    for (int i = 3; i >= 0; --i) line += hexByte(v.data[i]);
    out += line;
    out += nl;
    return;
  }
  if (v.type == reg::REG_BINARY) {
    line += u"hex:";
  } else {
    String t;
    uint32_t type = v.type;
    do {
      t.insert(t.begin(), u"0123456789abcdef"[type & 15]);
      type >>= 4;
    } while (type != 0);
    line += u"hex(" + t + u"):";
  }
  for (size_t i = 0; i < v.data.size(); ++i) {
    line += hexByte(v.data[i]);
    if (i + 1 < v.data.size()) {
      line.push_back(u',');
      if (line.size() > 76) {
        out += line;
        out += u"\\";
        out += nl;
        line = u"  ";
      }
    }
  }
  out += line;
  out += nl;
}

void writeTree(const RegistryKey& key, const String& path, bool isRoot, String& out, StringView nl) {
  // Iterative, so that a deep tree cannot exhaust the stack.
  struct Item {
    const RegistryKey* key;
    String path;
    bool root;
  };
  std::vector<Item> stack{{&key, path, isRoot}};
  while (!stack.empty()) {
    Item item = std::move(stack.back());
    stack.pop_back();
    if (!item.root || !item.key->values().empty()) {
      out += u"[" + item.path + u"]";
      out += nl;
      for (const reg::Value& v : item.key->values()) writeValue(v, out, nl);
      out += nl;
    }
    auto children = item.key->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      stack.push_back({*it, item.path + u"\\" + (*it)->name(), false});
  }
}

}  // namespace

Document parse(std::string_view bytes) {
  Document doc;
  String text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    doc.encoding = Encoding::Utf16le;
    text = pairedSurrogatesOnly(reg::fromUtf16le(reinterpret_cast<const uint8_t*>(bytes.data()) + 2, bytes.size() - 2));
  } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    text = fromUtf8(bytes.substr(3));
  } else if (validUtf8(bytes)) {
    text = fromUtf8(bytes);
  } else {
    doc.encoding = Encoding::Ansi;
    text = codepage::fromAnsi(bytes);
  }
  std::vector<StringView> lines = splitLines(text);
  size_t first = 0;
  while (first < lines.size() && trim(lines[first]).empty()) ++first;
  StringView header = first < lines.size() ? trim(lines[first]) : StringView();
  if (header == kVersion5Header) {
    doc.format = Format::Version5;
  } else if (header == kRegedit4Header) {
    doc.format = Format::Regedit4;
  } else {
    raiseError(kInvalidFileFormat, kDefaultErrorSource,
               u"Not a registry file: the first line must be \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\"");
  }
  Parser(std::move(lines), doc).run(first + 1);
  return doc;
}

namespace {

// Operations (moved from when `Ops` is not const) carried out in order.
template <typename Ops>
void applyAll(Ops& operations, RegistryHive& hive, std::vector<Problem>* problems) {
  auto report = [&](const Operation& op, StringView message) {
    if (problems) problems->push_back({op.line, String(message)});
  };
  // The values of one key follow one another: the key found for one serves the next, so a
  // file is read in time linear in its size.
  RegistryKey* lastKey = nullptr;
  const Operation* lastOp = nullptr;
  auto sameKey = [&](const Operation& op) {
    return lastKey && lastOp->root == op.root && (lastOp->keyPath == op.keyPath || lastOp->path() == op.path());
  };
  for (auto& op : operations) {
    switch (op.kind) {
      case Operation::Kind::CreateKey:
        if (!sameKey(op) && !(lastKey = hive.create(op.root, op.path()))) report(op, u"the key cannot be created");
        lastOp = &op;
        break;
      case Operation::Kind::DeleteKey:
        hive.remove(op.root, op.path());  // deleting what is not there is no fault
        lastKey = nullptr;
        break;
      case Operation::Kind::SetValue:
        if (!sameKey(op)) {
          lastKey = hive.create(op.root, op.path());
          lastOp = &op;
        }
        if (!lastKey) report(op, u"the key cannot be created");
        else if constexpr (std::is_const_v<Ops>) lastKey->setValue(op.value);
        else lastKey->setValue(std::move(op.value));
        break;
      case Operation::Kind::DeleteValue:
        if (RegistryKey* key = sameKey(op) ? lastKey : hive.find(op.root, op.path())) key->removeValue(op.value.name);
        break;
    }
  }
}

}  // namespace

void apply(const std::vector<Operation>& operations, RegistryHive& hive, std::vector<Problem>* problems) {
  applyAll(operations, hive, problems);
}

void apply(std::vector<Operation>&& operations, RegistryHive& hive, std::vector<Problem>* problems) {
  applyAll(operations, hive, problems);
}

std::string encode(StringView text, const WriteOptions& options) {
  if (options.encoding == Encoding::Utf16le) {
    std::string out = "\xFF\xFE";
    for (char16_t c : text) {
      out.push_back(static_cast<char>(c & 0xFF));
      out.push_back(static_cast<char>(c >> 8));
    }
    return out;
  }
  if (options.encoding == Encoding::Ansi) return codepage::toAnsi(text);
  return toUtf8(text);
}

std::string write(const RegistryHive& hive, const WriteOptions& options) {
  StringView nl = options.crlf ? u"\r\n" : u"\n";
  String out = kVersion5Header;
  out += nl;
  out += nl;
  for (reg::Handle root : RegistryHive::trueRoots()) writeTree(hive.rootKey(root), reg::rootName(root), true, out, nl);
  return encode(out, options);
}

std::string writeKey(const RegistryKey& key, StringView displayPath, const WriteOptions& options) {
  StringView nl = options.crlf ? u"\r\n" : u"\n";
  String out = kVersion5Header;
  out += nl;
  out += nl;
  writeTree(key, String(displayPath), reg::splitPath(displayPath).size() <= 1, out, nl);
  return encode(out, options);
}

}  // namespace lv8int::regfile
