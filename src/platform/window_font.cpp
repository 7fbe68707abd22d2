// The window's fonts: the console face found by name with fontconfig (the
// monospace match standing in when the face is missing), sized so that its
// cell is the configured width and height, and the enlarged line's copy of
// it at a factor of that size; glyphs kept as coverage masks, one per
// character, and drawn cell by cell.  Owns the open fonts and their masks;
// must not touch the grid or the window.
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "platform/codepage.h"
#include "platform/window_internal.h"

namespace {

struct FontFile {
  std::string path;
  int index = 0;
  bool syntheticBold = false;  // a heavy weight asked of a family without one
};

struct Face {
  TTF_Font* font = nullptr;
  int factor = 0;
  CellMetrics cell;
  std::array<std::vector<uint8_t>, 256> masks;  // cell.width x cell.height, made on first use
  std::array<bool, 256> made{};
};

constexpr int kPointSize = 72;              // at 72 points, one dot per inch is one pixel of the em
constexpr int kDefaultHeight = 16;          // a height of 0 asks for the font's usual size
constexpr int kMaxCellWidth = 64, kMaxCellHeight = 128;  // beyond any screen's 80 x 25 cells
constexpr int kFitSteps = 64;

FontFile fontFile;
unsigned baseHorizontalDpi = kPointSize, baseVerticalDpi = kPointSize;
Face consoleFace, enlargedFace;
bool ttfStarted = false;

bool familyIs(FcPattern* match, const std::string& family) {
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
    if (strcasecmp(reinterpret_cast<const char*>(name), family.c_str()) == 0) return true;
  return false;
}

double matchedWeight(FcPattern* match) {
  int whole = 0;
  double weight = FC_WEIGHT_REGULAR;
  if (FcPatternGetInteger(match, FC_WEIGHT, 0, &whole) == FcResultMatch) return whole;
  FcPatternGetDouble(match, FC_WEIGHT, 0, &weight);
  return weight;
}

// fontconfig always answers its best match; exact asks that it be the family itself.
bool matchFont(const std::string& family, int weight, bool exact, FontFile& found) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddDouble(pattern, FC_WEIGHT, FcWeightFromOpenTypeDouble(weight));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* file = nullptr;
  bool ok = (!exact || familyIs(match, family)) && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
  if (ok) {
    found.path = reinterpret_cast<const char*>(file);
    found.index = 0;
    FcPatternGetInteger(match, FC_INDEX, 0, &found.index);
    found.syntheticBold = weight >= 600 && matchedWeight(match) < FC_WEIGHT_DEMIBOLD;
  }
  FcPatternDestroy(match);
  return ok;
}

int heightAt(TTF_Font* font, unsigned verticalDpi) {
  TTF_SetFontSizeDPI(font, kPointSize, kPointSize, verticalDpi);
  return TTF_FontHeight(font);
}

int advanceAt(TTF_Font* font, unsigned horizontalDpi, unsigned verticalDpi) {
  int minX, maxX, minY, maxY, advance = 0;
  TTF_SetFontSizeDPI(font, kPointSize, horizontalDpi, verticalDpi);
  TTF_GlyphMetrics32(font, '0', &minX, &maxX, &minY, &maxY, &advance);
  return advance;
}

// The largest resolution whose measure stays within the target (measures
// grow with the resolution, in hinted steps).
template <typename Measure>
unsigned largestDpiWithin(int target, Measure measure) {
  int at100 = std::max(1, measure(100u));
  unsigned dpi = static_cast<unsigned>(std::max(1L, std::lround(100.0 * target / at100)));
  for (int step = 0; step < kFitSteps && dpi > 1 && measure(dpi) > target; ++step) --dpi;
  for (int step = 0; step < kFitSteps && measure(dpi + 1) <= target; ++step) ++dpi;
  return dpi;
}

// As the Windows font mapper reads the two sizes: a positive height is the
// cell's, a negative one the characters'; a width of 0 keeps the face's shape.
void fitFont(TTF_Font* font, int height, int width) {
  if (height > 0) baseVerticalDpi = largestDpiWithin(height, [&](unsigned v) { return heightAt(font, v); });
  else baseVerticalDpi = height < 0 ? static_cast<unsigned>(-height)
                                    : largestDpiWithin(kDefaultHeight, [&](unsigned v) { return heightAt(font, v); });
  baseHorizontalDpi = baseVerticalDpi;
  if (width != 0)
    baseHorizontalDpi = largestDpiWithin(std::abs(width), [&](unsigned h) { return advanceAt(font, h, baseVerticalDpi); });
  TTF_SetFontSizeDPI(font, kPointSize, baseHorizontalDpi, baseVerticalDpi);
}

