#pragma once
// Window styles: how a started program shows its first window.
//
// A program started with a window style finds it in the environment variable
// LV8INT_WINDOW_STYLE. A program built on this library applies it to the first top-level
// window it shows, the way the style is meant: hidden, normal, minimised, maximised, with or
// without taking the focus. Other programs ignore the variable; the window manager decides
// how their windows appear.
#include <cstdint>

class QWidget;

namespace lv8int::windowstyle {

inline constexpr char kEnvironmentVariable[] = "LV8INT_WINDOW_STYLE";

inline constexpr int32_t SW_HIDE = 0;
inline constexpr int32_t SW_SHOWNORMAL = 1;
inline constexpr int32_t SW_SHOWMINIMIZED = 2;
inline constexpr int32_t SW_SHOWMAXIMIZED = 3;
inline constexpr int32_t SW_SHOWNOACTIVATE = 4;
inline constexpr int32_t SW_SHOW = 5;
inline constexpr int32_t SW_MINIMIZE = 6;
inline constexpr int32_t SW_SHOWMINNOACTIVE = 7;
inline constexpr int32_t SW_SHOWNA = 8;
inline constexpr int32_t SW_RESTORE = 9;
inline constexpr int32_t SW_SHOWDEFAULT = 10;

// Takes LV8INT_WINDOW_STYLE out of the environment (so that the programs this one starts do
// not inherit it) and, when it holds a style, applies that style to the first top-level
// window this process shows afterwards. Runs by itself when the QApplication is created.
void applyFromEnvironment();

// Applies a style to a top-level window being shown (hidden: right after it is shown).
// Returns false for a number that is not a window style.
bool applyToWindow(QWidget* window, int32_t style);

}  // namespace lv8int::windowstyle
