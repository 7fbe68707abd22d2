// The console window on SDL2: a window sized to the grid's cells, a canvas
// holding the grid's pixels, the dirty cells and pending scrolls that the
// grid's notices leave, and the composition of canvas, overlay picture and
// caret into the window.  Drawing is done when the window is shown: at most
// once a frame while writes pour in, at once before every wait.  Owns the
// SDL window and canvas; reads the grid, never writes it.
#include "platform/console_window.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "console/backend.h"
#include "console/console.h"
#include "console/overlay.h"
#include "console/video_settings.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/program.h"
#include "platform/window_internal.h"
#include "speech/speech.h"

namespace {

constexpr uint64_t kFrameMs = 16;
constexpr unsigned kKeyWaitSliceMs = 250;
constexpr int kCaretHeight = 2;

struct WindowState {
  bool videoStarted = false;
  SDL_Window* window = nullptr;
  SDL_Surface* canvas = nullptr;  // the grid's pixels, XRGB
  CellMetrics cell;
  bool focused = false, reading = false;
  bool showPending = false;       // the window shows less than it should
  uint64_t lastShownMs = 0;
  int frames = 0;
  int pendingScroll = 0;          // rows the canvas still has to move up
  std::array<int, kGridRows> dirtyFrom{}, dirtyTo{};
};

WindowState w;
std::atomic<bool> eventsRunning{false};
std::atomic<uint32_t> wakeType{0};

// Set at program start, before any part (the audio too) starts SDL: SDL's
// own SIGINT and SIGTERM handlers would only queue a quit event that a
// program without the window never reads, so the signals would be lost.
const bool signalsLeftAlone = SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");

bool startVideo() {
  if (w.videoStarted) return true;
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  w.videoStarted = true;
  wakeType = SDL_RegisterEvents(1);
  eventsRunning = true;
  return true;
}

void stopVideo() {
  if (!w.videoStarted) return;
  eventsRunning = false;
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  w.videoStarted = false;
}

bool driverAsked(const char* driver) {
  std::string asked = programEnv("SDL_VIDEODRIVER");
  return !asked.empty() && ansiEqualNoCase(asked, driver);
}

void markCells(int row, int from, int to) {
  w.dirtyFrom[row] = std::min(w.dirtyFrom[row], from);
  w.dirtyTo[row] = std::max(w.dirtyTo[row], to);
  w.showPending = true;
}

void markAll() {
  for (int row = 0; row < kGridRows; ++row) markCells(row, 0, kGridCols);
  w.pendingScroll = 0;
}

void clearMarks() {
  w.dirtyFrom.fill(kGridCols);
  w.dirtyTo.fill(0);
}

// The slow display's scroll: the pixels move up (once, when shown), so only
// the new bottom row and the cells marked since need drawing.
void scrollMarks() {
  std::copy(w.dirtyFrom.begin() + 1, w.dirtyFrom.end(), w.dirtyFrom.begin());
  std::copy(w.dirtyTo.begin() + 1, w.dirtyTo.end(), w.dirtyTo.begin());
  w.dirtyFrom[kGridRows - 1] = kGridCols;
  w.dirtyTo[kGridRows - 1] = 0;
  markCells(kGridRows - 1, 0, kGridCols);
  if (++w.pendingScroll >= kGridRows) markAll();
}

void shiftCanvas(int rows) {
  uint8_t* pixels = static_cast<uint8_t*>(w.canvas->pixels);
  size_t shift = static_cast<size_t>(rows) * w.cell.height * w.canvas->pitch;
  size_t total = static_cast<size_t>(w.canvas->h) * w.canvas->pitch;
  if (shift < total) memmove(pixels, pixels + shift, total - shift);
}

// Runs of equal attribute, as the text calls of a painting window.
void drawRow(int row, int from, int to) {
  std::string text = readScreenRow(row + 1);
  for (int x = from; x < to;) {
    uint8_t attr = readScreenAttr(row + 1, x + 1);
    int end = x + 1;
    while (end < to && readScreenAttr(row + 1, end + 1) == attr) ++end;
    windowDrawCells(w.canvas, x * w.cell.width, row * w.cell.height, reinterpret_cast<const uint8_t*>(&text[x]),
                    end - x, logicalColour(attr & 0x0F), logicalColour(attr >> 4), 1);
    x = end;
  }
}

void renderCanvas() {
  if (w.pendingScroll > 0) shiftCanvas(w.pendingScroll);
  w.pendingScroll = 0;
  for (int row = 0; row < kGridRows; ++row)
    if (w.dirtyTo[row] > w.dirtyFrom[row]) drawRow(row, w.dirtyFrom[row], w.dirtyTo[row]);
  clearMarks();
}

void drawOverlay(SDL_Surface* screen) {
  int x = 0, y = 0;
  const OverlayImage* image = currentOverlay(x, y);
  if (!image || image->width <= 0 || image->height <= 0) return;
  SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(image->pixels.data()), image->width,
                                                            image->height, 32, image->width * 4, SDL_PIXELFORMAT_RGB888);
  if (!picture) return;
  SDL_Rect at{x, y, image->width, image->height};
  SDL_BlitSurface(picture, nullptr, screen, &at);
  SDL_FreeSurface(picture);
}

