#include "platform/ini/IniFile.h"

#include <unordered_set>

#include "platform/automation/AutomationError.h"
#include "platform/codepage/AnsiCodePage.h"
#include "platform/files/Files.h"

namespace lv8int::ini {
namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r'; }

String trim(StringView s) {
  size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return String(s.substr(b, e - b));
}

String unquote(String v) {
  if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front()) return v.substr(1, v.size() - 2);
  return v;
}

bool hasLineBreak(StringView s) { return s.find_first_of(u"\r\n") != StringView::npos; }

}  // namespace

IniFile::Parsed IniFile::classify(const String& text) {
  Parsed p;
  String t = trim(text);
  if (t.empty()) {
    p.kind = Kind::Blank;
  } else if (t[0] == u';') {
    p.kind = Kind::Comment;
  } else if (t[0] == u'[') {
    size_t close = t.find(u']');
    p.kind = Kind::Section;
    p.name = trim(StringView(t).substr(1, close == String::npos ? String::npos : close - 1));
  } else if (size_t eq = t.find(u'='); eq != String::npos) {
    p.name = trim(StringView(t).substr(0, eq));
    p.value = unquote(trim(StringView(t).substr(eq + 1)));
    p.kind = p.name.empty() ? Kind::Other : Kind::Key;
  }
  return p;
}

IniFile IniFile::parse(std::string_view bytes) {
  IniFile f;
  auto b = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) {
    f.encoding_ = Encoding::Utf8Bom;
    f.preamble_ = bytes.substr(0, 3);
  } else if (bytes.size() >= 2 && b(0) == 0xFF && b(1) == 0xFE) {
    f.encoding_ = Encoding::Utf16LE;
    f.preamble_ = bytes.substr(0, 2);
  } else if (!codepage::isValidUtf8(bytes)) {
    f.encoding_ = Encoding::Ansi;
    f.codePage_ = codepage::activeCodePage();
  }
  std::string_view body = bytes.substr(f.preamble_.size());

  const size_t unit = f.encoding_ == Encoding::Utf16LE ? 2 : 1;
  auto unitAt = [&](size_t i) -> unsigned {
    if (unit == 1) return static_cast<unsigned char>(body[i]);
    return static_cast<unsigned char>(body[i]) | (static_cast<unsigned char>(body[i + 1]) << 8);
  };
  const size_t whole = body.size() - body.size() % unit;
  size_t start = 0;
  for (size_t i = 0; i < whole; i += unit) {
    if (unitAt(i) != '\n') continue;
    size_t end = i;
    if (end >= start + unit && unitAt(end - unit) == '\r') end -= unit;
    f.lines_.push_back(Line{std::string(body.substr(start, end - start)), std::string(body.substr(end, i + unit - end)), {}, false});
    start = i + unit;
  }
  if (start < whole) f.lines_.push_back(Line{std::string(body.substr(start, whole - start)), {}, {}, false});
  f.trailer_ = body.substr(whole);

  for (Line& line : f.lines_) {
    switch (f.encoding_) {
      case Encoding::Utf8:
      case Encoding::Utf8Bom:
        line.text = fromUtf8(line.raw);
        break;
      case Encoding::Utf16LE:
        for (size_t i = 0; i + 1 < line.raw.size(); i += 2)
          line.text.push_back(static_cast<char16_t>(static_cast<unsigned char>(line.raw[i]) |
                                                    (static_cast<unsigned char>(line.raw[i + 1]) << 8)));
        break;
      case Encoding::Ansi:
        line.text = codepage::fromAnsi(line.raw, f.codePage_);
        break;
    }
  }
  return f;
}

IniFile IniFile::load(StringView path) {
  std::optional<std::string> bytes = files::readFile(path);
  return bytes ? parse(*bytes) : IniFile();
}

std::string IniFile::encode(const String& text) const {
  switch (encoding_) {
    case Encoding::Utf16LE: {
      std::string out;
      for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
      }
      return out;
    }
    case Encoding::Ansi:
      return codepage::toAnsi(text, codePage_);
    default:
      return toUtf8(text);
  }
}

std::string IniFile::lineEnd() const {
  for (const Line& line : lines_)
    if (!line.eol.empty()) return line.eol;
  return encode(u"\n");
}

std::string IniFile::serialize() const {
  std::string out = preamble_;
  for (const Line& line : lines_) {
    out += line.dirty ? encode(line.text) : line.raw;
    out += line.eol;
  }
  return out + trailer_;
}

void IniFile::save(StringView path) const { files::writeFileAtomically(path, serialize()); }

bool IniFile::findSection(StringView section, size_t& first, size_t& end) const {
  const String wanted = trim(section);
  for (size_t i = 0; i < lines_.size(); ++i) {
    Parsed p = classify(lines_[i].text);
    if (p.kind != Kind::Section || !equalsNoCase(p.name, wanted)) continue;
    first = i + 1;
    end = first;
    while (end < lines_.size() && classify(lines_[end].text).kind != Kind::Section) ++end;
    return true;
  }
  return false;
}

