#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "console/backend.h"
#include "console/console.h"
#include "console/keyboard.h"
#include "console/keys.h"

namespace {

// A backend with every operation left out: no input but what a test sends.
ConsoleBackend makeSilentBackend() {
  ConsoleBackend backend{};
  backend.name = "silent";
  return backend;
}
const ConsoleBackend silentBackend = makeSilentBackend();

std::vector<std::pair<unsigned, unsigned>> tonesHeard;
void hearTone(unsigned frequency, unsigned milliseconds) { tonesHeard.push_back({frequency, milliseconds}); }

constexpr KeyEventModifiers kNone{}, kShift{true, false, false}, kCtrl{false, true, false},
    kAlt{false, false, true}, kCtrlAlt{false, true, true}, kCtrlShift{true, true, false};

class KeyboardTest : public ::testing::Test {
 protected:
  const ConsoleBackend* previous = nullptr;

  void SetUp() override {
    previous = &consoleBackend();
    consoleSetBackend(&silentBackend);
    setBrailleTonePlayer(hearTone);
    reset();
  }
  void TearDown() override {
    reset();
    setBrailleTonePlayer(nullptr);
    consoleSetBackend(previous);
  }
  static void reset() {
    setBrailleMode(0);
    setBreakCheck(true);
    keyboardFocus(false, false);
    clearKeyBuffer();
    setKeyModifiers({});
    tonesHeard.clear();
  }
  static std::string taken() {
    std::string codes;
    while (keyCount() > 0) codes += static_cast<char>(readKey());
    return codes;
  }
  static void fill(int count) {
    for (int i = 0; i < count; ++i) pushKey('.');
  }
  static int key(char c) { return c == ' ' ? vk::Space : c - 'a' + 'A'; }
  // One chord: the keys go down in order, then come up in order.
  static void chord(const std::string& keys) {
    for (char c : keys) keyboardKeyDown(key(c), kNone, false, false);
    for (char c : keys) keyboardKeyUp(key(c), kNone);
  }
  static std::string typed(int mode, const std::vector<std::string>& chords) {
    setBrailleMode(mode);
    for (const std::string& keys : chords) chord(keys);
    return taken();
  }
};

std::string special(uint8_t code) { return std::string(1, '\0') + static_cast<char>(code); }

TEST_F(KeyboardTest, SpecialKeysWithCtrlAndShift) {
  struct Case {
    int key;
    uint8_t plain, ctrl;
  };
  const Case cases[] = {{vk::F1, 59, 94},     {vk::F1 + 1, 60, 95},   {vk::F1 + 5, 64, 99},   {vk::F10, 68, 103},
                        {vk::F11, 69, 104}, {vk::F12, 70, 105},   {vk::Insert, 82, 255},  {vk::Delete, 83, 83},
                        {vk::Home, 71, 119},  {vk::End, 79, 117},     {vk::Prior, 73, 132},   {vk::Next, 81, 118},
                        {vk::Up, 72, 113},    {vk::Down, 80, 114},    {vk::Left, 75, 115},    {vk::Right, 77, 116}};
  for (const Case& c : cases) {
    EXPECT_TRUE(keyboardKeyDown(c.key, kNone, false, false));
    keyboardKeyDown(c.key, kCtrl, false, false);
    EXPECT_EQ(taken(), special(c.plain) + special(c.ctrl)) << "key " << c.key;
  }
  keyboardKeyDown(vk::Insert, kShift, false, false);
  keyboardKeyDown(vk::Insert, kCtrlShift, false, false);  // Ctrl wins over Shift
  keyboardKeyDown(vk::Up, kShift, false, false);
  EXPECT_EQ(taken(), special(254) + special(255) + special(72));
  // Keys outside the table type nothing on key-down.
  for (int k : {int('A'), int('5'), vk::Return, vk::Back, vk::Shift, vk::Pause}) keyboardKeyDown(k, kNone, false, false);
  EXPECT_EQ(taken(), "");
}

TEST_F(KeyboardTest, AltTablesAndSystemKeys) {
  const std::pair<int, uint8_t> cases[] = {{'A', 30}, {'B', 48}, {'M', 50}, {'Q', 16}, {'Z', 44},
                                           {'1', 120}, {'5', 124}, {'9', 128}, {'0', 129}};
  for (auto [k, code] : cases) {
    EXPECT_TRUE(keyboardKeyDown(k, kCtrlAlt, false, false));  // Ctrl+Alt keys come as plain key-downs
    EXPECT_EQ(taken(), special(code)) << "key " << k;
  }
  // Alt with any other key types nothing, not even the special-key codes.
  keyboardKeyDown(vk::Up, kCtrlAlt, false, false);
  keyboardKeyDown(vk::F1, kAlt, false, false);
  EXPECT_EQ(taken(), "");

  // While the program runs, system keys other than Left and Right are left
  // to the window (Alt+F4 closes it, F10 types nothing).
  EXPECT_FALSE(keyboardKeyDown('A', kAlt, true, false));
  EXPECT_FALSE(keyboardKeyDown(vk::F1 + 3, kAlt, true, false));
  EXPECT_FALSE(keyboardKeyDown(vk::F10, kNone, true, false));
  EXPECT_TRUE(keyboardKeyDown(vk::Left, kAlt, true, false));
  EXPECT_TRUE(keyboardKeyDown(vk::Right, kAlt, true, false));
  EXPECT_EQ(taken(), "");
  setBreakCheck(false);
  EXPECT_TRUE(keyboardKeyDown('A', kAlt, true, false));
  EXPECT_TRUE(keyboardKeyDown(vk::F10, kNone, true, false));
  EXPECT_EQ(taken(), special(30) + special(68));

  const std::pair<int, KeyEventModifiers> systemKeys[] = {{'A', kAlt}, {vk::F10, kNone}, {vk::F10, kShift}, {vk::Menu, kAlt}};
  const std::pair<int, KeyEventModifiers> plainKeys[] = {{'A', kCtrlAlt}, {vk::F10, kCtrl}, {vk::F1 + 8, kNone}, {'A', kShift}};
  for (auto [k, held] : systemKeys) EXPECT_TRUE(keyboardIsSystemKey(k, held)) << "key " << k;
  for (auto [k, held] : plainKeys) EXPECT_FALSE(keyboardIsSystemKey(k, held)) << "key " << k;
}

TEST_F(KeyboardTest, CharactersAndTheirCtrlForms) {
  const std::pair<uint8_t, KeyEventModifiers> typedChars[] = {
      {'x', kNone}, {8, kNone}, {8, kCtrl}, {13, kNone}, {13, kCtrl}, {233, kShift}, {27, kNone}, {1, kCtrl}};
  for (auto [c, held] : typedChars) keyboardChar(c, held);
  EXPECT_EQ(taken(), std::string("x\x08\x7f\x0d\x0a\xe9\x1b\x01"));

  struct Case {
    int key;
    KeyEventModifiers held;
    int c;
  };
  const Case keys[] = {{vk::Back, kNone, 8},   {vk::Back, kCtrl, 8}, {vk::Return, kCtrl, 13}, {vk::Tab, kShift, 9},
                       {vk::Escape, kNone, 27}, {'A', kCtrl, 1},      {'Z', kCtrlShift, 26},   {vk::Cancel, kCtrl, 3},
                       {'A', kNone, -1},        {'A', kCtrlAlt, -1},  {vk::Return, kAlt, -1},  {vk::Up, kNone, -1}};
  for (const Case& k : keys) EXPECT_EQ(keyboardCharOfKey(k.key, k.held), k.c) << "key " << k.key;
}

TEST_F(KeyboardTest, EveryKeyEventLeavesItsModifiers) {
  keyboardKeyDown(vk::Shift, kShift, false, false);
  EXPECT_TRUE(keyModifiers().shift);
  keyboardChar('a', kCtrlAlt);
  EXPECT_TRUE(keyModifiers().ctrl && keyModifiers().alt && !keyModifiers().shift);
  keyboardKeyUp(vk::Control, kNone);
  EXPECT_FALSE(keyModifiers().ctrl || keyModifiers().alt || keyModifiers().shift);
}

TEST_F(KeyboardTest, BufferLimits) {
  fill(62);
  keyboardKeyDown(vk::F1, kNone, false, false);  // exactly two places
  EXPECT_EQ(keyCount(), 64);
  clearKeyBuffer();

  fill(63);  // one place: every two-byte code is dropped whole, a character fits
  keyboardKeyDown(vk::F1, kNone, false, false);
  keyboardKeyDown('A', kCtrlAlt, false, false);
  keyboardMouseButton(2);
  keyboardMouseWheel(-120);
  EXPECT_EQ(keyCount(), 63);
  keyboardChar('z', kNone);
  keyboardChar('y', kNone);
  EXPECT_EQ(taken(), std::string(63, '.') + "z");

  setBrailleMode(1);
  fill(63);
  chord("f");
  chord("fd");  // the buffer is full now
  EXPECT_EQ(taken(), std::string(63, '.') + "a");
}

TEST_F(KeyboardTest, MouseKeysAndTheActivationClick) {
  for (int button : {0, 1, 2, 3}) keyboardMouseButton(button);
  for (int delta : {-120, 120, 0}) keyboardMouseWheel(delta);
  EXPECT_EQ(taken(), std::string("\r\x1b") + special(67) + special(80) + special(72));

  keyboardFocus(true, true);  // the click that brought the window forward
  keyboardMouseButton(0);
  keyboardMouseButton(0);
  keyboardFocus(true, true);
  keyboardMouseWheel(-120);
  keyboardMouseButton(1);
  keyboardFocus(true, true);
  keyboardMouseButton(4);  // not one of the mouse keys: the mark stays
  keyboardMouseButton(2);
  EXPECT_EQ(taken(), std::string("\r\x1b"));

  keyboardFocus(true, true);
  keyboardFocus(false, false);  // losing the focus forgets the mark
  keyboardMouseButton(0);
  keyboardFocus(true, false);  // gained without a button down
  keyboardMouseButton(0);
  EXPECT_EQ(taken(), "\r\r");
}

TEST_F(KeyboardTest, CtrlBreakEndsTheProgramWhileTheCheckIsOn) {
  EXPECT_EXIT(
      {
        setTerminateStatus(7);
        keyboardKeyDown(vk::Cancel, kCtrl, false, false);
      },
      ::testing::ExitedWithCode(7), "");
  setBreakCheck(false);
  EXPECT_TRUE(keyboardKeyDown(vk::Cancel, kCtrl, false, false));
  EXPECT_EQ(taken(), "");
}

TEST_F(KeyboardTest, BrailleChords) {
  struct Case {
    int mode;
    std::vector<std::string> chords;
    std::string typed;
  };
  const Case cases[] = {
      {1, {"fd", "df", "f", "fdsjkl"}, "bba\xe9"},
      {1, {" ", "f ", " df"}, std::string(" \x01\x02")},  // Space with dots: the letter's control character
      {1, {"jl", "sjkl", "s", "fkl"}, "{#'\xfb"},         // no signs in the first mode
      {2, {"s", "fkl"}, ".@"},
      {2, {"sjkl", "f", "fd", "djk", "k", "f"}, "120~a"},  // number mode until "~"
      {2, {"sjkl", "f", " ", "f"}, "1 a"},                  // Space ends the signs
      {2, {"jl", "f", "fd"}, "Ab"},                        // one capital
      {2, {"jl", "jl", "f", "fd", "fdk"}, "ABH"},          // capitals locked
      {2, {"jl", "jl", "f ", "f"}, std::string("\x01" "a")},
      {2, {"jl", "sjkl", "f"}, "1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(typed(c.mode, c.chords), c.typed) << "mode " << c.mode << ", first chord " << c.chords[0];
    setBrailleMode(0);
  }
}

TEST_F(KeyboardTest, BrailleKeyHandling) {
  setBrailleMode(2);
  // Typed characters of the chord keys (and all letters and Space) are not taken.
  for (int c : {'x', 'X', ' ', 'f', '5', '\b'}) keyboardChar(c, kNone);
  EXPECT_EQ(taken(), "5\x08");

  // Another key released ends locked capitals and is passed on.
  chord("jl");
  chord("jl");
  chord("f");
  keyboardKeyDown(vk::Up, kNone, false, false);  // special keys still work
  EXPECT_FALSE(keyboardKeyUp(vk::Up, kNone));
  chord("f");
  // With Ctrl the chord keys are ordinary keys, and a release ends the signs.
  chord("jl");
  keyboardKeyDown('F', kCtrl, false, false);
  EXPECT_FALSE(keyboardKeyUp('F', kCtrl));
  chord("f");
  EXPECT_EQ(taken(), "A" + special(72) + "aa");

  // A letter that is no chord key completes the chord when the last chord
  // key is up, and alone gives a blank.
  keyboardKeyDown('F', kNone, false, false);
  keyboardKeyDown('X', kNone, false, false);
  EXPECT_TRUE(keyboardKeyUp('X', kNone));
  EXPECT_EQ(taken(), "");
  keyboardKeyUp('F', kNone);
  keyboardKeyUp('X', kNone);
  EXPECT_EQ(taken(), "a ");

  // Alt+letter is the window's: its release is no chord and keeps the signs.
  chord("jl");
  EXPECT_FALSE(keyboardKeyDown('F', kAlt, true, false));
  EXPECT_FALSE(keyboardKeyUp('F', kAlt));
  chord("f");
  EXPECT_EQ(taken(), "A");
}

TEST_F(KeyboardTest, RepeatsAreIgnoredWhileCollecting) {
  setBrailleMode(1);
  keyboardKeyDown('F', kNone, false, false);
  keyboardKeyDown('F', kNone, false, true);
  keyboardKeyDown(vk::Up, kNone, false, true);  // no repeated key types mid-chord
  keyboardKeyUp('F', kNone);
  keyboardKeyDown('F', kNone, false, true);  // a stray repeat after the release
  chord("d");
  keyboardKeyDown(vk::Up, kNone, false, true);  // no chord: repeats as usual
  EXPECT_EQ(taken(), "a," + special(72));
}

TEST_F(KeyboardTest, BrailleModeSwitchAndTones) {
  using Tones = std::vector<std::pair<unsigned, unsigned>>;
  struct Case {
    int mode;
    int becomes;
    Tones tones;
  };
  const Case cases[] = {{0, 0, {}},
                        {1, 1, {{800, 200}, {1600, 200}}},
                        {2, 2, {{800, 200}, {400, 200}}},
                        {0, 0, {{100, 200}}},
                        {7, 1, {{800, 200}, {1600, 200}}}};
  for (const Case& c : cases) {
    tonesHeard.clear();
    setBrailleMode(c.mode);
    EXPECT_EQ(brailleMode(), c.becomes) << "mode " << c.mode;
    EXPECT_EQ(tonesHeard, c.tones) << "mode " << c.mode;
  }

  // Ctrl+Alt+F11 steps through the modes, Ctrl+Alt+F12 switches off.
  std::vector<int> modes;
  for (int k : {vk::F11, vk::F11, vk::F11, vk::F12, vk::F11}) {
    keyboardKeyDown(k, kCtrlAlt, false, false);
    modes.push_back(brailleMode());
  }
  EXPECT_EQ(modes, (std::vector<int>{2, 1, 2, 0, 1}));

  // Switching off forgets a chord begun before it.
  keyboardKeyDown('F', kNone, false, false);
  setBrailleMode(0);
  setBrailleMode(1);
  chord("d");
  EXPECT_EQ(taken(), ",");
}

}  // namespace
