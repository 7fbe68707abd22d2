// Console commands whose effect is on the grid's state rather than on its
// text: colours, the cursor, the title, and the key notation.
#include <gtest/gtest.h>

#include <cstdlib>

#include "console/console.h"
#include "console/keys.h"
#include "interpreter/console_commands.h"
#include "interpreter/store.h"

namespace {

class ConsoleCommands : public testing::Test {
 protected:
  void SetUp() override {
    setenv("OUVINO_CONSOLE", "headless", 1);
    resetInterpreter();
    setTextAttribute(0x0F);
  }
};

TEST_F(ConsoleCommands, ColoursChangeTheirHalfOfTheAttribute) {
  EXPECT_TRUE(cmdCor("4"));
  EXPECT_EQ(textAttribute(), 0x04);
  EXPECT_TRUE(cmdFundo("1"));
  EXPECT_EQ(textAttribute(), 0x14);
  EXPECT_TRUE(cmdCor("(16+2) lixo"));  // low four bits only; the rest is ignored
  EXPECT_EQ(textAttribute(), 0x12);
  EXPECT_FALSE(cmdCor(""));
  EXPECT_FALSE(cmdFundo("\"azul\""));
  EXPECT_EQ(textAttribute(), 0x12);
}

TEST_F(ConsoleCommands, TelaPlacesTheCursorClamped) {
  EXPECT_TRUE(cmdTela("@10,5"));
  EXPECT_EQ(whereX(), 10);
  EXPECT_EQ(whereY(), 5);
  EXPECT_TRUE(cmdTela("@200,99"));
  EXPECT_EQ(whereX(), 80);
  EXPECT_EQ(whereY(), 25);
  EXPECT_FALSE(cmdTela("@x,1"));
  EXPECT_FALSE(cmdTela(""));
}

TEST_F(ConsoleCommands, TelaLetterVariableHoldsTheWord) {
  EXPECT_TRUE(executeLine("seja t \"@3,4\"", false));
  EXPECT_TRUE(cmdTela("t"));
  EXPECT_EQ(whereX(), 3);
  EXPECT_EQ(whereY(), 4);
}

TEST_F(ConsoleCommands, TituloSetsTheTitle) {
  EXPECT_TRUE(cmdTitulo("\"Gravador\""));
  EXPECT_EQ(consoleTitle(), "Gravador");
  EXPECT_FALSE(cmdTitulo(""));
}

TEST(KeyNotation, CharactersControlsAndExtendedKeys) {
  setKeyModifiers({});
  EXPECT_EQ(keyNotation('A', 0, false), "A");
  EXPECT_EQ(keyNotation(13, 0, false), "#13");
  EXPECT_EQ(keyNotation(0, 59, false), "#0#59");
  EXPECT_EQ(keyNotation('A', 0, true), "000#65");
  setKeyModifiers({true, false, false});
  EXPECT_EQ(keyNotation('A', 0, true), "100#65");
  setKeyModifiers({false, true, true});
  EXPECT_EQ(keyNotation(0, 59, true), "011#0#59");
  setKeyModifiers({});
}

}  // namespace
