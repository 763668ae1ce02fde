#pragma once
// The message-box style word and result codes, and what a style word asks for: which buttons
// in which order, the icon, the default button and what closing the box answers.
#include <cstdint>
#include <vector>

#include "platform/automation/String.h"

namespace lv8int::msgbox {

// Button sets (low four bits of the style word).
inline constexpr int32_t MB_OK = 0;
inline constexpr int32_t MB_OKCANCEL = 1;
inline constexpr int32_t MB_ABORTRETRYIGNORE = 2;
inline constexpr int32_t MB_YESNOCANCEL = 3;
inline constexpr int32_t MB_YESNO = 4;
inline constexpr int32_t MB_RETRYCANCEL = 5;
inline constexpr int32_t MB_CANCELTRYCONTINUE = 6;

// Icons (bits 4 to 7).
inline constexpr int32_t MB_ICONCRITICAL = 16;
inline constexpr int32_t MB_ICONQUESTION = 32;
inline constexpr int32_t MB_ICONEXCLAMATION = 48;
inline constexpr int32_t MB_ICONINFORMATION = 64;

// Default button (bits 8 to 11): first, second, third, fourth.
inline constexpr int32_t MB_DEFBUTTON1 = 0;
inline constexpr int32_t MB_DEFBUTTON2 = 256;
inline constexpr int32_t MB_DEFBUTTON3 = 512;
inline constexpr int32_t MB_DEFBUTTON4 = 768;

// Keep the box above other windows.
inline constexpr int32_t MB_SYSTEMMODAL = 4096;
inline constexpr int32_t MB_TOPMOST = 0x40000;

// Result codes: the button chosen.
inline constexpr int32_t IDOK = 1;
inline constexpr int32_t IDCANCEL = 2;
inline constexpr int32_t IDABORT = 3;
inline constexpr int32_t IDRETRY = 4;
inline constexpr int32_t IDIGNORE = 5;
inline constexpr int32_t IDYES = 6;
inline constexpr int32_t IDNO = 7;
inline constexpr int32_t IDTRYAGAIN = 10;
inline constexpr int32_t IDCONTINUE = 11;

enum class Icon { None, Critical, Question, Exclamation, Information };

struct Layout {
  std::vector<int32_t> buttons;  // result codes in display order
  Icon icon = Icon::None;
  int defaultIndex = 0;          // into buttons
  int32_t closeResult = 0;       // what closing the box answers; 0: the box cannot be closed
  bool topmost = false;
};

// What a style word asks for. An unknown button set raises 5 (invalid procedure call); a
// default button beyond the last button is the first button; unknown icon bits show no icon.
Layout decode(int32_t style);

// The result code of the default button of a style word.
int32_t defaultResult(int32_t style);

// Label of a result code's button ("OK", "Cancel", ...), for text output.
String buttonName(int32_t result);

}  // namespace lv8int::msgbox
