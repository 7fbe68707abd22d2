#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "platform/codepage.h"
#include "platform/program.h"
#include "speech/config.h"

namespace {

// Drive c: with its windows folder, and an XDG config home, both under a
// temporary folder; no registry file unless a test writes one.
class ConfigTest : public ::testing::Test {
protected:
    std::string root, xdgFolder, windows;

    void SetUp() override {
        char pattern[] = "/tmp/config_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        xdgFolder = root + "/xdg/Ouvino";
        windows = root + "/c/windows";
        for (const std::string& folder : {root + "/c", windows, root + "/xdg", xdgFolder})
            ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
        setenv("OUVINO_DRIVE_C", (root + "/c").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/xdg").c_str(), 1);
        setLegacyLookup(true);
    }
    void TearDown() override {
        setLegacyLookup(true);
        unsetenv("OUVINO_DRIVE_C");
        unsetenv("XDG_CONFIG_HOME");
        std::string command = "rm -rf '" + root + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    static void write(const std::string& path, const std::string& text) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    std::string xdgConfigFolder() const { return root + "/xdg\\Ouvino"; }
};

TEST_F(ConfigTest, IniReadingFollowsTheProfileCalls) {
    const std::string longValue(300, 'v'), longLine(1 << 20, 'x');
    struct { std::string text, section, key, expected; } cases[] = {
        {"[Sec]\r\nKey=Val\r\n", "SEC", "key", "Val"},
        {"[a]\nk=1\nk=2\n[A]\nk=3\n", "a", "K", "1"},               // first match wins
        {"[a]\n[b]\nk=2\n[a]\nk=3\n", "a", "k", "3"},               // a repeated section is searched too
        {"[a]\n  k  =  v  w \t\n", "a", "k", "v  w"},
        {" [ a ] \nk=1\n", "a", "k", "1"},
        {"[a]\nk=\"q v \"\n", "a", "k", "q v "},
        {"[a]\nk='x'\n", "a", "k", "x"},
        {"[a]\nk=\"x'\n", "a", "k", "\"x'"},                        // unmatched quotes stay
        {"[a]\nk=\"\n", "a", "k", "\""},
        {"[a]\n;k=1\nk=2\n", "a", "k", "2"},
        {"[a]\nk=\n", "a", "k", ""},                                // present but empty: no default
        {"[a]\nj=1\n", "a", "k", "DEF"},
        {"[b]\nk=1\n", "a", "k", "DEF"},
        {"k=1\n[a]\n", "a", "k", "DEF"},                            // before any section
        {"[a]\nk=" + longValue + "\n", "a", "k", longValue.substr(0, 255)},
        {"[a]\n" + longLine + "\nk=1\n", "a", "k", "1"},
        {"[a]\nk=" + longLine, "a", "k", longLine.substr(0, 255)},  // no final line end
        {"\xEF\xBB\xBF[a]\nk=1\n", "a", "k", "1"},                  // BOM before the first section
        {"\xEF\xBB\xBF[a]\nk=a\xC3\xA7\n", "a", "k", "a\xE7"},      // a BOM file is UTF-8
        {std::string("[a]\nk=ab\0cd\nj=2\n", 16), "a", "j", "2"},
        {std::string("[a]\nk=ab\0cd\nj=2\n", 16), "a", "k", "ab"},
        {"[a\nk=1\n[b]\nk=2\n", "b", "k", "2"},                     // unclosed "[" is no section
        {"[a\nk=1\n", "a", "k", "DEF"},
        {"[a\xE7\xE3o]\nk=1\n", "A\xC7\xC3O", "k", "1"},            // accented names ignore case
        {"", "a", "k", "DEF"},
    };
    const std::string file = xdgFolder + "/t.ini";
    for (const auto& c : cases) {
        write(file, c.text);
        EXPECT_EQ(readIniString(c.section, c.key, "DEF", file), c.expected) << c.text.substr(0, 40);
    }
    EXPECT_EQ(readIniString("a", "k", "DEF", xdgFolder + "/absent.ini"), "DEF");
}

TEST_F(ConfigTest, BareFileNameIsInTheWindowsFolder) {
    write(windows + "/Extra.ini", "[a]\nk=1\n");
    EXPECT_EQ(readIniString("a", "k", "", "EXTRA.INI"), "1");
}

TEST_F(ConfigTest, ConfigFolderOutcomes) {
    EXPECT_EQ(configFolder(), xdgConfigFolder());               // in neither folder
    write(windows + "/OUVINO.INI", "");
    EXPECT_EQ(configFolder(), "c:\\windows");                   // only in the Windows folder
    write(xdgFolder + "/Ouvino.ini", "");
    EXPECT_EQ(configFolder(), xdgConfigFolder());               // the user's file wins
    write(windows + "/registry.ini",
          "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\n"
          "AppData=" + root + "/appdata\n");
    EXPECT_EQ(configFolder(), "c:\\windows");                   // registry names another folder
}

TEST_F(ConfigTest, MacrosExpand) {
    const std::string program = utf8ToAnsi(programFolder());
    auto valueWith = [&](const std::string& pgm, const std::string& value) {
        write(xdgFolder + "/Ouvino.ini", "[OUVINO]\nPGMOUVINO=" + pgm + "\n[S]\nK=" + value + "\n");
        return readConfigValue("s", "k");
    };
    EXPECT_EQ(valueWith("", "@"), program);
    EXPECT_EQ(valueWith("", "@x"), "@x");
    EXPECT_EQ(valueWith("", "@@\\sons"), xdgConfigFolder() + "\\sons");
    EXPECT_EQ(valueWith("", "@\\dados"), program + "\\dados");
    EXPECT_EQ(valueWith("/opt/ouv", "@\\dados"), "/opt/ouv\\dados");
    EXPECT_EQ(valueWith("/opt/ouv", "@\\a@\\b"), "/opt/ouv\\a/opt/ouv\\b");
    EXPECT_EQ(valueWith("@x", "@\\dados"), program + "\\dados");   // begins with "@"
    EXPECT_EQ(valueWith("@@\\x", "@\\dados"), xdgConfigFolder() + "\\x\\dados");
    // A family folder that refers to itself expands once, and stops.
    EXPECT_EQ(valueWith("@\\sub", "@\\dados"), program + "\\sub\\dados");
    EXPECT_EQ(valueWith("x@\\", "@\\dados"), "x" + program + "\\\\dados");
}

TEST_F(ConfigTest, LegacyLookupReadsTheWindowsFolderFile) {
    write(xdgFolder + "/Ouvino.ini", "[A]\nother=1\n");
    write(windows + "/Ouvino.ini", "[A]\nK=old\n");
    EXPECT_EQ(readConfigValue("A", "K"), "old");
    setLegacyLookup(false);
    EXPECT_EQ(readConfigValue("A", "K"), "");
    EXPECT_EQ(readConfigValue("A", "OTHER"), "1");
}

TEST_F(ConfigTest, RegistryStrings) {
    write(windows + "/registry.ini",
          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TCTS\\Mbrola\\databases\\BR4]\n"
          "@=/usr/share/mbrola/br4/br4\nname=br4\n");
    std::string text = "stale";
    EXPECT_TRUE(readRegistryString(RegistryRoot::LocalMachine, "SOFTWARE\\TCTS\\Mbrola\\databases\\BR4\\", text));
    EXPECT_EQ(text, "/usr/share/mbrola/br4/br4");
    EXPECT_TRUE(readRegistryString(RegistryRoot::LocalMachine, "software\\tcts\\mbrola\\databases\\br4\\NAME", text));
    EXPECT_EQ(text, "br4");
    EXPECT_FALSE(readRegistryString(RegistryRoot::LocalMachine, "SOFTWARE\\TCTS\\Mbrola\\databases\\BR4\\x", text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(readRegistryString(RegistryRoot::CurrentUser, "SOFTWARE\\TCTS\\Mbrola\\databases\\BR4\\", text));
    EXPECT_FALSE(readRegistryString(RegistryRoot::LocalMachine, "BR4", text));
    EXPECT_TRUE(readRegistryString(RegistryRoot::CurrentUser,
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\AppData", text));
    EXPECT_EQ(text, root + "/xdg");
}

TEST(ConfigInteger, ConversionRule) {
    struct { const char* text; int value; bool ok; } cases[] = {
        {"12", 12, true},       {"  -7", -7, true},      {"+5", 5, true},
        {"0", 0, true},         {"$1F", 31, true},       {"x10", 16, true},
        {"X10", 16, true},      {"0x10", 16, true},      {"0X1f", 31, true},
        {"-$10", -16, true},    {"$FFFFFFFF", -1, true}, {"-2147483648", INT_MIN, true},
        {"2147483647", INT_MAX, true},
        {"12ab", 12, false},    {"-12a", -12, false},    {"12 ", 12, false},
        {"", 0, false},         {"   ", 0, false},       {"-", 0, false},
        {"$", 0, false},        {"abc", 0, false},       {"\t5", 0, false},
        {"2147483648", 214748364, false},                {"$123456789", 0x12345678, false},
    };
    for (const auto& c : cases) {
        int value = 99;
        EXPECT_EQ(configInteger(c.text, value), c.ok) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

}  // namespace
