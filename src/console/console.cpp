// The console's life: choosing the backend, opening it, the title, the
// pumps and pauses, the clock, and the two ends of the program (the normal
// end hook and terminateConsole).  Owns the backend choice, the title and
// the end state; the grid itself lives in grid.cpp.  Must not speak.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "console/backend.h"
#include "console/console.h"
#include "console/keys.h"
#include "speech/speech.h"  // the speech log, where early sounds are told
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/process.h"
#include "platform/program.h"

namespace {

const ConsoleBackend* activeBackend = nullptr;
bool consoleOpened = false;
bool programEnded = false;
bool wakeUpPending = false;
std::string windowTitle;

// Longest single sleep of waitMessage, so loops around it stay lively.
constexpr unsigned kWaitSliceMs = 50;

const ConsoleBackend* backendFromEnvironment() {
  std::string choice = programEnv("OUVINO_CONSOLE");
  if (choice == "headless") return &headlessConsoleBackend;
  if (choice == "window")
    fprintf(stderr, "OUVINO_CONSOLE=window: the window console is not available yet; using the terminal\n");
  else if (!choice.empty() && choice != "terminal")
    fprintf(stderr, "OUVINO_CONSOLE=%s is unknown; using the terminal\n", choice.c_str());
  return &terminalConsoleBackend;
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
  const ConsoleBackend& b = consoleBackend();
  if (b.open) b.open();
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
void hideConsoleWindow() {}
void restoreConsoleWindow() {}
void bringConsoleToTop() {}
bool consoleIsForeground() { return true; }

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

void consoleWakeUp() { wakeUpPending = true; }

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

void consoleAwaitKey() {
  const ConsoleBackend& b = consoleBackend();
  while (keyCount() == 0) {
    if (!b.inputEnded || b.inputEnded()) terminateConsole();
    if (b.needKey) b.needKey();
  }
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
  if (!runtimeError) setConsoleTitle("Programa terminado");
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

std::string foregroundWindowTitle() {
  std::string title = consoleTitle();
  speechLog("foreground", title);
  return title;
}

// No speaker here: the tone is logged and its time is kept.
void speakerBeep(int frequency, int durationMs) {
  speechLog("tone", std::to_string(frequency) + " " + std::to_string(durationMs));
  delayMs(static_cast<unsigned>(durationMs));
}
