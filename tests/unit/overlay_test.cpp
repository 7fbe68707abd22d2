#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "console/backend.h"
#include "console/overlay.h"
#include "temp_folder.h"

namespace {

void put(std::vector<uint8_t>& b, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = (value >> (8 * i)) & 0xFF;
}

struct Bmp {
  int width, height;  // height < 0: rows top-down in the file
  int bits;
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  uint32_t coloursUsed;
  // Indices (palette bits) or colours, rows top to bottom as shown.
  std::vector<std::vector<uint32_t>> rows;
};

// The file image, written independently of the reader: rows padded to four
// bytes, packed high bits first, in file order.
std::vector<uint8_t> bmpFile(const Bmp& bmp) {
  const size_t stride = (bmp.width * bmp.bits + 31) / 32 * 4;
  const size_t offset = 54 + 4 * bmp.palette.size();
  const size_t count = bmp.rows.size();
  std::vector<uint8_t> file(offset + stride * count);
  file[0] = 'B', file[1] = 'M';
  put(file, 2, file.size(), 4);
  put(file, 10, offset, 4);
  put(file, 14, 40, 4);
  put(file, 18, bmp.width, 4);
  put(file, 22, static_cast<uint32_t>(bmp.height), 4);
  put(file, 26, 1, 2);
  put(file, 28, bmp.bits, 2);
  put(file, 46, bmp.coloursUsed, 4);
  for (size_t i = 0; i < bmp.palette.size(); ++i) put(file, 54 + 4 * i, bmp.palette[i], 4);
  for (size_t r = 0; r < count; ++r) {
    size_t fileRow = bmp.height < 0 ? r : count - 1 - r;
    uint8_t* row = &file[offset + stride * fileRow];
    for (int x = 0; x < bmp.width; ++x) {
      uint32_t v = bmp.rows[r][x];
      if (bmp.bits >= 24) put(file, row - file.data() + x * (bmp.bits / 8), v, 3);
      else row[x * bmp.bits / 8] |= v << (8 - bmp.bits - (x * bmp.bits) % 8);
    }
  }
  return file;
}

const std::vector<uint32_t> kColours = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF,
                                        0x808080, 0xABCDEF, 0x010203, 0x7F0000, 0x007F00, 0x00007F,
                                        0xFEDCBA, 0x555555, 0xAAAAAA, 0x0F0F0F};

// A 5 x 3 picture: odd widths need padding at every bit count.
Bmp picture(int bits, bool topDown) {
  Bmp bmp{5, topDown ? -3 : 3, bits, {}, 0, {}};
  const size_t colours = bits == 1 ? 2 : bits == 4 ? 16 : 9;
  if (bits <= 8) bmp.palette.assign(kColours.begin(), kColours.begin() + colours);
  if (bits == 8) bmp.coloursUsed = 9;
  for (int y = 0; y < 3; ++y) {
    bmp.rows.emplace_back();
    for (int x = 0; x < 5; ++x) {
      uint32_t index = (x + 2 * y) % colours;
      bmp.rows.back().push_back(bits <= 8 ? index : kColours[(x + 5 * y) % 16]);
    }
  }
  return bmp;
}

std::vector<uint32_t> shown(const Bmp& bmp) {
  std::vector<uint32_t> pixels;
  for (const auto& row : bmp.rows)
    for (uint32_t v : row) pixels.push_back(bmp.bits <= 8 ? bmp.palette[v] : v);
  return pixels;
}

TEST(OverlayTest, DecodesEveryBitCountBothRowOrders) {
  for (int bits : {1, 4, 8, 24, 32}) {
    for (bool topDown : {false, true}) {
      SCOPED_TRACE(std::to_string(bits) + (topDown ? " bits, top-down" : " bits, bottom-up"));
      Bmp bmp = picture(bits, topDown);
      OverlayImage image;
      ASSERT_TRUE(decodeBmp(bmpFile(bmp), image));
      EXPECT_EQ(image.width, 5);
      EXPECT_EQ(image.height, 3);
      EXPECT_EQ(image.pixels, shown(bmp));
    }
  }
}

TEST(OverlayTest, PaletteHoldsColoursUsedEntriesOrAllWhenZero) {
  // 4 bits, 3 colours used: the pixels start right after those 3 entries,
  // and an index past them is black.
  Bmp three{3, 1, 4, {0x111111, 0x222222, 0x333333}, 3, {{2, 0, 7}}};
  OverlayImage image;
  ASSERT_TRUE(decodeBmp(bmpFile(three), image));
  EXPECT_EQ(image.pixels, (std::vector<uint32_t>{0x333333, 0x111111, 0}));
  // Colours-used 0 means all 16 entries, which must then be in the file.
  Bmp all = picture(4, false);
  std::vector<uint8_t> file = bmpFile(all);
  ASSERT_TRUE(decodeBmp(file, image));
  put(file, 46, 0, 4);
  file.resize(54 + 4 * 10);
  put(file, 10, 54, 4);
  EXPECT_FALSE(decodeBmp(file, image)) << "palette cut short";
}