// The caret inverts what lies under it, a bar on the character's base line.
void drawCaret(SDL_Surface* screen) {
  if (!w.reading || !w.focused || screen->format->BytesPerPixel != 4) return;
  int left = (whereX() - 1) * w.cell.width, top = (whereY() - 1) * w.cell.height + w.cell.ascent;
  for (int y = std::max(top, 0); y < std::min(top + kCaretHeight, screen->h); ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(screen->pixels) + y * screen->pitch);
    for (int x = std::max(left, 0); x < std::min(left + w.cell.width, screen->w); ++x) {
      Uint8 r, g, b;
      SDL_GetRGB(row[x], screen->format, &r, &g, &b);
      row[x] = SDL_MapRGB(screen->format, 255 - r, 255 - g, 255 - b);
    }
  }
}

void show() {
  if (!w.window) return;
  renderCanvas();
  SDL_Surface* screen = SDL_GetWindowSurface(w.window);
  if (!screen) return;
  if (SDL_MUSTLOCK(screen)) SDL_LockSurface(screen);
  if (screen->w > w.canvas->w || screen->h > w.canvas->h) SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
  SDL_BlitSurface(w.canvas, nullptr, screen, nullptr);
  drawOverlay(screen);
  drawCaret(screen);
  if (SDL_MUSTLOCK(screen)) SDL_UnlockSurface(screen);
  SDL_UpdateWindowSurface(w.window);
  w.showPending = false;
  w.lastShownMs = clockMonotonicMs();
  ++w.frames;
}

void showIfDue() {
  if (w.showPending && clockMonotonicMs() - w.lastShownMs >= kFrameMs) show();
}

// ---- creating the window ----

// CANTOTELA's "maximised" window is the grid-sized one in the top-left
// corner of the work area; the window never grows past the grid or the screen.
bool createWindow(const SDL_Rect& work, const SDL_Rect& screen) {
  int gridWidth = kGridCols * w.cell.width, gridHeight = kGridRows * w.cell.height;
  w.canvas = SDL_CreateRGBSurfaceWithFormat(0, gridWidth, gridHeight, 32, SDL_PIXELFORMAT_RGB888);
  if (!w.canvas) return false;
  SDL_FillRect(w.canvas, nullptr, 0);
  int width = std::min(gridWidth, screen.w), height = std::min(gridHeight, screen.h);
  bool corner = videoSettings().maximised;
  w.window = SDL_CreateWindow(ansiToUtf8(consoleTitle()).c_str(), corner ? work.x : SDL_WINDOWPOS_UNDEFINED,
                              corner ? work.y : SDL_WINDOWPOS_UNDEFINED, width, height, SDL_WINDOW_RESIZABLE);
  if (!w.window) return false;
  SDL_SetWindowMinimumSize(w.window, 16 * w.cell.width, 4 * w.cell.height);
  SDL_SetWindowMaximumSize(w.window, width, height);
  return true;
}

bool openWindow() {
  SDL_Rect work{0, 0, 1024, 768}, screen{0, 0, 1024, 768};
  SDL_GetDisplayBounds(0, &screen);
  if (SDL_GetDisplayUsableBounds(0, &work) != 0) work = screen;
  const VideoSettings& settings = videoSettings();
  if (!windowFontOpen(settings.fontFace, videoFontHeight(work.h), videoFontWidth(work.w), settings.fontWeight))
    return false;
  w.cell = windowCellMetrics();
  if (!createWindow(work, screen)) return false;
  w.focused = w.reading = false;
  w.frames = 0;
  markAll();
  SDL_ShowWindow(w.window);
  SDL_RaiseWindow(w.window);  // a new window comes to the front with the focus, as on Windows
  SDL_StartTextInput();
  show();
  return true;
}

void closeWindow() {
  if (w.window) SDL_DestroyWindow(w.window);
  if (w.canvas) SDL_FreeSurface(w.canvas);
  w.window = nullptr;
  w.canvas = nullptr;
  windowFontClose();
  stopVideo();
}

// Without a window (no font, no display after all) the terminal takes over.
void windowOpen() {
  if (w.window) return;
  if (startVideo() && openWindow()) return;
  fprintf(stderr, "The console window could not be opened (%s); using the terminal\n", SDL_GetError());
  closeWindow();
  speechLog("console", "terminal");
  consoleSetBackend(&terminalConsoleBackend);
  openConsole();
}

// ---- the backend's operations ----

void windowDrawSpan(int row, int from, int to) {
  if (w.window) markCells(row, from, to);
}

