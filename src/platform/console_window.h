// The console window (SDL2): the backend that shows the grid in a window
// of its own and takes keys, the mouse and Braille chords from it.  No
// toolkit type appears here; the window's own files keep SDL to themselves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ConsoleBackend;
extern const ConsoleBackend windowConsoleBackend;

// Whether the window can be shown.  Unforced, only a real display counts
// (SDL would otherwise settle silently on its offscreen driver); forced,
// any video driver SDL starts, the dummy one included.
bool windowConsoleAvailable(bool forced);
// Wakes a wait of the window's event loop; safe from any thread, and a
// no-op while the window's events do not run.
void windowPostWakeUp();

// What the window shows now, 0x00RRGGBB row by row (tests, benchmark).
bool windowSnapshot(std::vector<uint32_t>& pixels, int& width, int& height);
void windowCellSize(int& width, int& height);
std::string windowFontFile();  // the file the console face was found in
int windowFramesShown();  // since the window opened
bool windowIsOpen();
