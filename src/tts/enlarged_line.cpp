// The enlarged line: which grid row shows it, at what factor, in which
// colours, and how far the line is scrolled.  Owns those records and cuts
// the line into runs; the window backend draws them at factor times its cell
// size (and holds the enlarged font).  Must not touch the grid's cells.
#include "tts/enlarged_line.h"

#include <algorithm>
#include <vector>

#include "console/backend.h"
#include "console/console.h"

namespace {

int displayRow = 1;     // 1-based grid row
int magnification = 0;  // 0: off
int textColour = 14, backgroundColour = 6, highlightColour = 3;
int scroll = 1;  // 1-based index of the first visible character

int visibleWidth() { return std::max(1, kGridCols / magnification); }

// Keeps the character before the cursor (position - 1) in sight: back to it
// when the cursor went left of the scroll, forward so it is the last visible.
void followPosition(int position, int width) {
  if (position - 1 < scroll) scroll = std::max(position - 1, 1);
  if (position > scroll + width) scroll = position - width;
}

EnlargedRun run(const std::string& text, int x, int foreground) {
  return {text, x, static_cast<uint8_t>(foreground), static_cast<uint8_t>(backgroundColour)};
}

}  // namespace

void enlargedLineSetup(int row, int factor) {
  magnification = std::max(factor, 0);
  if (magnification == 0) return;
  displayRow = std::clamp(row, 1, kGridRows);
  scroll = 1;
}

void enlargedLineColours(int text, int background, int highlight) {
  textColour = text, backgroundColour = background, highlightColour = highlight;
}

// The visible part is padded with blanks to the full width, so a cursor past
// the end of the line still has its highlighted place.
void enlargedLineDraw(const std::string& line, int position) {
  const ConsoleBackend& b = consoleBackend();
  if (magnification == 0 || !b.drawEnlarged) return;
  const int width = visibleWidth();
  position = std::max(position, 1);
  followPosition(position, width);
  std::string visible = scroll <= int(line.size()) ? line.substr(scroll - 1, width) : "";
  visible.resize(width, ' ');
  const int rel = position - scroll + 1;  // 1..width + 1
  std::vector<EnlargedRun> runs;
  if (rel > 2) runs.push_back(run(visible.substr(0, rel - 2), 0, textColour));
  if (rel > 1) runs.push_back(run(visible.substr(rel - 2, 1), rel - 2, highlightColour));
  std::string after = rel <= width ? visible.substr(rel - 1) : "";
  runs.push_back(run(after.append(width - after.size(), ' '), rel - 1, textColour));
  b.drawEnlarged(displayRow - 1, magnification, runs.data(), int(runs.size()));
}

void enlargedLineRefresh() {
  const ConsoleBackend& b = consoleBackend();
  if (b.repaintAll) b.repaintAll();
}

bool enlargedLineOn() { return magnification != 0; }