std::optional<String> IniFile::value(StringView section, StringView key) const {
  size_t first, end;
  if (!findSection(section, first, end)) return std::nullopt;
  const String wanted = trim(key);
  for (size_t i = first; i < end; ++i) {
    Parsed p = classify(lines_[i].text);
    if (p.kind == Kind::Key && equalsNoCase(p.name, wanted)) return p.value;
  }
  return std::nullopt;
}

String IniFile::read(StringView section, StringView key, StringView defaultValue) const {
  std::optional<String> v = value(section, key);
  return v ? *v : String(defaultValue);
}

std::vector<String> IniFile::keys(StringView section) const {
  std::vector<String> out;
  size_t first, end;
  if (!findSection(section, first, end)) return out;
  std::unordered_set<String> seen;
  for (size_t i = first; i < end; ++i) {
    Parsed p = classify(lines_[i].text);
    if (p.kind == Kind::Key && seen.insert(foldCase(p.name)).second) out.push_back(p.name);
  }
  return out;
}

std::vector<String> IniFile::sections() const {
  std::vector<String> out;
  std::unordered_set<String> seen;
  for (const Line& line : lines_) {
    Parsed p = classify(line.text);
    if (p.kind == Kind::Section && seen.insert(foldCase(p.name)).second) out.push_back(p.name);
  }
  return out;
}

void IniFile::write(StringView sectionArg, StringView keyArg, StringView value) {
  const String section = trim(sectionArg);
  const String key = trim(keyArg);
  if (section.empty() || key.empty() || hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value) ||
      section.find(u']') != String::npos || key.find(u'=') != String::npos || key[0] == u';' || key[0] == u'[')
    raiseError(err::InvalidProcedureCall);

  if (encoding_ == Encoding::Ansi) {
    auto fits = [&](StringView s) { return codepage::fromAnsi(codepage::toAnsi(s, codePage_), codePage_) == s; };
    if (!fits(section) || !fits(key) || !fits(value)) {
      encoding_ = Encoding::Utf8;
      for (Line& line : lines_) line.dirty = true;
    }
  }

  auto makeLine = [&](String text) { return Line{{}, lineEnd(), std::move(text), true}; };
  auto insertAt = [&](size_t at, std::vector<Line> added) {
    if (at > 0 && lines_[at - 1].eol.empty()) lines_[at - 1].eol = lineEnd();
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
  };

  size_t first, end;
  if (!findSection(section, first, end)) {
    insertAt(lines_.size(), {makeLine(u"[" + section + u"]"), makeLine(key + u"=" + String(value))});
    return;
  }
  size_t after = first;
  for (size_t i = first; i < end; ++i) {
    Parsed p = classify(lines_[i].text);
    if (p.kind != Kind::Key) continue;
    if (equalsNoCase(p.name, key)) {
      // Keep the line's own spelling of the key and its spacing up to the value.
      const String& text = lines_[i].text;
      size_t at = text.find(u'=') + 1;
      while (at < text.size() && (text[at] == u' ' || text[at] == u'\t')) ++at;
      lines_[i].text = text.substr(0, at) + String(value);
      lines_[i].dirty = true;
      return;
    }
    after = i + 1;
  }
  insertAt(after, {makeLine(key + u"=" + String(value))});
}

bool IniFile::removeKey(StringView section, StringView key) {
  size_t first, end;
  if (!findSection(section, first, end)) return false;
  const String wanted = trim(key);
  bool removed = false;
  for (size_t i = end; i-- > first;) {
    Parsed p = classify(lines_[i].text);
    if (p.kind == Kind::Key && equalsNoCase(p.name, wanted)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      removed = true;
    }
  }
  return removed;
}

bool IniFile::removeSection(StringView section) {
  size_t first, end;
  if (!findSection(section, first, end)) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(first - 1), lines_.begin() + static_cast<std::ptrdiff_t>(end));
  return true;
}

String readString(StringView file, StringView section, StringView key, StringView defaultValue) {
  return IniFile::load(file).read(section, key, defaultValue);
}

void writeString(StringView file, StringView section, StringView key, StringView value) {
  std::optional<std::string> bytes = files::readFile(file);
  // A file that is there but cannot be read must not be replaced by one holding a single value.
  if (!bytes && files::fileExists(file)) raiseError(err::PermissionDenied);
  IniFile ini = bytes ? IniFile::parse(*bytes) : IniFile();
  ini.write(section, key, value);
  ini.save(file);
}

std::vector<String> sectionKeys(StringView file, StringView section) { return IniFile::load(file).keys(section); }

std::vector<String> sectionNames(StringView file) { return IniFile::load(file).sections(); }

}  // namespace lv8int::ini