TTF_Font* openSized(unsigned horizontalDpi, unsigned verticalDpi) {
  TTF_Font* font = TTF_OpenFontIndexDPI(fontFile.path.c_str(), kPointSize, fontFile.index, horizontalDpi, verticalDpi);
  if (font && fontFile.syntheticBold) TTF_SetFontStyle(font, TTF_STYLE_BOLD);
  return font;
}

void closeFace(Face& face) {
  if (face.font) TTF_CloseFont(face.font);
  face = Face{};
}

uint32_t blend(uint32_t foreground, uint32_t background, unsigned alpha) {
  uint32_t mixed = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    unsigned f = (foreground >> shift) & 0xFF, b = (background >> shift) & 0xFF;
    mixed |= ((f * alpha + b * (255 - alpha) + 127) / 255) << shift;
  }
  return mixed;
}

// The glyph's coverage, from a white rendering of the one character.
const std::vector<uint8_t>& glyphMask(Face& face, uint8_t c) {
  std::vector<uint8_t>& mask = face.masks[c];
  if (face.made[c]) return mask;
  face.made[c] = true;
  mask.assign(static_cast<size_t>(face.cell.width) * face.cell.height, 0);
  if (c < 32) return mask;
  SDL_Surface* glyph = TTF_RenderUTF8_Blended(face.font, ansiToUtf8(std::string(1, static_cast<char>(c))).c_str(),
                                              SDL_Color{255, 255, 255, 255});
  if (!glyph) return mask;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(glyph, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(glyph);
  if (!argb) return mask;
  for (int y = 0; y < std::min(argb->h, face.cell.height); ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(argb->pixels) + y * argb->pitch);
    for (int x = 0; x < std::min(argb->w, face.cell.width); ++x) mask[y * face.cell.width + x] = row[x] >> 24;
  }
  SDL_FreeSurface(argb);
  return mask;
}

void drawCell(SDL_Surface* target, int x, int y, Face& face, uint8_t c, uint32_t foreground, uint32_t background) {
  const std::vector<uint8_t>& mask = glyphMask(face, c);
  int width = face.cell.width;
  int fromX = std::max(0, -x), toX = std::min(width, target->w - x);
  int fromY = std::max(0, -y), toY = std::min(face.cell.height, target->h - y);
  for (int row = fromY; row < toY; ++row) {
    uint32_t* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(target->pixels) + (y + row) * target->pitch) + x;
    const uint8_t* alpha = &mask[row * width];
    for (int col = fromX; col < toX; ++col)
      out[col] = alpha[col] == 0 ? background : alpha[col] == 255 ? foreground : blend(foreground, background, alpha[col]);
  }
}

// The enlarged line's face: the console face at factor times its resolution.
Face* faceFor(int factor) {
  if (factor <= 1) return consoleFace.font ? &consoleFace : nullptr;
  if (enlargedFace.factor == factor) return &enlargedFace;
  closeFace(enlargedFace);
  enlargedFace.font = openSized(baseHorizontalDpi * factor, baseVerticalDpi * factor);
  if (!enlargedFace.font) return nullptr;
  enlargedFace.factor = factor;
  enlargedFace.cell = {consoleFace.cell.width * factor, consoleFace.cell.height * factor,
                       TTF_FontAscent(enlargedFace.font)};
  return &enlargedFace;
}

}  // namespace

bool windowFontOpen(const std::string& face, int height, int width, int weight) {
  windowFontClose();
  if (!ttfStarted && TTF_Init() != 0) return false;
  ttfStarted = true;
  if (weight <= 0) weight = 400;  // "don't care"
  if (!matchFont(face, weight, true, fontFile) && !matchFont("monospace", weight, false, fontFile)) return false;
  height = std::clamp(height, -kMaxCellHeight, kMaxCellHeight);
  width = std::clamp(width, -kMaxCellWidth, kMaxCellWidth);
  consoleFace.font = openSized(kPointSize, kPointSize);
  if (!consoleFace.font) return false;
  consoleFace.factor = 1;
  fitFont(consoleFace.font, height, width);
  int advance = advanceAt(consoleFace.font, baseHorizontalDpi, baseVerticalDpi);
  consoleFace.cell.width = std::max(1, width != 0 ? std::abs(width) : advance);
  consoleFace.cell.height = std::max(1, height > 0 ? height : TTF_FontHeight(consoleFace.font));
  consoleFace.cell.ascent = TTF_FontAscent(consoleFace.font);
  return true;
}

void windowFontClose() {
  closeFace(consoleFace);
  closeFace(enlargedFace);
}

CellMetrics windowCellMetrics() { return consoleFace.cell; }

std::string windowFontFile() { return fontFile.path; }

void windowDrawCells(SDL_Surface* target, int x, int y, const uint8_t* chars, int count,
                     uint32_t foreground, uint32_t background, int factor) {
  Face* face = faceFor(factor);
  if (!face) return;
  for (int i = 0; i < count; ++i, x += face->cell.width) drawCell(target, x, y, *face, chars[i], foreground, background);
}
