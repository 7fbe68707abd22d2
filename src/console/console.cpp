// The console's life: choosing the backend, opening it, the title, the
// window's place on the screen, the clipboard, the pumps and pauses, the
// clock, and the two ends of the program (the normal end hook and
// terminateConsole).  Owns the backend choice, the title, the clipboard of
// the consoles without a window and the end state; the grid itself lives in
// grid.cpp.  Must not speak.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "console/backend.h"
#include "console/console.h"
#include "console/keyboard.h"
#include "console/keys.h"
#include "console/tone.h"
#include "console/video_settings.h"
#include "platform/console_window.h"
#include "speech/speech.h"  // the speech log, where early sounds are told
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/process.h"
#include "platform/program.h"

namespace {

const ConsoleBackend* activeBackend = nullptr;
bool consoleOpened = false;
bool programEnded = false;
std::atomic<bool> wakeUpPending{false};  // set from other threads too (the audio's block-done)
std::string windowTitle;
std::string ownClipboard;  // the terminal and headless consoles' clipboard

// Longest single sleep of waitMessage, so loops around it stay lively.
constexpr unsigned kWaitSliceMs = 50;

// A choice the environment did not make (or could not have) is told in the
// speech log when that console opens; one it made and got is not.
const ConsoleBackend* untoldChoice = nullptr;

const ConsoleBackend* chosenBackend(const ConsoleBackend* backend) {
  untoldChoice = backend;
  return backend;
}

void tellChoice(const ConsoleBackend& opened) {
  if (&opened == untoldChoice) speechLog("console", opened.name);
  untoldChoice = nullptr;
}

// The window when a display works, else the terminal; OUVINO_CONSOLE forces one.
const ConsoleBackend* backendFromEnvironment() {
  std::string choice = programEnv("OUVINO_CONSOLE");
  if (choice == "headless") return &headlessConsoleBackend;
  if (choice == "terminal") return &terminalConsoleBackend;
  if (choice == "window" && windowConsoleAvailable(true)) return &windowConsoleBackend;
  if (choice == "window")
    fprintf(stderr, "OUVINO_CONSOLE=window: no display can show the window; using the terminal\n");
  else if (!choice.empty())
    fprintf(stderr, "OUVINO_CONSOLE=%s is unknown; choosing the console\n", choice.c_str());
  if (choice.empty() && windowConsoleAvailable(false)) return chosenBackend(&windowConsoleBackend);
  return chosenBackend(&terminalConsoleBackend);
}

// Every cell starts in the first colours of the settings, as the window's
// grid is made when it first opens; nothing is shown of this.
void fillGridWithTextAttr() {
  static bool filled = false;
  if (filled) return;
  filled = true;
  static const ConsoleBackend quiet = [] {
    ConsoleBackend nothing{};
    nothing.name = "quiet";
    return nothing;
  }();
  const ConsoleBackend* shown = activeBackend;
  int column = whereX(), row = whereY();
  activeBackend = &quiet;
  clearScreen();
  gotoXY(column, row);
  activeBackend = shown;
}

// The program's own file name, as the window would show it before any title is set.
std::string initialTitle() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  if (length <= 0 || length == static_cast<ssize_t>(sizeof path)) return "";
  return utf8ToAnsi(std::string(path, length)).substr(0, kGridCols);
}

void backendWait(unsigned milliseconds) {
  const ConsoleBackend& b = consoleBackend();
  if (b.wait) b.wait(milliseconds);
  else clockSleepMs(milliseconds);
}

}  // namespace

const ConsoleBackend& consoleBackend() {
  if (!activeBackend) activeBackend = backendFromEnvironment();
  return *activeBackend;
}

void consoleSetBackend(const ConsoleBackend* backend) {
  activeBackend = backend;
  consoleOpened = false;
}

void openConsole() {
  if (consoleOpened) return;
  consoleOpened = true;
  loadVideoSettings();
  setTextAttribute(videoSettings().textAttr);
  const ConsoleBackend& b = consoleBackend();
  fillGridWithTextAttr();
  tellChoice(b);
  if (b.open) b.open();
  // Chords are typed on a keyboard of the window's own (the open may have fallen back).
  if (&consoleBackend() == &windowConsoleBackend) setBrailleMode(videoSettings().brailleMode);
}

// Writing as the program's standard output does: the text, then the pump
// that lets typed keys in (and so silences speech the way the window does).
void writeTextToConsole(const std::string& text) {
  writeToConsole(text.data(), text.size());
  pumpAllMessages();
}