TEST(OverlayTest, MalformedFilesAnswerFalseAndLeaveTheImage) {
  const std::vector<uint8_t> good = bmpFile(picture(8, false));
  const size_t offset = 54 + 4 * 9;
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
    int bytes;
    size_t size;  // the file cut to this length (0: whole)
  } cases[] = {
      {"short file", 0, 0, 0, 40},
      {"pixels cut short", 0, 0, 0, good.size() - 1},
      {"core header (12 bytes)", 14, 12, 4, 0},
      {"version 5 header", 14, 124, 4, 0},
      {"16 bits", 28, 16, 2, 0},
      {"no bits", 28, 0, 2, 0},
      {"run-length compression", 30, 1, 4, 0},
      {"colours used 257", 46, 257, 4, 0},
      {"width 0", 18, 0, 4, 0},
      {"negative width", 18, static_cast<uint32_t>(-5), 4, 0},
      {"height 0", 22, 0, 4, 0},
      {"width over 16 bits", 18, 0x10005, 4, 0},
      {"width x height overflow", 18, 0xFFFF, 4, 0},
      {"pixel offset past the end", 10, static_cast<uint32_t>(good.size() + 1), 4, 0},
      {"pixel offset leaves too little", 10, static_cast<uint32_t>(offset + 1), 4, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> file = good;
    if (c.bytes) put(file, c.at, c.value, c.bytes);
    if (c.size) file.resize(c.size);
    if (std::string(c.what) == "width x height overflow") {
      // 65535 x 32769 at 32 bits is 2^33 + 131068 bytes: a 32-bit size
      // would wrap to the 131068 bytes the file holds.
      put(file, 22, 32769, 4);
      put(file, 28, 32, 2);
      file.resize(offset + 131068);
    }
    OverlayImage image{1, 1, {0xABCDEF}};
    EXPECT_FALSE(decodeBmp(file, image));
    EXPECT_EQ(image.pixels, std::vector<uint32_t>{0xABCDEF});
  }
}

// A backend that counts the repaints the overlay asks for.
int repaints = 0;

class OverlayFileTest : public ::testing::Test {
 protected:
  TempFolder folder;
  ConsoleBackend backend{};
  const ConsoleBackend* previous = nullptr;

  void SetUp() override {
    ASSERT_TRUE(folder.enter("overlay_test"));
    backend.name = "repaints";
    backend.repaintAll = [] { ++repaints; };
    previous = &consoleBackend();
    consoleSetBackend(&backend);
    repaints = 0;
  }
  void TearDown() override {
    removeOverlayImage();
    consoleSetBackend(previous);
    ASSERT_TRUE(folder.leave());
  }
  static void save(const std::string& name, const std::vector<uint8_t>& file) {
    writeFile(name, std::string(file.begin(), file.end()));
  }
};

TEST_F(OverlayFileTest, LoadDrawRemove) {
  int x = -1, y = -1;
  EXPECT_EQ(currentOverlay(x, y), nullptr);
  Bmp bmp = picture(24, false);
  save("Picture.bmp", bmpFile(bmp));
  ASSERT_TRUE(loadOverlayImage("picture.BMP"));  // through the path layer
  const OverlayImage* image = currentOverlay(x, y);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->pixels, shown(bmp));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  drawOverlayImage(30, 40);
  EXPECT_EQ(repaints, 1);
  ASSERT_NE(currentOverlay(x, y), nullptr);
  EXPECT_EQ(x, 30);
  EXPECT_EQ(y, 40);
  removeOverlayImage();
  EXPECT_EQ(repaints, 2);
  EXPECT_EQ(currentOverlay(x, y), nullptr);
  drawOverlayImage(1, 1);
  EXPECT_EQ(repaints, 2) << "nothing to draw";
}

TEST_F(OverlayFileTest, AFailedLoadKeepsThePreviousOverlay) {
  Bmp bmp = picture(1, true);
  save("good.bmp", bmpFile(bmp));
  std::vector<uint8_t> bad = bmpFile(picture(8, false));
  bad.resize(bad.size() - 3);
  save("bad.bmp", bad);
  save("empty.bmp", {});
  ASSERT_TRUE(loadOverlayImage("good.bmp"));
  drawOverlayImage(7, 8);
  for (const char* name : {"bad.bmp", "empty.bmp", "missing.bmp", "."}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(loadOverlayImage(name));
    int x = 0, y = 0;
    const OverlayImage* image = currentOverlay(x, y);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->pixels, shown(bmp));
    EXPECT_EQ(x, 7);
  }
}

}  // namespace
