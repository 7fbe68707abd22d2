// What the parts of the SDL console window share: the font (window_font),
// the event mapping (window_events) and the window itself
// (console_window).  Only the window's own files include this.
#pragma once

#include <SDL.h>

#include "platform/console_window.h"

#include <cstdint>
#include <string>

// ---- window_font.cpp: the console font and the enlarged line's font ----

struct CellMetrics {
  int width = 8, height = 16, ascent = 12;
};

// Finds the face with fontconfig (the monospace match when the face is
// missing) and sizes it to the cell: height and width in pixels as the
// settings give them (height < 0: the character height; 0: the font's own).
bool windowFontOpen(const std::string& face, int height, int width, int weight);
void windowFontClose();
CellMetrics windowCellMetrics();
// Draws characters (Windows-1252) cell by cell from pixel (x, y) in the
// colours 0x00RRGGBB; factor > 1 uses the enlarged font, cells factor times
// the size.  The target is a 32-bit XRGB surface.
void windowDrawCells(SDL_Surface* target, int x, int y, const uint8_t* chars, int count,
                     uint32_t foreground, uint32_t background, int factor);

// ---- window_events.cpp: SDL events as the window's messages ----

void windowDispatch(const SDL_Event& event);
int windowVirtualKey(const SDL_Keysym& key);  // 0: no Windows virtual key

// ---- console_window.cpp: what the events change ----

void windowFocusChanged(bool focused);
void windowExposed();
