// The SDL console window on SDL's dummy video driver: what it shows is read
// back pixel by pixel, and events are put into its queue with SDL_PushEvent
// as the display would deliver them.
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "console/backend.h"
#include "console/console.h"
#include "console/keyboard.h"
#include "console/keys.h"
#include "console/overlay.h"
#include "platform/console_window.h"
#include "platform/terminal_input.h"
#include "speech/speech.h"
#include "temp_folder.h"

namespace {

constexpr uint32_t kBlack = 0x000000, kBlue = 0x0000FF, kGreen = 0x00FF00, kRed = 0xFF0000, kWhite = 0xFFFFFF,
                   kMagenta = 0xFF00FF;
constexpr int kCellWidth = 8, kCellHeight = 16;

// Logical colour 14 is drawn as palette 2 (green) through the colour table.
const char* const kSettings =
    "[VIDEO]\nALTURALETRA=16\nLARGURALETRA=8\nTABCORES=0,1,2,3,4,5,6,7,8,9,10,11,12,13,2,15\n";

void silentTones(unsigned, unsigned) {}

struct Screen {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  uint32_t at(int x, int y) const { return pixels[y * width + x]; }
  // Pixels of one cell (0-based column and row) matching a test.
  template <typename Test>
  int countInCell(int column, int row, Test test) const {
    int count = 0;
    for (int y = row * kCellHeight; y < (row + 1) * kCellHeight; ++y)
      for (int x = column * kCellWidth; x < (column + 1) * kCellWidth; ++x) count += test(at(x, y));
    return count;
  }
  int cellPixels(int column, int row, uint32_t colour) const {
    return countInCell(column, row, [&](uint32_t p) { return p == colour; });
  }
};

Screen snapshot() {
  Screen screen;
  EXPECT_TRUE(windowSnapshot(screen.pixels, screen.width, screen.height));
  return screen;
}

// A 24-bit BMP of one colour, bottom-up rows padded to 4 bytes.
std::string solidBmp(int width, int height, uint32_t rgb) {
  int rowBytes = (width * 3 + 3) / 4 * 4;
  auto le = [](uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  std::string pixels;
  for (int y = 0; y < height; ++y) {
    std::string row;
    for (int x = 0; x < width; ++x) row += le(rgb & 0xFF, 1) + le((rgb >> 8) & 0xFF, 1) + le(rgb >> 16, 1);
    pixels += row + std::string(rowBytes - row.size(), '\0');
  }
  return "BM" + le(54 + pixels.size(), 4) + le(0, 4) + le(54, 4) + le(40, 4) + le(width, 4) + le(height, 4) +
         le(1, 2) + le(24, 2) + le(0, 4) + le(pixels.size(), 4) + le(2835, 4) + le(2835, 4) + le(0, 4) + le(0, 4) +
         pixels;
}

class WindowTest : public ::testing::Test {
 protected:
  TempFolder folder;
  const ConsoleBackend* previous = nullptr;

  void SetUp() override {
    prepare("window_test", "dummy");
    open(kSettings);
  }
  // A drive c: and a configuration folder of the test's own; driver null:
  // the display's.
  void prepare(const char* name, const char* driver) {
    ASSERT_TRUE(folder.enter(name));
    ASSERT_EQ(mkdir((folder.root + "/c").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((folder.root + "/Ouvino").c_str(), 0700), 0);
    setenv("OUVINO_DRIVE_C", (folder.root + "/c").c_str(), 1);
    setenv("XDG_CONFIG_HOME", folder.root.c_str(), 1);
    setenv("OUVINO_CONSOLE", "headless", 1);  // what the process would choose must not be the window
    if (driver) setenv("SDL_VIDEODRIVER", driver, 1);
    else unsetenv("SDL_VIDEODRIVER");
    previous = &consoleBackend();
    setBrailleTonePlayer(silentTones);
  }
  void TearDown() override {
    setBrailleMode(0);
    setBrailleTonePlayer(nullptr);
    removeOverlayImage();
    windowConsoleBackend.shutdown();
    consoleSetBackend(previous);
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("OUVINO_DRIVE_C");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(folder.leave());
  }

  void open(const std::string& settings) {
    if (windowIsOpen()) windowConsoleBackend.shutdown();
    writeFile(folder.root + "/Ouvino/Ouvino.ini", settings);
    consoleSetBackend(&windowConsoleBackend);
    openConsole();
    ASSERT_TRUE(windowIsOpen());
    setTextAttribute(0x0F);
    clearScreen();
    clearKeyBuffer();
  }
  static void write(const std::string& text) { writeTextToConsole(text); }
  static std::string taken() {
    pumpConsoleMessages();
    std::string codes;
    while (keyCount() > 0) codes += static_cast<char>(readKey());
    return codes;
  }
};

// ---- what the window shows ----

TEST_F(WindowTest, WindowIsTheGridInCellsOfTheConfiguredSize) {
  int width = 0, height = 0;
  windowCellSize(width, height);
  EXPECT_EQ(width, kCellWidth);
  EXPECT_EQ(height, kCellHeight);
  Screen screen = snapshot();
  EXPECT_EQ(screen.width, 80 * kCellWidth);
  EXPECT_EQ(screen.height, 25 * kCellHeight);

  // Without sizes the work area decides: the dummy display's is 1024 x 768.
  open("[VIDEO]\nPESOLETRA=400\n");
  windowCellSize(width, height);
  EXPECT_EQ(width, 13);
  EXPECT_EQ(height, 29);
}

// A face that is missing gives way to fontconfig's monospace face.
TEST_F(WindowTest, FontIsFoundByNameAndWeight) {
  struct {
    const char* settings;
    const char* file;
  } cases[] = {
      {"[VIDEO]\nALTURALETRA=16\n", "DejaVuSansMono-Bold.ttf"},  // Lucida Console, 700
      {"[VIDEO]\nFONTE=DejaVu Serif\nPESOLETRA=400\n", "DejaVuSerif.ttf"},
      {"[VIDEO]\nFONTE=dejavu sans mono\nPESOLETRA=400\n", "DejaVuSansMono.ttf"},
      {"[VIDEO]\nFONTE=No Such Face\nPESOLETRA=400\n", "DejaVuSansMono.ttf"},
  };
  for (const auto& c : cases) {
    open(c.settings);
    std::string file = windowFontFile();
    EXPECT_EQ(file.substr(file.rfind('/') + 1), c.file) << c.settings;
  }
}

TEST_F(WindowTest, TextIsDrawnInItsColoursThroughTheColourTable) {
  setTextBackground(1);
  setTextColor(14);
  write("H");
  setTextBackground(0);
  setTextColor(4);
  write("H");
  Screen screen = snapshot();
  auto mostlyGreen = [](uint32_t p) { return ((p >> 8) & 0xFF) > 128 && (p & 0xFF) < 128 && (p >> 16) == 0; };
  EXPECT_GT(screen.cellPixels(0, 0, kBlue), 0);
  EXPECT_GT(screen.countInCell(0, 0, mostlyGreen), 0) << "colour 14 maps to palette 2";
  EXPECT_EQ(screen.countInCell(0, 0, [](uint32_t p) { return p == kBlack || (p >> 16) != 0; }), 0);
  auto mostlyRed = [](uint32_t p) { return (p >> 16) > 128 && (p & 0xFFFF) == 0; };
  EXPECT_GT(screen.countInCell(1, 0, mostlyRed), 0);
  EXPECT_GT(screen.cellPixels(1, 0, kBlack), 0);
  EXPECT_EQ(screen.cellPixels(2, 0, kBlack), kCellWidth * kCellHeight);
}

TEST_F(WindowTest, CaretShowsDuringAKeyWaitWithFocusOnly) {
  write("ab");
  auto caretPixels = [] {
    Screen screen = snapshot();
    return screen.cellPixels(2, 0, kWhite);  // the cell after "ab", black inverted
  };
  windowConsoleBackend.caret(true);
  EXPECT_EQ(caretPixels(), 0) << "no focus yet";
  SDL_Event focus{};
  focus.type = SDL_WINDOWEVENT;
  focus.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
  SDL_PushEvent(&focus);
  pumpConsoleMessages();
  EXPECT_EQ(caretPixels(), 2 * kCellWidth);
  EXPECT_TRUE(consoleIsForeground());
  windowConsoleBackend.caret(false);
  EXPECT_EQ(caretPixels(), 0);
  focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  SDL_PushEvent(&focus);
  pumpConsoleMessages();
  EXPECT_FALSE(consoleIsForeground());
}

TEST_F(WindowTest, OverlayCoversTheTextOnEveryRepaint) {
  std::string bmp = folder.root + "/square.bmp";
  writeFile(bmp, solidBmp(3, 20, kMagenta));
  ASSERT_TRUE(loadOverlayImage(bmp));
  setTextBackground(1);
  write("XY");
  drawOverlayImage(kCellWidth + 2, 0);
  auto covered = [] {
    Screen screen = snapshot();
    int magenta = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = kCellWidth + 2; x < kCellWidth + 5; ++x) magenta += screen.at(x, y) == kMagenta;
    return magenta;
  };
  EXPECT_EQ(covered(), 60);
  gotoXY(1, 1);
  write("ZZZ\r\n");  // text drawn again under the picture
  EXPECT_EQ(covered(), 60);
  EXPECT_GT(snapshot().cellPixels(0, 0, kBlue), 0) << "the text beside it stays";
  removeOverlayImage();
  EXPECT_EQ(covered(), 0);
}

// Both scrolling strategies end with exactly what a full repaint draws.
TEST_F(WindowTest, ScrollingMatchesAFullRepaint) {
  for (const char* slow : {"N", "S"}) {
    open(std::string(kSettings) + "LENTO=" + slow + "\n");
    for (int line = 0; line < 40; ++line) {
      setTextColor(line % 15 + 1);
      setTextBackground(line % 3);
      write("line " + std::to_string(line) + std::string(line % 70, '#') + "\r\n");
      if (line % 7 == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        pumpConsoleMessages();  // shown in the middle of the scrolling
      }
    }
    Screen scrolled = snapshot();
    windowConsoleBackend.repaintAll();
    Screen repainted = snapshot();
    EXPECT_TRUE(scrolled.pixels == repainted.pixels) << "LENTO=" << slow;
    EXPECT_GT(repainted.cellPixels(0, 23, kBlack), 0);
  }
}

TEST_F(WindowTest, EnlargedLineStaysUntilTheWindowIsRepainted) {
  EnlargedRun run{"Hi", 0, 15, 1};
  windowConsoleBackend.drawEnlarged(2, 3, &run, 1);
  Screen screen = snapshot();
  int corner = 2 * 3 * kCellWidth - 1, bottom = 2 * kCellHeight + 3 * kCellHeight - 1;
  EXPECT_EQ(screen.at(corner, bottom), kBlue);
  EXPECT_EQ(screen.at(corner + 1, bottom), kBlack);
  int white = 0;
  for (int y = 2 * kCellHeight; y <= bottom; ++y)
    for (int x = 0; x <= corner; ++x) white += screen.at(x, y) == kWhite;
  EXPECT_GT(white, 20);
  windowConsoleBackend.repaintAll();
  EXPECT_EQ(snapshot().at(corner, bottom), kBlack);
}

// ---- events ----

SDL_Event keyEvent(Uint32 type, SDL_Keycode sym, SDL_Scancode code, Uint16 mod, bool repeat = false) {
  SDL_Event event{};
  event.type = type;
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.repeat = repeat;
  event.key.keysym.sym = sym;
  event.key.keysym.scancode = code;
  event.key.keysym.mod = mod;
  return event;
}

void press(SDL_Keycode sym, SDL_Scancode code, Uint16 mod = KMOD_NONE, bool repeat = false) {
  SDL_Event event = keyEvent(SDL_KEYDOWN, sym, code, mod, repeat);
  SDL_PushEvent(&event);
}

void release(SDL_Keycode sym, SDL_Scancode code, Uint16 mod = KMOD_NONE) {
  SDL_Event event = keyEvent(SDL_KEYUP, sym, code, mod);
  SDL_PushEvent(&event);
}

void type(const char* utf8) {
  SDL_Event event{};
  event.type = SDL_TEXTINPUT;
  SDL_strlcpy(event.text.text, utf8, sizeof event.text.text);
  SDL_PushEvent(&event);
}

void click(Uint8 button) {
  SDL_Event event{};
  event.type = SDL_MOUSEBUTTONDOWN;
  event.button.button = button;
  event.button.state = SDL_PRESSED;
  SDL_PushEvent(&event);
}

void wheel(int y) {
  SDL_Event event{};
  event.type = SDL_MOUSEWHEEL;
  event.wheel.y = y;
  SDL_PushEvent(&event);
}

TEST_F(WindowTest, EventsBecomeKeyCodes) {
  struct Case {
    const char* what;
    void (*events)();
    std::string codes;
  } cases[] = {
      {"text in Windows-1252", [] { type("é"); }, "\xE9"},
      {"Up", [] { press(SDLK_UP, SDL_SCANCODE_UP); }, std::string("\0H", 2)},
      {"Ctrl+Up", [] { press(SDLK_UP, SDL_SCANCODE_UP, KMOD_LCTRL); }, std::string("\0q", 2)},
      {"Shift+Insert", [] { press(SDLK_INSERT, SDL_SCANCODE_INSERT, KMOD_LSHIFT); }, std::string("\0\xFE", 2)},
      {"Enter", [] { press(SDLK_RETURN, SDL_SCANCODE_RETURN); }, "\r"},
      {"Ctrl+Enter", [] { press(SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_RCTRL); }, "\n"},
      {"Ctrl+Backspace", [] { press(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, KMOD_LCTRL); }, "\x7F"},
      {"Escape", [] { press(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE); }, "\x1B"},
      {"Ctrl+A", [] { press(SDLK_a, SDL_SCANCODE_A, KMOD_LCTRL); }, "\x01"},
      {"Ctrl+Q on a French keyboard", [] { press(SDLK_q, SDL_SCANCODE_A, KMOD_LCTRL); }, "\x11"},
      {"Alt+X while the program runs: a system key, its text dropped",
       [] {
         press(SDLK_x, SDL_SCANCODE_X, KMOD_LALT);
         type("x");
       },
       ""},
      {"Alt+Right", [] { press(SDLK_RIGHT, SDL_SCANCODE_RIGHT, KMOD_LALT); }, ""},
      {"F10 types nothing", [] { press(SDLK_F10, SDL_SCANCODE_F10); }, ""},
      {"keypad 8 without Num Lock", [] { press(SDLK_KP_8, SDL_SCANCODE_KP_8); }, std::string("\0H", 2)},
      {"Ctrl+F1", [] { press(SDLK_F1, SDL_SCANCODE_F1, KMOD_LCTRL); }, std::string("\0^", 2)},
      {"left button", [] { click(SDL_BUTTON_LEFT); }, "\r"},
      {"right button", [] { click(SDL_BUTTON_RIGHT); }, "\x1B"},
      {"middle button", [] { click(SDL_BUTTON_MIDDLE); }, std::string("\0C", 2)},
      {"wheel towards the user", [] { wheel(-1); }, std::string("\0P", 2)},
      {"wheel away", [] { wheel(2); }, std::string("\0H", 2)},
  };
  for (const Case& c : cases) {
    c.events();
    EXPECT_EQ(taken(), c.codes) << c.what;
  }
}

TEST_F(WindowTest, ModifiersComeFromTheEventsThemselves) {
  press(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, KMOD_LSHIFT);
  taken();
  EXPECT_TRUE(keyModifiers().shift);
  EXPECT_FALSE(keyModifiers().ctrl);
  release(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, KMOD_NONE);
  taken();
  EXPECT_FALSE(keyModifiers().shift);
}

// f+d pressed together and released is "b"; the X server's auto-repeat of
// a held chord key types nothing; Space with f gives the control character 1.
TEST_F(WindowTest, BrailleChordsFromKeyDownAndKeyUp) {
  setBrailleMode(1);
  press(SDLK_f, SDL_SCANCODE_F);
  type("f");
  press(SDLK_d, SDL_SCANCODE_D);
  type("d");
  press(SDLK_f, SDL_SCANCODE_F, KMOD_NONE, true);
  type("f");
  release(SDLK_f, SDL_SCANCODE_F);
  EXPECT_EQ(taken(), "");
  release(SDLK_d, SDL_SCANCODE_D);
  EXPECT_EQ(taken(), "b");
  press(SDLK_SPACE, SDL_SCANCODE_SPACE);
  press(SDLK_f, SDL_SCANCODE_F);
  release(SDLK_SPACE, SDL_SCANCODE_SPACE);
  release(SDLK_f, SDL_SCANCODE_F);
  EXPECT_EQ(taken(), "\x01");
}

TEST_F(WindowTest, ClosingTheWindowEndsTheProgram) {
  auto closeWith = [](void (*events)()) {
    events();
    pumpConsoleMessages();
  };
  EXPECT_EXIT(closeWith([] {
                SDL_Event close{};
                close.type = SDL_WINDOWEVENT;
                close.window.event = SDL_WINDOWEVENT_CLOSE;
                SDL_PushEvent(&close);
              }),
              ::testing::ExitedWithCode(2), "");
  EXPECT_EXIT(closeWith([] { press(SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT); }), ::testing::ExitedWithCode(2), "");
  EXPECT_EXIT(closeWith([] {
                SDL_Event quit{};
                quit.type = SDL_QUIT;
                SDL_PushEvent(&quit);
              }),
              ::testing::ExitedWithCode(2), "");
}

// Whichever part starts SDL first, SIGINT still ends the program.
TEST(WindowSignals, SdlLeavesSigintAlone) {
  EXPECT_EXIT(
      {
        SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
        SDL_InitSubSystem(SDL_INIT_AUDIO);
        raise(SIGINT);
        exit(0);
      },
      ::testing::KilledBySignal(SIGINT), "");
}

// The audio thread's block-done wakes a wait of the window at once.
TEST_F(WindowTest, WakeUpFromAnotherThreadEndsAWait) {
  waitMessage();  // nothing pending from before
  std::thread other([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    consoleWakeUp();
  });
  auto start = std::chrono::steady_clock::now();
  windowConsoleBackend.wait(5000);
  auto waited = std::chrono::steady_clock::now() - start;
  other.join();
  EXPECT_LT(waited, std::chrono::milliseconds(2000));
}

TEST_F(WindowTest, ClipboardTextIsUtf8OutsideAndCutToTheBuffer) {
  copyToClipboard("A\xE7\xE3o");  // "Ação" in Windows-1252
  char* outside = SDL_GetClipboardText();
  EXPECT_STREQ(outside, "Ação");
  SDL_free(outside);
  char buffer[8] = "zzzzzzz";
  pasteFromClipboard(buffer, 0);
  EXPECT_STREQ(buffer, "zzzzzzz");
  pasteFromClipboard(buffer, 3);
  EXPECT_STREQ(buffer, "A\xE7");
  pasteFromClipboard(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "A\xE7\xE3o");
}

// ---- choosing the console ----

class ConsoleChoiceTest : public ::testing::Test {
 protected:
  TempFolder folder;
  const ConsoleBackend* previous = nullptr;
  std::string display;

  void SetUp() override {
    ASSERT_TRUE(folder.enter("console_choice"));
    previous = &consoleBackend();
    keyInputUseDescriptor(-1);
    if (const char* d = getenv("DISPLAY")) display = d;
    speechLogOpen(folder.root + "/speech.log");
  }
  void TearDown() override {
    speechLogOpen("");
    if (display.empty()) unsetenv("DISPLAY");
    else setenv("DISPLAY", display.c_str(), 1);
    unsetenv("SDL_VIDEODRIVER");
    setenv("OUVINO_CONSOLE", "headless", 1);
    consoleSetBackend(previous);
    EXPECT_TRUE(folder.leave());
  }
  // The console chosen afresh, and opened (an untold choice is logged then).
  std::string chosen() {
    consoleSetBackend(nullptr);
    std::string name = consoleBackend().name;
    openConsole();
    if (name == "window") windowConsoleBackend.shutdown();
    return name;
  }
  std::string log() { return readFile(folder.root + "/speech.log"); }
};

TEST_F(ConsoleChoiceTest, TheEnvironmentForcesOneAndAnUntoldChoiceIsLogged) {
  setenv("OUVINO_CONSOLE", "headless", 1);
  EXPECT_EQ(chosen(), "headless");
  setenv("OUVINO_CONSOLE", "terminal", 1);
  EXPECT_EQ(chosen(), "terminal");
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("OUVINO_CONSOLE", "window", 1);
  EXPECT_EQ(chosen(), "window");
  EXPECT_EQ(log(), "") << "a choice the environment made is not logged";

  // No display: SDL would settle on its offscreen driver; the terminal is chosen.
  unsetenv("SDL_VIDEODRIVER");
  unsetenv("OUVINO_CONSOLE");
  setenv("DISPLAY", ":987", 1);
  EXPECT_EQ(chosen(), "terminal");
  unsetenv("DISPLAY");
  EXPECT_EQ(chosen(), "terminal");
  EXPECT_EQ(log(), "console terminal\nconsole terminal\n");

  // Chosen but replaced before it opened: nothing to tell.
  consoleSetBackend(nullptr);
  consoleBackend();
  consoleSetBackend(&headlessConsoleBackend);
  openConsole();
  EXPECT_EQ(log(), "console terminal\nconsole terminal\n");
}

}  // namespace

// ---- the real window on a display (CI runs these under Xvfb) ----

// xdotool and xclip work beside the test, which keeps the window's events
// running meanwhile, as the program's waits do.
class WindowOnDisplayTest : public WindowTest {
 protected:
  std::string title;

