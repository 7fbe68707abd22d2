// The 80 x 25 text grid: characters, attributes, the cursor and textAttr,
// and the writing rules.  Owns those records; it only tells the backend what
// changed and never draws, reads keys or speaks (a bell is logged, as the
// other sounds are).
#include <algorithm>
#include <array>
#include <cstring>

#include "console/backend.h"
#include "console/console.h"
#include "console/tone.h"
#include "console/video_settings.h"
#include "speech/speech.h"

namespace {

constexpr int kCells = kGridCols * kGridRows;
constexpr uint8_t kBlank = 32;

constexpr std::array<uint8_t, kCells> filled(uint8_t value) {
  std::array<uint8_t, kCells> cells{};
  cells.fill(value);
  return cells;
}

std::array<uint8_t, kCells> screenChars = filled(kBlank);
std::array<uint8_t, kCells> screenAttrs = filled(0x0F);
int cursorX = 0;  // 0..80: 80 is "after the last column", the wrap waits for the next character
int cursorY = 0;  // 0..24
uint8_t textAttr = 0x0F;

// The cells of the cursor row changed by the write in progress, [spanFrom, spanTo).
int spanFrom = 0;
int spanTo = 0;

int cellIndex(int row, int column) { return row * kGridCols + column; }

void blankCells(int row, int from, int to) {
  for (int x = from; x < to; ++x) {
    screenChars[cellIndex(row, x)] = kBlank;
    screenAttrs[cellIndex(row, x)] = textAttr;
  }
}

void notify(ConsoleNotice what) {
  const ConsoleBackend& b = consoleBackend();
  if (b.notice) b.notice(what);
}

void drawSpan(int row, int from, int to) {
  const ConsoleBackend& b = consoleBackend();
  if (to > from && b.drawSpan) b.drawSpan(row, from, to);
}

void scrollUp() {
  size_t rowBytes = kGridCols;
  memmove(&screenChars[0], &screenChars[rowBytes], kCells - rowBytes);
  memmove(&screenAttrs[0], &screenAttrs[rowBytes], kCells - rowBytes);
  blankCells(kGridRows - 1, 0, kGridCols);
  notify(ConsoleNotice::Scrolled);
}

void newLine() {
  drawSpan(cursorY, spanFrom, spanTo);
  spanFrom = spanTo = 0;
  if (++cursorY == kGridRows) {
    cursorY = kGridRows - 1;
    scrollUp();
  }
}

void backspace(std::string& echo) {
  if (cursorX == 0) return;
  --cursorX;
  blankCells(cursorY, cursorX, cursorX + 1);
  spanFrom = std::min(spanFrom, cursorX);
  echo += '\b';
}

// A character that finds the cursor after the last column wraps first; the
// wrap reaches the backend as a line end so its lines stay the grid's rows.
void printable(uint8_t c, std::string& echo) {
  if (cursorX == kGridCols) {
    cursorX = 0;
    newLine();
    echo += "\r\n";
  }
  screenChars[cellIndex(cursorY, cursorX)] = c;
  screenAttrs[cellIndex(cursorY, cursorX)] = textAttr;
  // Also after a carriage return: the span must reach back to the new cell.
  spanFrom = std::min(spanFrom, cursorX);
  spanTo = std::max(spanTo, ++cursorX);
  echo += static_cast<char>(c);
}

void writeByte(uint8_t c, std::string& echo) {
  if (c >= 32) return printable(c, echo);
  switch (c) {
    case 7: messageBeep(); echo += '\a'; break;
    case 8: backspace(echo); break;
    case 10: newLine(); cursorX = 0; echo += '\n'; break;
    case 13: cursorX = 0; echo += '\r'; break;
    default: break;  // other control bytes are dropped and do not move the cursor
  }
}

bool insideGrid(int row, int column) {
  return row >= 1 && row <= kGridRows && column >= 1 && column <= kGridCols;
}

}  // namespace

void writeToConsole(const char* bytes, size_t count) {
  openConsole();
  spanFrom = spanTo = cursorX;
  std::string echo;
  for (size_t i = 0; i < count; ++i) writeByte(static_cast<uint8_t>(bytes[i]), echo);
  drawSpan(cursorY, spanFrom, spanTo);
  const ConsoleBackend& b = consoleBackend();
  if (b.echo && !echo.empty()) b.echo(echo);
}

void writeCharToConsole(uint8_t c) {
  char byte = static_cast<char>(c);
  writeToConsole(&byte, 1);
}

void gotoXY(int column, int row) {
  cursorX = std::clamp(column - 1, 0, kGridCols - 1);
  cursorY = std::clamp(row - 1, 0, kGridRows - 1);
  notify(ConsoleNotice::CursorMoved);
}

int whereX() { return cursorX + 1; }
int whereY() { return cursorY + 1; }

void clearScreen() {
  openConsole();
  screenChars.fill(kBlank);
  screenAttrs.fill(textAttr);
  cursorX = cursorY = 0;
  notify(ConsoleNotice::Cleared);
}

void clearToEndOfLine() {
  openConsole();
  blankCells(cursorY, cursorX, kGridCols);
  drawSpan(cursorY, cursorX, kGridCols);
  notify(ConsoleNotice::LineCleared);
}

void setTextColor(int colour) {
  openConsole();
  if (videoColoursFixed()) return;
  textAttr = (textAttr & 0xF0) | (colour & 0x0F);
}

void setTextBackground(int colour) {
  openConsole();
  if (videoColoursFixed()) return;
  textAttr = (textAttr & 0x0F) | static_cast<uint8_t>(colour * 16);
}

uint8_t textAttribute() { return textAttr; }
void setTextAttribute(uint8_t attr) { textAttr = attr; }

uint8_t readScreenChar(int row, int column) {
  return insideGrid(row, column) ? screenChars[cellIndex(row - 1, column - 1)] : kBlank;
}

uint8_t readScreenAttr(int row, int column) {
  return insideGrid(row, column) ? screenAttrs[cellIndex(row - 1, column - 1)] : 0;
}

std::string readScreenRow(int row) {
  if (row < 1 || row > kGridRows) return std::string(kGridCols, ' ');
  const char* start = reinterpret_cast<const char*>(&screenChars[cellIndex(row - 1, 0)]);
  return std::string(start, kGridCols);
}

// What a reader of the screen sees: a cell written in its own background
// colour (a password typed black on black) shows as a blank.
std::string gridDumpText() {
  std::string text;
  for (int row = 1; row <= kGridRows; ++row) {
    std::string line = readScreenRow(row);
    for (int col = 1; col <= kGridCols; ++col) {
      uint8_t attr = readScreenAttr(row, col);
      if ((attr & 0x0F) == (attr >> 4)) line[col - 1] = ' ';
    }
    line.erase(line.find_last_not_of(' ') + 1);
    text += line + "\n";
  }
  return text;
}
