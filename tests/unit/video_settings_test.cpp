#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "console/backend.h"
#include "console/console.h"
#include "console/video_settings.h"
#include "platform/terminal_input.h"
#include "temp_folder.h"

namespace {

using ColourMap = std::array<uint8_t, 16>;

ColourMap identity() { return {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}; }

ColourMap with(std::initializer_list<std::pair<int, int>> changes) {
  ColourMap map = identity();
  for (auto [index, value] : changes) map[index] = static_cast<uint8_t>(value);
  return map;
}

TEST(ColourTable, EntriesFromTheLeftUntilOneIsNotANumber) {
  struct {
    const char* text;
    ColourMap expected;
  } cases[] = {
      {"4,1,2", with({{0, 4}, {1, 1}, {2, 2}})},
      {" 3 ,\t7 ,1", with({{0, 3}, {1, 7}, {2, 1}})},      // blanks around an item go
      {"9,1 0,11", with({{0, 9}, {1, 1}})},                 // "1 0" stores 1, then ends the table
      {"$F,0x0E,x9", with({{0, 15}, {1, 14}, {2, 9}})},      // hexadecimal
      {"300,-1", with({{0, 44}, {1, 255}})},                 // the low byte
      {"5,,7", with({{0, 5}, {1, 0}})},                      // an empty item counts 0 and ends it
      {"abc,4", with({{0, 0}})},
      {"1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,9,9", ColourMap{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
  };
  for (const auto& c : cases) {
    ColourMap map = identity();
    parseColorTable(c.text, map);
    EXPECT_EQ(map, c.expected) << c.text;
  }
}

class VideoSettingsTest : public ::testing::Test {
 protected:
  TempFolder folder;
  const ConsoleBackend* previous = nullptr;

  void SetUp() override {
    ASSERT_TRUE(folder.enter("video_settings"));
    ASSERT_EQ(mkdir((folder.root + "/c").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((folder.root + "/Ouvino").c_str(), 0700), 0);
    setenv("OUVINO_DRIVE_C", (folder.root + "/c").c_str(), 1);
    setenv("XDG_CONFIG_HOME", folder.root.c_str(), 1);
    previous = &consoleBackend();
  }
  void TearDown() override {
    consoleSetBackend(previous);
    setVideoSettings(VideoSettings());
    unsetenv("OUVINO_DRIVE_C");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(folder.leave());
  }
  const VideoSettings& load(const std::string& ini) {
    writeFile(folder.root + "/Ouvino/Ouvino.ini", ini);
    loadVideoSettings();
    return videoSettings();
  }
};

TEST_F(VideoSettingsTest, DefaultsWithoutAFile) {
  loadVideoSettings();
  const VideoSettings& s = videoSettings();
  EXPECT_EQ(s.colorMap, identity());
  EXPECT_FALSE(s.fixedColours);
  EXPECT_FALSE(s.slowDisplay);
  EXPECT_EQ(s.textAttr, 0x0F);
  EXPECT_EQ(s.brailleMode, 0);
  EXPECT_EQ(s.fontFace, "Lucida Console");
  EXPECT_EQ(s.fontWeight, 700);
  EXPECT_TRUE(s.maximised);
  // Sizes from the work area.
  EXPECT_EQ(videoFontWidth(1024), 13);
  EXPECT_EQ(videoFontWidth(1280), 16);
  EXPECT_EQ(videoFontHeight(734), 28);
  EXPECT_EQ(videoFontHeight(1024), 39);
}

TEST_F(VideoSettingsTest, ValuesOfTheFile) {
  const VideoSettings& s = load(
      "[video]\ntabcores=4\nCORESFIXAS=sim\nLENTO=s\nCORFUNDO=1\nCORLETRA=14\nFONTE=Courier New\n"
      "LARGURALETRA=10\nALTURALETRA=20px\nPESOLETRA=400\nCANTOTELA=nao\n[BRAILLE]\nMODO=2\n");
  EXPECT_EQ(s.colorMap, with({{0, 4}}));
  EXPECT_EQ(logicalColour(0), 0xFF0000u);
  EXPECT_TRUE(s.fixedColours);
  EXPECT_TRUE(s.slowDisplay);
  EXPECT_EQ(s.textAttr, 0x1E);
  EXPECT_EQ(s.fontFace, "Courier New");
  EXPECT_EQ(videoFontWidth(1024), 10);
  EXPECT_EQ(videoFontHeight(734), 20);  // as far as it is a number
  EXPECT_EQ(s.fontWeight, 400);
  EXPECT_FALSE(s.maximised);
  EXPECT_EQ(s.brailleMode, 2);
}

TEST_F(VideoSettingsTest, OddValues) {
  struct {
    const char* ini;
    uint8_t textAttr;
    int braille, weight;
    bool maximised;
  } cases[] = {
      {"[VIDEO]\nCORFUNDO=\nCORLETRA=\n", 0x07, 0, 700, true},          // present but empty
      {"[VIDEO]\nCORFUNDO=x\nCORLETRA=20\nCANTOTELA=\n", 0x14, 0, 700, true},  // a byte: 0 x 16 + 20
      {"[VIDEO]\nPESOLETRA=heavy\nCANTOTELA=Sim\n[BRAILLE]\nMODO=7\n", 0x0F, 3, 700, true},
      {"[BRAILLE]\nMODO=\n", 0x0F, 0, 700, true},
  };
  for (const auto& c : cases) {
    const VideoSettings& s = load(c.ini);
    EXPECT_EQ(s.textAttr, c.textAttr) << c.ini;
    EXPECT_EQ(s.brailleMode, c.braille) << c.ini;
    EXPECT_EQ(s.fontWeight, c.weight) << c.ini;
    EXPECT_EQ(s.maximised, c.maximised) << c.ini;
  }
  // The profile call's 80-character buffer.
  EXPECT_EQ(load("[VIDEO]\nFONTE=" + std::string(100, 'f') + "\n").fontFace, std::string(79, 'f'));
}

TEST(Palette, IndexAboveFifteenIsBlack) {
  EXPECT_EQ(paletteColour(5), 0x8E008Eu);
  EXPECT_EQ(paletteColour(15), 0xFFFFFFu);
  EXPECT_EQ(paletteColour(16), 0u);
  EXPECT_EQ(paletteColour(255), 0u);
}

// Every console opens in the configured colours, and fixed colours hold on
// every console, not only the window.
TEST_F(VideoSettingsTest, OpeningTakesTheFirstColoursAndFixedOnesHold) {
  keyInputUseDescriptor(-1);
  for (bool fixed : {false, true}) {
    load(std::string("[VIDEO]\nCORFUNDO=1\nCORLETRA=14\nCORESFIXAS=") + (fixed ? "S" : "N") + "\n");
    setTextAttribute(0x0F);
    consoleSetBackend(&headlessConsoleBackend);
    openConsole();
    EXPECT_EQ(textAttribute(), 0x1E);
    setTextColor(4);
    setTextBackground(2);
    EXPECT_EQ(textAttribute(), fixed ? 0x1E : 0x24) << "fixed " << fixed;
  }
}

}  // namespace
