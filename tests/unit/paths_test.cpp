#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/paths.h"

namespace {

// A drive c: of our own with lumio/Som/LETRAS/a.wav and ação.txt on disk.
class PathsTest : public ::testing::Test {
protected:
    std::string root;

    void SetUp() override {
        char pattern[] = "/tmp/paths_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        setenv("OUVINO_DRIVE_C", root.c_str(), 1);
        unsetenv("OUVINO_DRIVE_Q");
        for (const char* folder : {"/lumio", "/lumio/Som", "/lumio/Som/LETRAS"})
            ASSERT_EQ(mkdir((root + folder).c_str(), 0700), 0);
        touch(root + "/lumio/Som/LETRAS/a.wav");
        touch(root + "/a\xC3\xA7\xC3\xA3o.txt");
    }
    void TearDown() override {
        unsetenv("OUVINO_DRIVE_C");
        std::string command = "rm -rf '" + root + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    static void touch(const std::string& path) {
        std::FILE* file = std::fopen(path.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fclose(file);
    }
};

TEST_F(PathsTest, MapsDrivesSeparatorsAndLetterCase) {
    const std::string wav = root + "/lumio/Som/LETRAS/a.wav";
    struct { const char* name; std::string host; } cases[] = {
        {"c:\\lumio\\Som\\LETRAS\\a.wav", wav},                 // exists as written
        {"C:\\LUMIO\\som\\letras\\A.WAV", wav},                 // every component differs in case
        {"c://Lumio\\\\sOm/Letras\\a.wav", wav},                   // both separators, doubled ones too
        {"c:lumio\\som\\letras\\a.wav", wav},                   // drive-relative
        {"c:\\lumio\\.\\som\\..\\SOM\\letras\\a.wav", wav},     // "." and ".."
        {"c:\\..\\..\\lumio\\som", root + "/lumio/Som"},        // ".." stays on the drive
        {"\\LUMIO\\SOM", root + "/lumio/Som"},                  // rooted names lie on c:
        {"c:\\LUMIO\\som\\novo\\Arq.TXT", root + "/lumio/Som/novo/Arq.TXT"},  // missing tail as written
        {"c:\\A\xC7\xC3O.TXT", root + "/a\xC3\xA7\xC3\xA3o.txt"},  // Windows-1252 upper case
        {"c:\\\xE9t\xE9.txt", root + "/\xC3\xA9t\xC3\xA9.txt"},    // a new name becomes UTF-8
        {"z:\\tmp", "/tmp"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(hostPath(c.name), c.host) << c.name;
}

TEST_F(PathsTest, PosixAndRelativeNames) {
    EXPECT_EQ(hostPath(root + "/LUMIO/som"), root + "/lumio/Som");
    std::string previous = currentFolder();
    ASSERT_TRUE(setCurrentFolder("c:\\LUMIO"));
    EXPECT_EQ(hostPath("SOM\\Letras\\A.wav"), "Som/LETRAS/a.wav");
    EXPECT_EQ(hostPath("..\\lumio\\som"), "../lumio/Som");
    EXPECT_TRUE(fileExists("som\\letras\\a.wav"));
    ASSERT_EQ(chdir(previous.c_str()), 0);
}

TEST_F(PathsTest, ExistenceTestsTellFilesFromFolders) {
    EXPECT_TRUE(fileExists("c:\\lumio\\som\\letras\\a.wav"));
    EXPECT_FALSE(folderExists("c:\\lumio\\som\\letras\\a.wav"));
    EXPECT_TRUE(folderExists("C:\\Lumio\\"));
    EXPECT_FALSE(fileExists("c:\\lumio\\som\\b.wav"));
}

// A drive nobody configured must not land anywhere real, even for writing.
TEST_F(PathsTest, UnknownDriveCannotBeWritten) {
    EXPECT_EQ(driveFolder('q'), "");
    std::string host = hostPath("q:\\novo.txt");
    EXPECT_EQ(std::fopen(host.c_str(), "w"), nullptr) << host;
    EXPECT_NE(mkdir(hostPath("q:\\pasta").c_str(), 0700), 0);
    EXPECT_EQ(std::fopen(hostPath("\\\\server\\share\\x").c_str(), "w"), nullptr);
}

}  // namespace
