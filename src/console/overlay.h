// The picture drawn over the console's text: loaded from a BMP file, kept as
// pixels, drawn after the text on every repaint.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct OverlayImage {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, rows top to bottom
};

// Decodes a BMP file image (BITMAPINFOHEADER only, 1/4/8/24/32 bits).
bool decodeBmp(const std::vector<uint8_t>& file, OverlayImage& image);
bool loadOverlayImage(const std::string& fileName);  // through the path layer
void removeOverlayImage();
void drawOverlayImage(int x, int y);
// The overlay to draw, or null; x, y its top-left pixel.
const OverlayImage* currentOverlay(int& x, int& y);
