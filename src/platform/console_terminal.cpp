// The terminal console: the grid's text also goes to standard output in
// UTF-8, keys come from standard input.  On a terminal the cursor moves,
// clearing and colours are sent as ANSI sequences; to a pipe or a file only
// the plain text goes.  Owns what it last told the terminal; the grid is
// only read.
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

#include "console/backend.h"
#include "console/console.h"
#include "platform/codepage.h"
#include "platform/terminal_input.h"

namespace {

constexpr uint8_t kDefaultAttr = 0x0F;  // shown as the terminal's own colours

uint8_t shownAttr = kDefaultAttr;
bool scrollRegionSet = false;
int shownColumn = 1, shownRow = 1;  // the grid cursor the terminal last followed

bool toTerminal() { return isatty(STDOUT_FILENO) == 1; }

void put(const std::string& bytes) {
  fwrite(bytes.data(), 1, bytes.size(), stdout);
}

// The grid's colour numbers (blue 1, green 2, red 4, bright 8) in ANSI order.
std::string colourSequence(uint8_t attr) {
  static const int kAnsiOf[8] = {0, 4, 2, 6, 1, 5, 3, 7};
  int fore = attr & 0x0F, back = attr >> 4;
  std::string text = "\x1b[0;" + std::to_string((fore & 8 ? 90 : 30) + kAnsiOf[fore & 7]) + ";" +
                     std::to_string((back & 8 ? 100 : 40) + kAnsiOf[back & 7]);
  if (fore == back) text += ";8";  // hidden text (a password) stays hidden
  return text + "m";
}

void showAttr() {
  uint8_t attr = textAttribute();
  if (attr == shownAttr) return;
  shownAttr = attr;
  put(attr == kDefaultAttr ? std::string("\x1b[0m") : colourSequence(attr));
}

void followCursor() {
  shownColumn = whereX();
  shownRow = whereY();
}

// Relative moves: the terminal's rows are the grid's only after a clear, but
// the distances between them always are.
std::string cursorMove() {
  std::string move;
  int rows = whereY() - shownRow;
  if (rows != 0) move += "\x1b[" + std::to_string(rows < 0 ? -rows : rows) + (rows < 0 ? "A" : "B");
  move += "\r";
  if (whereX() > 1) move += "\x1b[" + std::to_string(whereX() - 1) + "C";
  return move;
}

// The five bytes Windows-1252 leaves undefined become C1 controls in UTF-8,
// which some terminals obey (0x9D starts a command string): not to a terminal.
bool isC1Control(uint8_t c) {
  return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

void terminalEcho(const std::string& effective) {
  std::string out;
  bool terminal = toTerminal();
  if (terminal) showAttr();
  for (char c : effective) {
    if (c == '\b' && terminal) out += "\b \b";
    else if (terminal && isC1Control(static_cast<uint8_t>(c))) out += '?';
    else if (c != '\a' || terminal) out += c;
  }
  put(ansiToUtf8(out));
  fflush(stdout);
  followCursor();
}

// The terminal scrolls rows 1-25 only, so that its rows stay the grid's.
void clearTerminal() {
  winsize size{};
  showAttr();
  put("\x1b[H\x1b[2J");
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row >= kGridRows) {
    put("\x1b[1;" + std::to_string(kGridRows) + "r\x1b[H");
    scrollRegionSet = true;
  }
}

void terminalNotice(ConsoleNotice what) {
  if (!toTerminal()) return;
  if (what == ConsoleNotice::Cleared) clearTerminal();
  if (what == ConsoleNotice::CursorMoved) put(cursorMove());
  if (what == ConsoleNotice::LineCleared && whereX() <= kGridCols) {
    showAttr();
    put("\x1b[K");
  }
  followCursor();
  fflush(stdout);
}

void terminalShutdown() {
  if (toTerminal() && shownAttr != kDefaultAttr) put("\x1b[0m");
  if (toTerminal() && scrollRegionSet) put("\x1b" "7\x1b[r\x1b" "8");  // the reset would move the cursor
  fflush(stdout);
  keyInputStop();
}

}  // namespace

const ConsoleBackend terminalConsoleBackend = {
    "terminal", keyInputStart, terminalEcho, nullptr, terminalNotice, nullptr,
    keyInputPump, keyInputWait, keyInputNeedKey, keyInputEnded, terminalShutdown,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};  // no window
