// SDL's events as the console window's messages: key-down, key-up and text
// input become the key handlers' WM_KEYDOWN, WM_KEYUP and WM_CHAR in
// Windows virtual-key codes; mouse buttons, the wheel and the focus go to
// their handlers; closing the window ends the program.  Owns the modifier
// state the events carried (pushed events leave SDL's keyboard state
// alone, so it is never asked); must not draw.
#include "console/console.h"
#include "console/keyboard.h"
#include "platform/codepage.h"
#include "platform/window_internal.h"

namespace {

constexpr int kF4 = vk::F1 + 3;

KeyEventModifiers held;

KeyEventModifiers modifiersOf(Uint16 mod) {
  return {(mod & KMOD_SHIFT) != 0, (mod & KMOD_CTRL) != 0, (mod & KMOD_ALT) != 0};
}

// Without Num Lock the keypad is the cursor block, as on a PC.
int keypadKey(SDL_Keycode sym, bool numLock) {
  static const struct { SDL_Keycode sym; int digit, navigation; } kKeypad[] = {
      {SDLK_KP_0, 96, vk::Insert}, {SDLK_KP_1, 97, vk::End},   {SDLK_KP_2, 98, vk::Down},
      {SDLK_KP_3, 99, vk::Next},   {SDLK_KP_4, 100, vk::Left}, {SDLK_KP_5, 101, 12},
      {SDLK_KP_6, 102, vk::Right}, {SDLK_KP_7, 103, vk::Home}, {SDLK_KP_8, 104, vk::Up},
      {SDLK_KP_9, 105, vk::Prior}, {SDLK_KP_PERIOD, 110, vk::Delete}};
  for (const auto& key : kKeypad)
    if (key.sym == sym) return numLock ? key.digit : key.navigation;
  switch (sym) {
    case SDLK_KP_ENTER: return vk::Return;
    case SDLK_KP_MULTIPLY: return 106;
    case SDLK_KP_PLUS: return 107;
    case SDLK_KP_MINUS: return 109;
    case SDLK_KP_DIVIDE: return 111;
    default: return 0;
  }
}

int namedKey(SDL_Keycode sym, Uint16 mod) {
  switch (sym) {
    case SDLK_BACKSPACE: return vk::Back;
    case SDLK_TAB: return vk::Tab;
    case SDLK_RETURN: return vk::Return;
    case SDLK_ESCAPE: return vk::Escape;
    case SDLK_SPACE: return vk::Space;
    case SDLK_PAGEUP: return vk::Prior;
    case SDLK_PAGEDOWN: return vk::Next;
    case SDLK_END: return vk::End;
    case SDLK_HOME: return vk::Home;
    case SDLK_LEFT: return vk::Left;
    case SDLK_UP: return vk::Up;
    case SDLK_RIGHT: return vk::Right;
    case SDLK_DOWN: return vk::Down;
    case SDLK_INSERT: return vk::Insert;
    case SDLK_DELETE: return vk::Delete;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return vk::Shift;
    case SDLK_LCTRL: case SDLK_RCTRL: return vk::Control;
    case SDLK_LALT: case SDLK_RALT: return vk::Menu;
    case SDLK_PAUSE: return (mod & KMOD_CTRL) ? vk::Cancel : vk::Pause;  // Ctrl+Pause is Break
    case SDLK_CANCEL: return vk::Cancel;
    case SDLK_CAPSLOCK: return 20;
    case SDLK_LGUI: return 91;
    case SDLK_RGUI: return 92;
    case SDLK_APPLICATION: return 93;
    case SDLK_NUMLOCKCLEAR: return 144;
    case SDLK_SCROLLLOCK: return 145;
    default: break;
  }
  if (sym >= SDLK_F1 && sym <= SDLK_F12) return vk::F1 + (sym - SDLK_F1);
  if (sym >= SDLK_F13 && sym <= SDLK_F24) return vk::F12 + 1 + (sym - SDLK_F13);
  return keypadKey(sym, (mod & KMOD_NUM) != 0);
}

// The punctuation keys by their place on a US keyboard, as Windows names them.
int punctuationKey(SDL_Scancode code) {
  switch (code) {
    case SDL_SCANCODE_SEMICOLON: return 186;
    case SDL_SCANCODE_EQUALS: return 187;
    case SDL_SCANCODE_COMMA: return 188;
    case SDL_SCANCODE_MINUS: return 189;
    case SDL_SCANCODE_PERIOD: return 190;
    case SDL_SCANCODE_SLASH: return 191;
    case SDL_SCANCODE_GRAVE: return 192;
    case SDL_SCANCODE_LEFTBRACKET: return 219;
    case SDL_SCANCODE_BACKSLASH: return 220;
    case SDL_SCANCODE_RIGHTBRACKET: return 221;
    case SDL_SCANCODE_APOSTROPHE: return 222;
    case SDL_SCANCODE_NONUSBACKSLASH: return 226;
    default: return 0;
  }
}

// Letters follow the layout (the key that types "f" is F, as on Windows);
// where the layout has no Latin letter there, the key's place decides.
int letterOrDigitKey(const SDL_Keysym& key) {
  if (key.sym >= 'a' && key.sym <= 'z') return static_cast<int>(key.sym - 'a' + 'A');
  if (key.sym >= '0' && key.sym <= '9') return static_cast<int>(key.sym);
  if (key.scancode >= SDL_SCANCODE_A && key.scancode <= SDL_SCANCODE_Z) return 'A' + (key.scancode - SDL_SCANCODE_A);
  if (key.scancode >= SDL_SCANCODE_1 && key.scancode <= SDL_SCANCODE_9) return '1' + (key.scancode - SDL_SCANCODE_1);
  if (key.scancode == SDL_SCANCODE_0) return '0';
  return 0;
}

void keyDown(const SDL_KeyboardEvent& event) {
  held = modifiersOf(event.keysym.mod);
  int k = windowVirtualKey(event.keysym);
  if (k == 0) return;
  bool system = keyboardIsSystemKey(k, held);
  // Default handling of a system key that was not taken: Alt+F4 closes the window.
  if (!keyboardKeyDown(k, held, system, event.repeat != 0) && held.alt && k == kF4) terminateConsole();
  int c = keyboardCharOfKey(k, held);
  if (c >= 0) keyboardChar(static_cast<uint8_t>(c), held);
}

void keyUp(const SDL_KeyboardEvent& event) {
  held = modifiersOf(event.keysym.mod);
  if (int k = windowVirtualKey(event.keysym)) keyboardKeyUp(k, held);
}

// Text typed with Alt is a system character on Windows, not a WM_CHAR.
void textInput(const SDL_TextInputEvent& event) {
  if (held.alt && !held.ctrl) return;
  for (char c : utf8ToAnsi(event.text)) keyboardChar(static_cast<uint8_t>(c), held);
}

void mouseButton(const SDL_MouseButtonEvent& event) {
  if (event.button == SDL_BUTTON_LEFT) keyboardMouseButton(0);
  else if (event.button == SDL_BUTTON_RIGHT) keyboardMouseButton(1);
  else if (event.button == SDL_BUTTON_MIDDLE) keyboardMouseButton(2);
}

void mouseWheel(const SDL_MouseWheelEvent& event) {
  int steps = event.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.y : event.y;
  if (steps != 0) keyboardMouseWheel(steps * 120);
}

// The click that brings the window to the front is still down when the
// focus arrives.
void windowEvent(const SDL_WindowEvent& event) {
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE: terminateConsole();
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      keyboardFocus(true, SDL_GetGlobalMouseState(nullptr, nullptr) != 0);
      windowFocusChanged(true);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      keyboardFocus(false, false);
      windowFocusChanged(false);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_RESTORED:
      windowExposed();
      break;
    default: break;
  }
}

}  // namespace

int windowVirtualKey(const SDL_Keysym& key) {
  if (int k = namedKey(key.sym, key.mod)) return k;
  if (int k = letterOrDigitKey(key)) return k;
  return punctuationKey(key.scancode);
}

void windowDispatch(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT: terminateConsole();
    case SDL_WINDOWEVENT: return windowEvent(event.window);
    case SDL_KEYDOWN: return keyDown(event.key);
    case SDL_KEYUP: return keyUp(event.key);
    case SDL_TEXTINPUT: return textInput(event.text);
    case SDL_MOUSEBUTTONDOWN: return mouseButton(event.button);
    case SDL_MOUSEWHEEL: return mouseWheel(event.wheel);
    default: break;
  }
}
