// The console window's settings from Ouvino.ini (sections VIDEO and
// BRAILLE, read directly, without macros): the colour table, the palette,
// fixed colours, the scrolling strategy, the first colours, the font and
// the window placement.  Owns the settings record; reads the file only in
// loadVideoSettings.  Knows no toolkit.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct VideoSettings {
  std::array<uint8_t, 16> colorMap{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  bool fixedColours = false;
  bool slowDisplay = false;   // scroll the pixels instead of repainting
  uint8_t textAttr = 0x0F;    // CORFUNDO x 16 + CORLETRA
  int brailleMode = 0;
  std::string fontFace = "Lucida Console";
  bool fontWidthGiven = false, fontHeightGiven = false;  // else from the work area
  int fontWidth = 0, fontHeight = 0;
  int fontWeight = 700;
  bool maximised = true;      // grid-sized window at the top left of the screen
};

// Reads the settings again (openConsole does, every time the console opens).
void loadVideoSettings();
const VideoSettings& videoSettings();
// Replaces the record (tests).
void setVideoSettings(const VideoSettings& settings);

// TABCORES into a colour map: entries from the left until an item that is
// not a number (that item's value is still stored); the rest stay as they are.
void parseColorTable(const std::string& text, std::array<uint8_t, 16>& colorMap);

// 0x00RRGGBB of a palette index (above 15: black), and of a logical colour
// through the colour map.
uint32_t paletteColour(int index);
uint32_t logicalColour(int colour);

// The font's cell size when the settings leave it to the work area.
int videoFontWidth(int workAreaWidth);
int videoFontHeight(int workAreaHeight);

bool videoColoursFixed();