void setConsoleTitle(const std::string& title) {
  windowTitle = title.substr(0, kGridCols);
  const ConsoleBackend& b = consoleBackend();
  if (b.setTitle) b.setTitle(windowTitle);
}

std::string consoleTitle() {
  if (windowTitle.empty()) windowTitle = initialTitle();
  return windowTitle;
}

// A terminal has no window to hide, raise or lose to another program.
static void showConsole(WindowShow how) {
  const ConsoleBackend& b = consoleBackend();
  if (b.show) b.show(how);
}

void hideConsoleWindow() { showConsole(WindowShow::Hide); }
void restoreConsoleWindow() { showConsole(WindowShow::Restore); }
void bringConsoleToTop() { showConsole(WindowShow::BringToTop); }

bool consoleIsForeground() {
  const ConsoleBackend& b = consoleBackend();
  return !consoleOpened || !b.isForeground || b.isForeground();
}

void copyToClipboard(const char* text) {
  const ConsoleBackend& b = consoleBackend();
  if (b.clipboardSet) b.clipboardSet(text);
  else ownClipboard = text;
}

// At most capacity - 1 characters and the NUL; a clipboard that cannot be
// read leaves the buffer as it was.
void pasteFromClipboard(char* buffer, size_t capacity) {
  const ConsoleBackend& b = consoleBackend();
  std::string text = ownClipboard;
  if (capacity == 0 || (b.clipboardGet && !b.clipboardGet(text))) return;
  size_t count = std::min(text.size() + 1, capacity) - 1;
  memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
}

void pumpConsoleMessages() {
  const ConsoleBackend& b = consoleBackend();
  if (b.pump) b.pump();
}

// Finished children are collected here too, so none lingers while a script
// only pauses.
void pumpAllMessages() {
  pumpConsoleMessages();
  sweepChildren();
}

void consoleWakeUp() {
  if (!wakeUpPending.exchange(true)) windowPostWakeUp();
}

void waitMessage() {
  if (!wakeUpPending) backendWait(kWaitSliceMs);
  wakeUpPending = false;
  pumpAllMessages();
}

// The pause keeps taking keys as they come, so typing during a pause is
// never held back until its end.
void delayMs(unsigned milliseconds) {
  uint64_t end = clockMonotonicMs() + milliseconds;
  for (uint64_t now = clockMonotonicMs(); now < end; now = clockMonotonicMs())
    backendWait(static_cast<unsigned>(std::min<uint64_t>(end - now, 100)));
  pumpAllMessages();
}

// The caret shows while the program waits for a key.
void consoleAwaitKey() {
  const ConsoleBackend& b = consoleBackend();
  if (b.caret) b.caret(true);
  while (keyCount() == 0) {
    if (!b.inputEnded || b.inputEnded()) terminateConsole();
    if (b.needKey) b.needKey();
  }
  if (b.caret) b.caret(false);
}

void getDate(int& year, int& month, int& day, int& weekday) {
  ClockDate date = clockLocalDate();
  year = date.year, month = date.month, day = date.day, weekday = date.weekday;
}

void getTime(int& hour, int& minute, int& second, int& hundredths) {
  ClockTime time = clockLocalTime();
  hour = time.hour, minute = time.minute, second = time.second;
  hundredths = time.millisecond / 10;
}

void consoleEndOfProgram(bool runtimeError) {
  if (programEnded) return;
  programEnded = true;
  if (!runtimeError) {
    setConsoleTitle("Programa terminado");
    setBreakCheck(false);
  }
  const ConsoleBackend& b = consoleBackend();
  if (b.shutdown) b.shutdown();
  fflush(stdout);
}

static int terminateStatus = 2;

void setTerminateStatus(int status) { terminateStatus = status; }

[[noreturn]] void terminateConsole() {
  clearKeyBuffer();
  consoleEndOfProgram(false);
  exit(terminateStatus);
}

void pointerPosition(int& x, int& y) { x = y = 0; }

void foregroundWindowOrigin(int& left, int& top, int& frameWidth) { left = top = frameWidth = 0; }

// Another program's window is not known here: its title reads as empty.
std::string foregroundWindowTitle() {
  std::string title = consoleIsForeground() ? consoleTitle() : "";
  speechLog("foreground", title);
  return title;
}

// There is no PC speaker to drive: the console's tone generator sounds
// instead, for the time asked.
void speakerBeep(int frequency, int durationMs) {
  startTone(static_cast<unsigned>(frequency));
  delayMs(static_cast<unsigned>(durationMs));
  stopTone();
}
