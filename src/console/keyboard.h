// The console window's keyboard and mouse handling, independent of any
// toolkit: key-down, character and key-up events (in Windows virtual-key
// codes) become key codes in the key buffer; mouse buttons and the wheel
// become keys; Braille chords are collected and translated.  The window
// backend maps its toolkit's events onto these calls.
#pragma once

#include <cstdint>

// Windows virtual-key codes used by the tables.
namespace vk {
constexpr int Cancel = 3, Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Menu = 18, Pause = 19,
              Escape = 27, Space = 32, Prior = 33, Next = 34, End = 35, Home = 36, Left = 37, Up = 38,
              Right = 39, Down = 40, Insert = 45, Delete = 46, F1 = 112, F10 = 121, F11 = 122,
              F12 = 123;
// '0'..'9' are 48..57 and 'A'..'Z' are 65..90, as on Windows.
}  // namespace vk

struct KeyEventModifiers {
  bool shift = false, ctrl = false, alt = false;
};

// WM_CHAR: a character typed (Windows-1252).
void keyboardChar(uint8_t c, KeyEventModifiers held);
// WM_KEYDOWN / WM_SYSKEYDOWN (system: keyboardIsSystemKey).  Answers whether the
// key was taken; false means the window's default handling follows (Alt+F4).
// repeat: an auto-repeated key-down.
bool keyboardKeyDown(int virtualKey, KeyEventModifiers held, bool system, bool repeat);
// The WM_CHAR that Windows makes from a key-down which a toolkit's text
// input does not report: Backspace 8, Tab 9, Enter 13, Esc 27, Ctrl+letter
// 1..26, Ctrl+Break 3; -1 for every other key and whenever Alt is held.
// The backend passes it to keyboardChar after keyboardKeyDown.
int keyboardCharOfKey(int virtualKey, KeyEventModifiers held);
// Whether Windows would report the key as a system key (WM_SYSKEYDOWN,
// WM_SYSKEYUP): Alt held without Ctrl, or F10 without Ctrl.  The backend
// passes it as keyboardKeyDown's system.
bool keyboardIsSystemKey(int virtualKey, KeyEventModifiers held);
// WM_KEYUP.  Answers whether it was taken (only while Braille input is on);
// a system key's release (WM_SYSKEYUP) is never taken and changes nothing.
bool keyboardKeyUp(int virtualKey, KeyEventModifiers held);
// Mouse buttons (0 left, 1 right, 2 middle) and the wheel.
void keyboardMouseButton(int button);
void keyboardMouseWheel(int delta);
// Focus gained (with whether any mouse button is down then) or lost.
void keyboardFocus(bool gained, bool anyButtonDown);

// Braille input: 0 off, 1 and 2 the two modes; sounds the confirmation tones.
void setBrailleMode(int mode);
int brailleMode();
// The Ctrl+Break check (on from program start; the end hook switches it off).
void setBreakCheck(bool on);

// Where the Braille confirmation tones go (frequency in Hz, milliseconds);
// null, the default, plays them with the tone generator and waits meanwhile.
using BrailleTonePlayer = void (*)(unsigned frequency, unsigned milliseconds);
void setBrailleTonePlayer(BrailleTonePlayer player);
