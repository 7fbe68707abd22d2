// The console window's settings: read from configFolder() + "\Ouvino.ini"
// as the profile calls would into an 80-character buffer (79 characters
// kept), turned into the record the grid and the window use.  Owns the
// record; must not draw or touch the grid.
#include "console/video_settings.h"

#include "speech/config.h"

namespace {

VideoSettings current;

constexpr int kBufferChars = 79;  // an 80-character buffer with its NUL

// Logical colour -> red, green, blue of the window's palette.
constexpr uint32_t kPalette[16] = {
    0x000000, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0x8E008E, 0x442222, 0xC0C0C0,
    0x282828, 0x8080FF, 0x80FF80, 0x80FFFF, 0xFF8080, 0xFF80FF, 0xFFFF00, 0xFFFFFF};

std::string readVideo(const std::string& section, const std::string& key, const std::string& def) {
  return readIniString(section, key, def, configFolder() + "\\Ouvino.ini").substr(0, kBufferChars);
}

bool startsWithUpper(const std::string& value, char letter) {
  return !value.empty() && (value[0] == letter || value[0] == letter + 32);
}

std::string trimmed(const std::string& text) {
  size_t from = 0, to = text.size();
  while (from < to && static_cast<unsigned char>(text[from]) <= 32) ++from;
  while (to > from && static_cast<unsigned char>(text[to - 1]) <= 32) --to;
  return text.substr(from, to - from);
}

// A number, or the fallback when the text is not one.
int integerOr(const std::string& text, int fallback) {
  int value = 0;
  return configInteger(text, value) ? value : fallback;
}

// LARGURALETRA and ALTURALETRA have no default: empty leaves the size to
// the work area; anything else counts as far as it is a number.
bool fontSize(const std::string& key, int& size) {
  std::string value = readVideo("VIDEO", key, "");
  size = 0;
  if (!value.empty()) configInteger(value, size);
  return !value.empty();
}

// A key present with an empty value gives background 0 and foreground 7.
uint8_t firstAttribute() {
  int background = integerOr(readVideo("VIDEO", "CORFUNDO", "0"), 0);
  int foreground = integerOr(readVideo("VIDEO", "CORLETRA", "15"), 7);
  return static_cast<uint8_t>(background * 16 + foreground);
}

// CANTOTELA is a yes/no value on its first character: only "N..." opens a
// normal window.
bool maximisedWindow() { return !startsWithUpper(readVideo("VIDEO", "CANTOTELA", "SIM"), 'N'); }

}  // namespace

void parseColorTable(const std::string& text, std::array<uint8_t, 16>& colorMap) {
  std::string rest = text + ",";
  for (size_t i = 0; i < colorMap.size(); ++i) {
    size_t comma = rest.find(',');
    if (comma == std::string::npos) return;
    int value = 0;
    bool number = configInteger(trimmed(rest.substr(0, comma)), value);
    colorMap[i] = static_cast<uint8_t>(value);
    if (!number) return;
    rest.erase(0, comma + 1);
  }
}

void loadVideoSettings() {
  VideoSettings s;
  parseColorTable(readVideo("VIDEO", "TABCORES", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15"), s.colorMap);
  s.fixedColours = startsWithUpper(readVideo("VIDEO", "CORESFIXAS", "N"), 'S');
  s.slowDisplay = startsWithUpper(readVideo("VIDEO", "LENTO", "N"), 'S');
  s.textAttr = firstAttribute();
  std::string braille = readVideo("BRAILLE", "MODO", "0");
  s.brailleMode = braille.empty() ? 0 : static_cast<unsigned char>(braille[0]) & 3;
  s.fontFace = readVideo("VIDEO", "FONTE", "Lucida Console");
  s.fontWidthGiven = fontSize("LARGURALETRA", s.fontWidth);
  s.fontHeightGiven = fontSize("ALTURALETRA", s.fontHeight);
  s.fontWeight = integerOr(readVideo("VIDEO", "PESOLETRA", "700"), 700);
  s.maximised = maximisedWindow();
  current = s;
}

const VideoSettings& videoSettings() { return current; }

void setVideoSettings(const VideoSettings& settings) { current = settings; }

uint32_t paletteColour(int index) { return index >= 0 && index < 16 ? kPalette[index] : 0; }

uint32_t logicalColour(int colour) { return paletteColour(current.colorMap[colour & 0x0F]); }

int videoFontWidth(int workAreaWidth) {
  return current.fontWidthGiven ? current.fontWidth : static_cast<int>(workAreaWidth / 1024.0 * 13);
}

int videoFontHeight(int workAreaHeight) {
  return current.fontHeightGiven ? current.fontHeight : static_cast<int>(workAreaHeight / 734.0 * 28);
}

bool videoColoursFixed() { return current.fixedColours; }
