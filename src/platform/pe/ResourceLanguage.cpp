#include "platform/pe/ResourceLanguage.h"

#include <algorithm>

namespace lv8int::pe {

uint16_t languageOfCodePage(int codePage) {
  struct Pair {
    int codePage;
    uint16_t language;
  };
  static constexpr Pair table[] = {
      {936, LANG_CHINESE_PRC}, {950, 0x0404},  {932, 0x0411},  {949, 0x0412},  {874, 0x041E},
      {1250, 0x0405},          {1251, 0x0419}, {1252, 0x0409}, {1253, 0x0408}, {1254, 0x041F},
      {1255, 0x040D},          {1256, 0x0401}, {1257, 0x0425}, {1258, 0x042A},
  };
  for (const Pair& p : table)
    if (p.codePage == codePage) return p.language;
  return 0;
}

size_t chooseLanguage(std::span<const uint16_t> languages, int codePage) {
  auto position = [&](auto pred) -> size_t {
    auto it = std::find_if(languages.begin(), languages.end(), pred);
    return it == languages.end() ? languages.size() : static_cast<size_t>(it - languages.begin());
  };
  if (uint16_t own = languageOfCodePage(codePage); own != 0) {
    if (size_t i = position([own](uint16_t l) { return l == own; }); i < languages.size()) return i;
  }
  // Neutral: the primary language is 0 whatever the sublanguage (neutral, user default ...).
  if (size_t i = position([](uint16_t l) { return (l & 0x3FF) == 0; }); i < languages.size()) return i;
  if (size_t i = position([](uint16_t l) { return l == LANG_ENGLISH_US; }); i < languages.size()) return i;
  return 0;
}

}  // namespace lv8int::pe
