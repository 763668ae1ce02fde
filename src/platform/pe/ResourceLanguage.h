#pragma once
// Which of a resource's languages the loader takes when it exists in several: the language of
// the ANSI code page in force (936: Chinese (PRC)), then language-neutral, then English
// (United States), then the first in the file.
#include <cstddef>
#include <cstdint>
#include <span>

namespace lv8int::pe {

inline constexpr uint16_t LANG_NEUTRAL_ID = 0x0000;
inline constexpr uint16_t LANG_ENGLISH_US = 0x0409;
inline constexpr uint16_t LANG_CHINESE_PRC = 0x0804;

// The language identifier that goes with an ANSI code page; 0 when none does (65001 ...).
uint16_t languageOfCodePage(int codePage);

// The position in `languages` (directory order) of the one to take, for the given code page;
// 0 for an empty list.
size_t chooseLanguage(std::span<const uint16_t> languages, int codePage);

}  // namespace lv8int::pe
