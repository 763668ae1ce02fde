#include "platform/chm/Sitemap.h"

#include <cstdint>

#include "platform/automation/String.h"
#include "platform/codepage/AnsiCodePage.h"

namespace lv8int::chm {

namespace {

char lowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// One tag: its lower-case name ("ul", "/ul", "param") and its attributes (lower-case names).
struct Tag {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::string attribute(std::string_view key) const {
    for (const auto& [k, v] : attributes)
      if (k == key) return v;
    return {};
  }
};

// Reads the tag starting at text[at] == '<'; `at` moves past it.
Tag readTag(std::string_view text, size_t& at) {
  Tag tag;
  size_t i = at + 1;
  while (i < text.size() && !isSpace(text[i]) && text[i] != '>') tag.name += lowerChar(text[i++]);
  while (i < text.size() && text[i] != '>') {
    while (i < text.size() && (isSpace(text[i]) || text[i] == '/')) ++i;
    std::string key;
    while (i < text.size() && !isSpace(text[i]) && text[i] != '=' && text[i] != '>') key += lowerChar(text[i++]);
    while (i < text.size() && isSpace(text[i])) ++i;
    std::string value;
    if (i < text.size() && text[i] == '=') {
      ++i;
      while (i < text.size() && isSpace(text[i])) ++i;
      if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
        const char quote = text[i++];
        const size_t end = text.find(quote, i);
        const size_t stop = end == std::string_view::npos ? text.size() : end;
        value = text.substr(i, stop - i);
        i = end == std::string_view::npos ? text.size() : end + 1;
      } else {
        while (i < text.size() && !isSpace(text[i]) && text[i] != '>') value += text[i++];
      }
    }
    if (!key.empty()) tag.attributes.emplace_back(std::move(key), decodeEntities(value));
    else if (i < text.size() && text[i] != '>') ++i;  // a stray character: never stall
  }
  at = i < text.size() ? i + 1 : text.size();
  return tag;
}

}  // namespace

std::string toUtf8Text(std::string_view bytes) {
  if (codepage::isValidUtf8(bytes)) return std::string(bytes);
  return toUtf8(codepage::fromAnsi(bytes));
}

std::string decodeEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] != '&') {
      out += text[i++];
      continue;
    }
    const size_t semi = text.find(';', i);
    if (semi == std::string_view::npos || semi - i > 32) {
      out += text[i++];
      continue;
    }
    const std::string_view name = text.substr(i + 1, semi - i - 1);
    bool known = true;
    if (name == "amp") out += '&';
    else if (name == "lt") out += '<';
    else if (name == "gt") out += '>';
    else if (name == "quot") out += '"';
    else if (name == "apos") out += '\'';
    else if (name == "nbsp") appendUtf8(out, 0xA0);
    else if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      const std::string_view digits = name.substr(hex ? 2 : 1);
      uint32_t cp = 0;
      known = !digits.empty();
      for (char c : digits) {
        int d = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) known = false;
        if (!known) break;
        cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(d);
        if (cp > 0x10FFFF) cp = 0x110000;  // stays out of range, no overflow
      }
      if (known) appendUtf8(out, cp);
    } else {
      known = false;
    }
    if (known) {
      i = semi + 1;
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::vector<SitemapItem> parseSitemap(std::string_view bytes) {
  const std::string text = toUtf8Text(bytes);
  std::vector<SitemapItem> root;
  // The lists being filled, outermost first. A list is entered only through the last item of
  // the one above it, which is not appended to while the inner list is open.
  std::vector<std::vector<SitemapItem>*> open{&root};
  int depth = 0;  // <UL> levels seen, including those beyond the limit or without an item
  std::vector<bool> pushed;  // per <UL> level: whether it opened a list of its own
  bool inObject = false;
  SitemapItem current;
  for (size_t at = 0; at < text.size();) {
    const size_t lt = text.find('<', at);
    if (lt == std::string::npos) break;
    at = lt;
    if (text.compare(at, 4, "<!--") == 0) {
      const size_t end = text.find("-->", at + 4);
      at = end == std::string::npos ? text.size() : end + 3;
      continue;
    }
    const Tag tag = readTag(text, at);
    if (tag.name == "ul") {
      ++depth;
      std::vector<SitemapItem>& list = *open.back();
      const bool nest = !list.empty() && static_cast<int>(open.size()) < kMaxSitemapDepth && depth > 1;
      if (nest) open.push_back(&list.back().children);
      pushed.push_back(nest);
    } else if (tag.name == "/ul") {
      if (depth > 0) {
        --depth;
        if (pushed.back()) open.pop_back();
        pushed.pop_back();
      }
    } else if (tag.name == "object") {
      std::string type = tag.attribute("type");
      for (char& c : type) c = lowerChar(c);
      if (type == "text/sitemap") {
        inObject = true;
        current = SitemapItem{};
      }
    } else if (tag.name == "param" && inObject) {
      std::string key = tag.attribute("name");
      for (char& c : key) c = lowerChar(c);
      if (key == "name" && current.name.empty()) current.name = tag.attribute("value");
      else if (key == "local" && current.local.empty()) current.local = tag.attribute("value");
    } else if (tag.name == "/object" && inObject) {
      inObject = false;
      if (!current.name.empty() || !current.local.empty()) open.back()->push_back(std::move(current));
      current = SitemapItem{};
    }
  }
  return root;
}

}  // namespace lv8int::chm
