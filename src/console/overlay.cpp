// The picture drawn over the console's text: our own reader of BMP files
// (a 40-byte info header, 1, 4, 8, 24 or 32 bits, no compression) and the
// one overlay with its position.  Owns those records; the window backend
// draws the overlay from currentOverlay after the text on every repaint.
// Must not touch the grid.
#include "console/overlay.h"

#include <cstdio>

#include "console/backend.h"
#include "console/console.h"
#include "platform/paths.h"

namespace {

constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;
constexpr uint32_t kMaxColoursUsed = 256;
constexpr int32_t kMaxSide = 0xFFFF;                  // the window takes 16-bit sizes
constexpr uint64_t kMaxPixels = uint64_t(1) << 26;    // 256 MiB of pixels
constexpr long kMaxFileBytes = 512L << 20;

OverlayImage overlay;
bool overlayLoaded = false;
int overlayX = 0, overlayY = 0;

uint32_t le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t le32(const std::vector<uint8_t>& b, size_t at) { return le16(b, at) | le16(b, at + 2) << 16; }

// Blue, green, red in the file; palette entries and 24/32-bit pixels alike.
uint32_t rgbAt(const uint8_t* p) { return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]; }

bool supportedBits(unsigned bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32; }

uint32_t pixelAt(const uint8_t* row, int x, unsigned bits, const std::vector<uint32_t>& palette) {
  if (bits > 8) return rgbAt(row + x * (bits / 8));
  const unsigned perByte = 8 / bits;
  const unsigned shift = 8 - bits * (x % perByte + 1);  // the leftmost pixel is the high bits
  const unsigned index = (row[x / perByte] >> shift) & ((1u << bits) - 1);
  return index < palette.size() ? palette[index] : 0;  // past the palette: black
}

// The palette follows the info header: colours-used entries, or all 2^bits
// when the count is 0.  False when the file ends before it does.
bool readPalette(const std::vector<uint8_t>& file, unsigned bits, std::vector<uint32_t>& palette) {
  if (bits > 8) return true;
  const size_t used = le32(file, 46);
  const size_t entries = used ? used : size_t(1) << bits;
  if (kFileHeader + kInfoHeader + 4 * entries > file.size()) return false;
  for (size_t i = 0; i < entries; ++i) palette.push_back(rgbAt(&file[kFileHeader + kInfoHeader + 4 * i]));
  return true;
}

bool readFile(const std::string& hostName, std::vector<uint8_t>& bytes) {
  FILE* in = fopen(hostName.c_str(), "rb");
  if (!in) return false;
  bool read = fseek(in, 0, SEEK_END) == 0;
  long size = read ? ftell(in) : -1;
  read = size >= 0 && size <= kMaxFileBytes && fseek(in, 0, SEEK_SET) == 0;
  if (read) bytes.resize(size);
  read = read && fread(bytes.data(), 1, bytes.size(), in) == bytes.size();
  fclose(in);
  return read;
}

void repaint() {
  const ConsoleBackend& b = consoleBackend();
  if (b.repaintAll) b.repaintAll();
}

}  // namespace

// Everything the header promises is checked against the file's length
// before a byte is taken, so a damaged file can only answer false.
bool decodeBmp(const std::vector<uint8_t>& file, OverlayImage& image) {
  if (file.size() < kFileHeader + kInfoHeader || le32(file, 14) != kInfoHeader) return false;
  const uint32_t offset = le32(file, 10);
  const int64_t width = int32_t(le32(file, 18)), height = int32_t(le32(file, 22));
  const unsigned bits = le16(file, 28);
  const uint64_t rows = height < 0 ? -height : height;
  if (!supportedBits(bits) || le32(file, 30) != 0 || le32(file, 46) > kMaxColoursUsed) return false;
  if (width <= 0 || width > kMaxSide || rows == 0 || rows > uint64_t(kMaxSide) || width * rows > kMaxPixels)
    return false;
  const uint64_t stride = (width * bits + 31) / 32 * 4;
  if (offset > file.size() || stride * rows > file.size() - offset) return false;
  std::vector<uint32_t> palette;
  if (!readPalette(file, bits, palette)) return false;
  OverlayImage decoded;
  decoded.width = int(width), decoded.height = int(rows);
  decoded.pixels.resize(width * rows);
  for (uint64_t y = 0; y < rows; ++y) {
    const uint8_t* row = &file[offset + stride * (height < 0 ? y : rows - 1 - y)];  // bottom-up unless negative
    for (int64_t x = 0; x < width; ++x) decoded.pixels[y * width + x] = pixelAt(row, int(x), bits, palette);
  }
  image = std::move(decoded);
  return true;
}

// A file that cannot be read or decoded leaves the previous overlay as it was.
bool loadOverlayImage(const std::string& fileName) {
  std::vector<uint8_t> file;
  OverlayImage image;
  if (!readFile(hostPath(fileName), file) || !decodeBmp(file, image)) return false;
  overlay = std::move(image);
  overlayLoaded = true;
  overlayX = overlayY = 0;
  return true;
}

void removeOverlayImage() {
  overlay = OverlayImage();
  overlayLoaded = false;
  repaint();
  pumpAllMessages();
}

void drawOverlayImage(int x, int y) {
  if (!overlayLoaded) return;
  overlayX = x, overlayY = y;
  repaint();
}

const OverlayImage* currentOverlay(int& x, int& y) {
  if (!overlayLoaded) return nullptr;
  x = overlayX, y = overlayY;
  return &overlay;
}
