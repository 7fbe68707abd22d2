// The console window's keys: character, key-down and key-up events become
// key codes (special keys, Ctrl variants, the Alt tables), Ctrl+Break ends
// the program, mouse buttons and the wheel act as keys, and six letter keys
// with Space type Braille chords.  Owns the Braille mode, the chord state,
// the break check and the activation-click mark.  Puts codes only through
// the key buffer's push operations; must not speak or draw.
#include "console/keyboard.h"

#include "console/console.h"
#include "console/keys.h"
#include "console/tone.h"

namespace {

struct SpecialKey {
  int virtualKey;
  uint8_t plain, withCtrl;
};

// F1..F12 follow one another in both columns; these are the others.
constexpr SpecialKey kSpecialKeys[] = {
    {vk::Insert, 82, 255}, {vk::Delete, 83, 83},  {vk::Home, 71, 119}, {vk::End, 79, 117},
    {vk::Prior, 73, 132},  {vk::Next, 81, 118},   {vk::Up, 72, 113},   {vk::Down, 80, 114},
    {vk::Left, 75, 115},   {vk::Right, 77, 116}};
constexpr uint8_t kShiftInsert = 254;

// The PC scan codes of A..Z, which Alt+letter reports.
constexpr uint8_t kAltLetters[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                     49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

// Dots value (dot 1 = 1 ... dot 6 = 32) to character, Portuguese Braille.
constexpr uint8_t kBraille[64] = {
    32,  97,  44,  98,  39,  107, 59,  108, 94,  99,  105, 102, 237, 109, 115, 112,
    126, 101, 58,  104, 42,  111, 33,  114, 172, 100, 106, 103, 227, 110, 116, 113,
    253, 226, 63,  234, 45,  117, 34,  118, 123, 238, 245, 224, 243, 120, 232, 231,
    36,  251, 255, 252, 125, 122, 61,  225, 95,  244, 119, 239, 35,  121, 250, 233};
constexpr uint8_t kSpaceDot = 64;
constexpr uint8_t kNoCharacter = 254;
constexpr uint8_t kCapitalSign = '{', kNumberSign = '#';

struct ChordState {
  uint8_t collected = 0, held = 0;
  bool capitalPending = false, capitalsLocked = false, numberMode = false;
};

ChordState chord;
int braille = 0;
bool breakCheck = true;
bool swallowNextClick = false;
BrailleTonePlayer tonePlayer = nullptr;

bool isLetterKey(int k) { return k >= 'A' && k <= 'Z'; }
bool isAsciiLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

uint8_t chordBit(int k) {
  switch (k) {
    case 'F': return 1;
    case 'D': return 2;
    case 'S': return 4;
    case 'J': return 8;
    case 'K': return 16;
    case 'L': return 32;
    case vk::Space: return kSpaceDot;
    default: return 0;
  }
}

void playTone(unsigned frequency, unsigned milliseconds) {
  if (tonePlayer) return tonePlayer(frequency, milliseconds);
  startTone(frequency);
  delayMs(milliseconds);
  stopTone();
}

void noteModifiers(KeyEventModifiers held) { setKeyModifiers({held.shift, held.ctrl, held.alt}); }

// 0 when the key has no Alt code.
uint8_t altCode(int k) {
  if (isLetterKey(k)) return kAltLetters[k - 'A'];
  if (k == '0') return 129;
  if (k >= '1' && k <= '9') return static_cast<uint8_t>(119 + (k - '0'));
  return 0;
}

void altKeyDown(int k, KeyEventModifiers held) {
  if (held.ctrl && k == vk::F12) setBrailleMode(0);
  else if (held.ctrl && k == vk::F11) setBrailleMode(braille + 1);
  else if (uint8_t code = altCode(k)) pushSpecialKey(code);
}

// Whether Braille input took the key.  X servers auto-repeat held keys:
// a repeat must neither add a dot nor leave a key marked as held, and
// while a chord is being collected no repeated key types anything.
bool brailleKeyDown(int k, bool repeat) {
  uint8_t bit = chordBit(k);
  if (repeat && (bit || chord.held)) return true;
  if (!bit) return false;
  chord.collected |= bit;
  chord.held |= bit;
  return true;
}

void specialKeyDown(int k, KeyEventModifiers held) {
  if (k >= vk::F1 && k <= vk::F12) {
    int index = k - vk::F1;
    return pushSpecialKey(static_cast<uint8_t>(held.ctrl ? 94 + index : 59 + index));
  }
  for (const SpecialKey& key : kSpecialKeys) {
    if (key.virtualKey != k) continue;
    bool shiftInsert = k == vk::Insert && held.shift;
    return pushSpecialKey(held.ctrl ? key.withCtrl : shiftInsert ? kShiftInsert : key.plain);
  }
}

void handleKeyDown(int k, KeyEventModifiers held, bool repeat) {
  if (breakCheck && k == vk::Cancel) terminateConsole();
  if (held.alt) return altKeyDown(k, held);
  if (!held.ctrl && braille != 0 && brailleKeyDown(k, repeat)) return;
  specialKeyDown(k, held);
}

void clearSigns() { chord.capitalPending = chord.capitalsLocked = chord.numberMode = false; }

// The second mode's letters: punctuation moved, digits in number mode,
// capitals after the capital sign.
uint8_t signedLetter(uint8_t ch) {
  if (ch == '\'') ch = '.';
  else if (ch == 251) ch = '@';
  if (chord.numberMode && ch >= 'a' && ch <= 'j') ch = ch == 'j' ? '0' : static_cast<uint8_t>('1' + (ch - 'a'));
  else if (chord.numberMode && ch == '~') chord.numberMode = false;
  if ((chord.capitalPending || chord.capitalsLocked) && ch >= 'a' && ch <= 'z') ch -= 32;
  return ch;
}

// The signs themselves type nothing; a second capital sign locks capitals.
uint8_t applySigns(uint8_t ch) {
  ch = signedLetter(ch);
  if (ch == kNumberSign) {
    chord.numberMode = true;
    return kNoCharacter;
  }
  bool capitalSign = ch == kCapitalSign;
  if (capitalSign) chord.capitalsLocked |= chord.capitalPending;
  chord.capitalPending = capitalSign;
  return capitalSign ? kNoCharacter : ch;
}

// Space with dots gives the control character of the dots' letter.
uint8_t translateChord(uint8_t dots) {
  if (dots < kSpaceDot) return braille == 2 ? applySigns(kBraille[dots]) : kBraille[dots];
  clearSigns();
  if (dots == kSpaceDot) return ' ';
  return kBraille[dots - kSpaceDot] & 31;
}

void completeChord() {
  uint8_t ch = translateChord(chord.collected);
  chord.collected = 0;
  if (ch != kNoCharacter) pushKey(ch);
}

// The click that activated the window is not a key.
bool swallowedAsActivation() {
  bool swallow = swallowNextClick;
  swallowNextClick = false;
  return swallow;
}

}  // namespace

void keyboardChar(uint8_t c, KeyEventModifiers held) {
  noteModifiers(held);
  if (braille != 0 && (c == ' ' || isAsciiLetter(c))) return;
  if (c == 8 && held.ctrl) c = 127;
  else if (c == 13 && held.ctrl) c = 10;
  pushKey(c);
}

int keyboardCharOfKey(int virtualKey, KeyEventModifiers held) {
  if (held.alt) return -1;
  if (held.ctrl && isLetterKey(virtualKey)) return virtualKey - 'A' + 1;
  switch (virtualKey) {
    case vk::Back: case vk::Tab: case vk::Return: case vk::Escape: return virtualKey;
    case vk::Cancel: return 3;
    default: return -1;
  }
}

// While the program runs only Left and Right of the system keys are taken,
// so Alt+F4 still closes the window and F10 types nothing.
bool keyboardKeyDown(int virtualKey, KeyEventModifiers held, bool system, bool repeat) {
  noteModifiers(held);
  if (system && breakCheck && virtualKey != vk::Left && virtualKey != vk::Right) return false;
  handleKeyDown(virtualKey, held, repeat);
  return true;
}

bool keyboardIsSystemKey(int virtualKey, KeyEventModifiers held) {
  return !held.ctrl && (held.alt || virtualKey == vk::F10);
}

// Any other key released (or Ctrl held) ends the signs and is not taken.
// Releases with Alt held are system keys, so Alt+letter types no blank.
bool keyboardKeyUp(int virtualKey, KeyEventModifiers held) {
  noteModifiers(held);
  if (braille == 0 || keyboardIsSystemKey(virtualKey, held)) return false;
  if (held.ctrl || (virtualKey != vk::Space && !isLetterKey(virtualKey))) {
    clearSigns();
    return false;
  }
  chord.held &= static_cast<uint8_t>(~chordBit(virtualKey));
  if (chord.held == 0) completeChord();
  return true;
}

void keyboardMouseButton(int button) {
  if (button < 0 || button > 2 || swallowedAsActivation()) return;
  if (button == 0) pushKey(13);
  else if (button == 1) pushKey(27);
  else pushSpecialKey(67);
}

void keyboardMouseWheel(int delta) {
  if (swallowedAsActivation() || delta == 0) return;
  pushSpecialKey(delta < 0 ? 80 : 72);
}

void keyboardFocus(bool gained, bool anyButtonDown) { swallowNextClick = gained && anyButtonDown; }

void setBrailleMode(int mode) {
  if (mode < 0 || mode > 2) mode = 1;
  if (mode == 0) {
    chord = {};
    if (braille != 0) playTone(100, 200);
  } else {
    playTone(800, 200);
    playTone(mode == 1 ? 1600 : 400, 200);
  }
  braille = mode;
}

int brailleMode() { return braille; }

void setBreakCheck(bool on) { breakCheck = on; }

void setBrailleTonePlayer(BrailleTonePlayer player) { tonePlayer = player; }
