#include "platform/registry/ExpandEnvironment.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/codepage/AnsiCodePage.h"

extern char** environ;

namespace lv8int::reg {

namespace {

std::optional<std::string> lookup(const std::string& name) {
  if (const char* v = std::getenv(name.c_str())) return std::string(v);
  String wanted = fromUtf8(name);
  for (char** e = environ; e && *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (!eq) continue;
    if (equalsNoCase(fromUtf8(std::string_view(*e, eq - *e)), wanted)) return std::string(eq + 1);
  }
  return std::nullopt;
}

}  // namespace

String expandEnvironmentStrings(StringView text) {
  String out;
  size_t i = 0;
  while (i < text.size()) {
    char16_t c = text[i];
    if (c != u'%') {
      out.push_back(c);
      ++i;
      continue;
    }
    size_t close = text.find(u'%', i + 1);
    if (close == StringView::npos) {
      out.append(text.substr(i));
      break;
    }
    StringView name = text.substr(i + 1, close - i - 1);
    std::optional<std::string> value;
    if (!name.empty() && name.find(u'=') == StringView::npos) value = lookup(toUtf8(name));
    if (value) {
      out += fromUtf8(*value);
      i = close + 1;
    } else {
      // Not a variable: keep "%NAME" and let the closing "%" open the next reference.
      out.append(text.substr(i, close - i));
      i = close;
    }
  }
  return out;
}

uint32_t expandEnvironmentStringsA(std::string_view source, char* dest, uint32_t size) {
  std::string expanded = codepage::toAnsi(expandEnvironmentStrings(codepage::fromAnsi(source)));
  auto needed = static_cast<uint32_t>(expanded.size() + 1);
  if (dest && size >= needed) {
    std::memcpy(dest, expanded.data(), expanded.size());
    dest[expanded.size()] = '\0';
  }
  return needed;
}

}  // namespace lv8int::reg