  void SetUp() override {
    const char* display = getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no DISPLAY";
    prepare("window_display", nullptr);
    open(kSettings);
    title = "window-display-test-" + std::to_string(getpid());
    setConsoleTitle(title);
  }
  void TearDown() override {
    if (!folder.root.empty()) WindowTest::TearDown();
  }

  static void beside(const std::string& command) {
    ASSERT_EQ(std::system(("timeout 20 " + command + " >/dev/null 2>&1 &").c_str()), 0);
  }
  template <typename Done>
  static bool pumpUntil(Done done, int milliseconds = 10000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      windowConsoleBackend.wait(20);
      pumpConsoleMessages();
    }
    return true;
  }
  // The key codes the commands typed, once count of them have come.  The
  // window comes to the top with the focus first: other tests' windows may
  // have covered it or taken the focus.
  std::string keysOf(const std::string& xdotoolArguments, size_t count) {
    clearKeyBuffer();
    beside("xdotool " + window() + "windowraise windowfocus --sync " + xdotoolArguments);
    pumpUntil([&] { return keyCount() >= static_cast<int>(count); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return taken();
  }
  std::string window() { return "search --sync --name '^" + title + "$' "; }
};

TEST_F(WindowOnDisplayTest, RealKeysMouseAndClipboard) {
  beside("xdotool " + window() + "windowfocus --sync");
  ASSERT_TRUE(pumpUntil([] { return consoleIsForeground(); })) << "the window never got the focus";

  EXPECT_EQ(keysOf("type --delay 30 'ol\u00e1'", 3), "ol\xE1");
  EXPECT_EQ(keysOf("key --delay 30 Up ctrl+Up F1 BackSpace Return ctrl+a", 9), std::string("\0H\0q\0;\b\r\x01", 9));

  setBrailleMode(1);
  EXPECT_EQ(keysOf("keydown f keydown d keyup f keyup d", 1), "b");
  setBrailleMode(0);

  EXPECT_EQ(keysOf("mousemove --window %1 40 40 click 1", 1), "\r");

  // Out: another client reads what the console copied.
  std::string out = folder.root + "/out.txt";
  copyToClipboard("A\xE7\xE3o");
  beside("sh -c 'xclip -o -selection clipboard > " + out + "'");
  EXPECT_TRUE(pumpUntil([&] { return readFile(out) == "Ação"; })) << readFile(out);

  // In: another client owns the clipboard; the console reads it.
  std::string in = folder.root + "/in.txt";
  writeFile(in, "Olá de fora");
  beside("xclip -quiet -i -selection clipboard " + in);
  char buffer[64] = "";
  EXPECT_TRUE(pumpUntil([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    pasteFromClipboard(buffer, sizeof buffer);
    return std::string(buffer) == "Ol\xE1 de fora";
  })) << buffer;
  copyToClipboard("");  // xclip ends when it loses the clipboard
}
