// The console backend interface: what shows the grid and where keys come
// from.  The grid keeps all the text; a backend only hears about changes and
// fills the key buffer.  An operation left null means "nothing to do here".
// Backends: terminal (standard output and input), headless (memory only,
// screen written at the end) and the window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class ConsoleNotice { Cleared, CursorMoved, LineCleared, Scrolled };

enum class WindowShow { Hide, Restore, BringToTop };

// One run of the enlarged line: text drawn from cell x (in enlarged cells)
// in two palette colours.
struct EnlargedRun {
  std::string text;
  int x;
  uint8_t foreground, background;
};

struct ConsoleBackend {
  const char* name;
  void (*open)();                                 // first grid operation or key test
  void (*echo)(const std::string& effective);     // the bytes as the grid took them
  void (*drawSpan)(int row, int from, int to);    // 0-based row, cells [from, to) changed
  void (*notice)(ConsoleNotice what);
  void (*setTitle)(const std::string& title);
  void (*pump)();                                 // take the waiting input into the key buffer
  void (*wait)(unsigned milliseconds);            // pause, waking early for input
  void (*needKey)();                              // a reader found the key buffer empty
  bool (*inputEnded)();                           // no key can come any more
  void (*shutdown)();                             // end of the program: what the backend keeps
  // Window-only operations (null in the terminal and headless consoles).
  void (*caret)(bool visible);                    // a key wait begins (true) or ends
  void (*show)(WindowShow how);
  bool (*isForeground)();
  bool (*clipboardGet)(std::string& ansiText);
  void (*clipboardSet)(const std::string& ansiText);
  void (*repaintAll)();                           // overlay or enlarged line changed: redraw everything
  // The enlarged line on a grid row (0-based) at factor x the cell size.
  void (*drawEnlarged)(int row, int factor, const EnlargedRun* runs, int count);
};

extern const ConsoleBackend terminalConsoleBackend;
extern const ConsoleBackend headlessConsoleBackend;

// The backend in use, chosen from OUVINO_CONSOLE at the first need.
const ConsoleBackend& consoleBackend();
// Replaces the backend (tests, and later the window's own fallback).
void consoleSetBackend(const ConsoleBackend* backend);

// Wake-up for waitMessage: something happened (a key was pushed, speech stopped).
void consoleWakeUp();
// The heart of readKey: returns once a key code is waiting; ends the program
// (terminateConsole) when none is and none can come.
void consoleAwaitKey();

// The grid as text: 25 rows, trailing blanks removed, each ended by "\n";
// cells written in their own background colour show as blanks.
std::string gridDumpText();