void windowNotice(ConsoleNotice what) {
  if (!w.window) return;
  if (what == ConsoleNotice::Cleared) markAll();
  else if (what == ConsoleNotice::Scrolled && videoSettings().slowDisplay) scrollMarks();
  else if (what == ConsoleNotice::Scrolled) markAll();
  else if (what == ConsoleNotice::CursorMoved && w.reading) w.showPending = true;
}

void windowSetTitle(const std::string& title) {
  if (w.window) SDL_SetWindowTitle(w.window, ansiToUtf8(title).c_str());
}

void windowPump() {
  SDL_Event event;
  while (w.videoStarted && SDL_PollEvent(&event)) windowDispatch(event);
  showIfDue();
}

void windowWait(unsigned milliseconds) {
  if (w.showPending) show();
  SDL_Event event;
  if (w.videoStarted && SDL_WaitEventTimeout(&event, static_cast<int>(milliseconds))) windowDispatch(event);
}

void windowNeedKey() { windowWait(kKeyWaitSliceMs); }

bool windowInputEnded() { return false; }  // only closing the window ends it, through terminateConsole

void windowShutdown() {
  if (w.showPending) show();
  closeWindow();
}

void windowCaret(bool visible) {
  w.reading = visible;
  if (w.window && w.focused) show();
}

void windowShow(WindowShow how) {
  if (!w.window) return;
  if (how == WindowShow::Hide) SDL_HideWindow(w.window);
  if (how == WindowShow::Restore) {
    SDL_ShowWindow(w.window);
    SDL_RestoreWindow(w.window);
  }
  if (how == WindowShow::BringToTop) SDL_RaiseWindow(w.window);
  show();
}

bool windowIsForeground() { return w.window && w.focused; }

bool windowClipboardGet(std::string& ansiText) {
  char* text = w.videoStarted ? SDL_GetClipboardText() : nullptr;
  if (!text) return false;
  ansiText = utf8ToAnsi(text);
  SDL_free(text);
  return true;
}

void windowClipboardSet(const std::string& ansiText) {
  if (w.videoStarted) SDL_SetClipboardText(ansiToUtf8(ansiText).c_str());
}

void windowRepaintAll() {
  if (!w.window) return;
  markAll();
  show();
}

// Drawn over what the grid shows now; it stays until those cells are drawn again.
void windowDrawEnlarged(int row, int factor, const EnlargedRun* runs, int count) {
  if (!w.window || factor < 1) return;
  renderCanvas();
  for (int i = 0; i < count; ++i)
    windowDrawCells(w.canvas, runs[i].x * w.cell.width * factor, row * w.cell.height,
                    reinterpret_cast<const uint8_t*>(runs[i].text.data()), static_cast<int>(runs[i].text.size()),
                    paletteColour(runs[i].foreground), paletteColour(runs[i].background), factor);
  show();
}

}  // namespace

const ConsoleBackend windowConsoleBackend = {
    "window", windowOpen, nullptr, windowDrawSpan, windowNotice, windowSetTitle,
    windowPump, windowWait, windowNeedKey, windowInputEnded, windowShutdown,
    windowCaret, windowShow, windowIsForeground, windowClipboardGet, windowClipboardSet,
    windowRepaintAll, windowDrawEnlarged};

bool windowConsoleAvailable(bool forced) {
  bool displayNamed = !programEnv("DISPLAY").empty() || !programEnv("WAYLAND_DISPLAY").empty();
  if (!forced && !displayNamed && programEnv("SDL_VIDEODRIVER").empty()) return false;
  if (!startVideo()) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  bool real = driver && (!strcmp(driver, "x11") || !strcmp(driver, "wayland") || driverAsked(driver));
  if (forced || real) return true;
  stopVideo();
  return false;
}

void windowPostWakeUp() {
  if (!eventsRunning) return;
  SDL_Event event{};
  event.type = wakeType;
  SDL_PushEvent(&event);
}

void windowFocusChanged(bool focused) {
  w.focused = focused;
  w.showPending = true;
}

void windowExposed() { w.showPending = true; }

bool windowSnapshot(std::vector<uint32_t>& pixels, int& width, int& height) {
  if (!w.window) return false;
  show();
  SDL_Surface* copy = SDL_ConvertSurfaceFormat(SDL_GetWindowSurface(w.window), SDL_PIXELFORMAT_RGB888, 0);
  if (!copy) return false;
  width = copy->w, height = copy->h;
  pixels.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels[y * width + x] = reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(copy->pixels) + y * copy->pitch)[x] & 0xFFFFFF;
  SDL_FreeSurface(copy);
  return true;
}

void windowCellSize(int& width, int& height) {
  width = w.cell.width;
  height = w.cell.height;
}

bool windowIsOpen() { return w.window != nullptr; }

int windowFramesShown() { return w.frames; }
