// The channels and the file and directory commands, called directly with
// their argument text inside a fresh temporary folder; what they leave on
// disk, in the variables and in the speech log is checked.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "console/backend.h"
#include "console/console.h"
#include "interpreter/channels.h"
#include "interpreter/file_commands.h"
#include "interpreter/store.h"
#include "interpreter/text.h"
#include "interpreter/values.h"
#include "platform/paths.h"
#include "speech/speech.h"
#include "temp_folder.h"

namespace {

using Handler = bool (*)(std::string_view);

// The commands run in <tmp>/work; the speech log lies beside it, out of
// the listings.
class FilesTest : public ::testing::Test {
 protected:
  TempFolder folder;
  std::string work;
  const ConsoleBackend* previousBackend = nullptr;

  void SetUp() override {
    ASSERT_TRUE(folder.enter("files_test", "work"));
    work = folder.work;
    setenv("OUVINO_CONSOLE", "headless", 1);
    previousBackend = &consoleBackend();
    consoleSetBackend(&headlessConsoleBackend);
    resetInterpreter();
    speechLogOpen(folder.root + "/speech.log");
  }
  void TearDown() override {
    closeAllChannels();
    speechLogOpen("");
    consoleSetBackend(previousBackend);
    ASSERT_TRUE(folder.leave());
  }

  // Runs a handler on an argument written in UTF-8.
  static bool run(Handler handler, const char* args) {
    std::string text = ansi(args);
    return handler(text);
  }
  std::string spoken() const { return readFile(folder.root + "/speech.log"); }
  static std::string var(const char* name) {
    std::string_view text = name;
    int slot = 0;
    EXPECT_TRUE(readVariable(text, slot)) << name;
    return variable(slot);
  }
  static std::vector<std::string> readAllLines(int channel, int& lastStatus) {
    std::vector<std::string> lines;
    std::string line;
    while ((lastStatus = channelReadLine(channel, line)) == 0) lines.push_back(line);
    EXPECT_EQ(line, "");
    return lines;
  }
};

// ---- Channels --------------------------------------------------------------

TEST_F(FilesTest, AppendCreatesTheFileThenAddsToItWithCrLf) {
  ASSERT_TRUE(run(cmdAbre, "#1 \"log.txt\" &"));
  EXPECT_EQ(channelWrite(1, "um", true), 0);
  EXPECT_EQ(channelWrite(1, "dois", false), 0);
  EXPECT_EQ(readFile("log.txt"), "um\r\ndois");  // each write reaches the file at once
  ASSERT_TRUE(run(cmdFecha, "#1"));
  ASSERT_TRUE(run(cmdAbre, "#9 \"LOG.TXT\"&"));  // the same file, found without regard to case
  EXPECT_EQ(channelWrite(9, "tres", true), 0);
  closeAllChannels();
  EXPECT_FALSE(fileChannels[9].isOpen);
  EXPECT_EQ(readFile("log.txt"), "um\r\ndoistres\r\n");
  EXPECT_FALSE(pathExists("LOG.TXT"));
  EXPECT_EQ(spoken(), "");
}

TEST_F(FilesTest, ReadsEveryKindOfLineEndAndALastLineWithoutOne) {
  struct Case {
    const char* bytes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r\n\r\nc", {"a", "b", "", "c"}},
      {"\r\n", {""}},
      {"", {}},
  };
  for (const Case& c : cases) {
    writeFile("in.txt", c.bytes);
    ASSERT_TRUE(run(cmdAbre, "#0 \"in.txt\""));
    int status = -1;
    EXPECT_EQ(readAllLines(0, status), c.lines) << c.bytes;
    EXPECT_EQ(status, kIoEndOfFile);
    std::string after = "old";
    EXPECT_EQ(channelReadLine(0, after), kIoEndOfFile);  // stays at the end
    EXPECT_EQ(after, "");
  }
  writeFile("nul.txt", std::string("x\0y\r\nz", 6));
  ASSERT_TRUE(run(cmdAbre, "#0 \"nul.txt\""));
  int status = -1;
  EXPECT_EQ(readAllLines(0, status), (std::vector<std::string>{std::string("x\0y", 3), "z"}));
}

TEST_F(FilesTest, OpeningAnOpenChannelAgainKeepsWhatWasWritten) {
  ASSERT_TRUE(run(cmdAbre, "#4 \"a.txt\" &"));
  ASSERT_EQ(channelWrite(4, "linha", true), 0);
  ASSERT_TRUE(run(cmdAbre, "#4 \"a.txt\""));
  EXPECT_FALSE(fileChannels[4].forWriting);
  std::string line;
  EXPECT_EQ(channelReadLine(4, line), 0);
  EXPECT_EQ(line, "linha");
  // A failed open leaves the channel free, and its earlier file closed.
  ASSERT_TRUE(run(cmdAbre, "#5 \"b.txt\" &"));
  ASSERT_EQ(channelWrite(5, "b", false), 0);
  EXPECT_FALSE(run(cmdAbre, "#5 \"falta.txt\""));
  EXPECT_FALSE(fileChannels[5].isOpen);
  EXPECT_EQ(readFile("b.txt"), "b");
}

TEST_F(FilesTest, OpenFailuresSayWhatWasNamed) {
  mkdir("pasta", 0777);
  struct Case {
    const char* args;
    const char* message;
  };
  const Case cases[] = {
      {"#1 \"falta.txt\"", "Erro na abertura do arquivo falta.txt"},
      {"#1", "Erro na abertura do arquivo "},
      {"#1 \"\" &", "Erro na abertura do arquivo "},
      {"1 \"a.txt\" &", "Erro na abertura do arquivo "},
      {"#1x \"a.txt\" &", "Erro na abertura do arquivo "},
      {"#1 \"pasta\"", "Erro na abertura do arquivo pasta"},
      {"#1 \"pasta\" &", "Erro na abertura do arquivo pasta"},
      {"#1 \"nada\\sub.txt\" &", "Erro na abertura do arquivo nada\\sub.txt"},
      {"#1 \"ação.txt\"", "Erro na abertura do arquivo ação.txt"},
  };
  std::string expected;
  for (const Case& c : cases) {
    EXPECT_FALSE(run(cmdAbre, c.args)) << c.args;
    EXPECT_FALSE(fileChannels[1].isOpen) << c.args;
    expected += std::string("speak ") + c.message + "\n";
  }
  EXPECT_EQ(spoken(), expected);
  EXPECT_FALSE(pathExists("a.txt"));
}

TEST_F(FilesTest, StatusCodesOfChannelReadsAndWrites) {
  writeFile("r.txt", "x\n");
  ASSERT_TRUE(run(cmdAbre, "#1 \"r.txt\""));
  ASSERT_TRUE(run(cmdAbre, "#2 \"w.txt\" &"));
  ASSERT_TRUE(run(cmdAbre, "#3 \"/dev/full\" &"));
  std::string line = "old";
  EXPECT_EQ(channelWrite(1, "x", true), kIoNotForOutput);
  EXPECT_EQ(channelReadLine(2, line), kIoNotForInput);
  EXPECT_EQ(channelWrite(3, "x", true), kIoWriteError);   // disk full
  EXPECT_EQ(channelWrite(3, "x", false), kIoWriteError);  // and again: no stale state hides it
  EXPECT_EQ(channelWrite(7, "x", true), kIoNotOpen);
  EXPECT_EQ(channelReadLine(7, line), kIoNotOpen);
  EXPECT_EQ(line, "");
  EXPECT_EQ(readFile("r.txt"), "x\n");
  // Sockets are the network module's; until it answers, they fail.
  fileChannels[6].isOpen = fileChannels[6].isSocket = true;
  EXPECT_EQ(channelWrite(6, "x", true), 1);
  EXPECT_EQ(channelReadLine(6, line), 1);
  EXPECT_TRUE(run(cmdFecha, "#6"));
  EXPECT_FALSE(fileChannels[6].isOpen || fileChannels[6].isSocket);
}

TEST_F(FilesTest, ChecaStoresTheLastStatus) {
  interp.statusCode = 1;
  EXPECT_TRUE(run(cmdCheca, "$s"));
  EXPECT_EQ(var("$s"), "1");
  interp.statusCode = kIoWriteError;
  EXPECT_TRUE(run(cmdCheca, "s"));
  EXPECT_EQ(var("s"), "101");
  EXPECT_FALSE(run(cmdCheca, "$s x"));
  EXPECT_FALSE(run(cmdCheca, ""));
  EXPECT_FALSE(run(cmdCheca, "\"s\""));
}

TEST_F(FilesTest, FechaAcceptsAClosedChannelButNotAMissingOne) {
  EXPECT_TRUE(run(cmdFecha, "#3"));
  EXPECT_TRUE(run(cmdFecha, "#3 lixo"));
  EXPECT_FALSE(run(cmdFecha, "3"));
  EXPECT_FALSE(run(cmdFecha, ""));
  EXPECT_EQ(spoken(), "speak Erro no fechamento do arquivo\nspeak Erro no fechamento do arquivo\n");
}

// ---- Files -----------------------------------------------------------------

TEST_F(FilesTest, RemoveDeletesFilesOnly) {
  writeFile("a.txt", "a");
  mkdir("pasta", 0777);
  EXPECT_TRUE(run(cmdRemove, "\"A.TXT\""));
  EXPECT_FALSE(pathExists("a.txt"));
  EXPECT_TRUE(run(cmdRemove, "\"nada.txt\" &"));
  EXPECT_FALSE(run(cmdRemove, "\"nada.txt\""));
  EXPECT_FALSE(run(cmdRemove, "\"pasta\""));
  EXPECT_TRUE(pathExists("pasta"));
  EXPECT_FALSE(run(cmdRemove, "\"\""));
  EXPECT_FALSE(run(cmdRemove, "&"));
  EXPECT_EQ(spoken(), "speak Erro no apagamento do arquivo nada.txt\nspeak Erro no apagamento do arquivo pasta\n");
}

TEST_F(FilesTest, RenameNeverReplacesAFile) {
  writeFile("a.txt", "a");
  writeFile("B.txt", "b");
  EXPECT_FALSE(run(cmdRenomeia, "\"a.txt\" \"b.txt\""));  // B.txt is b.txt to a script
  EXPECT_TRUE(run(cmdRenomeia, "\"a.txt\" \"b.txt\" &"));
  EXPECT_EQ(readFile("a.txt"), "a");
  EXPECT_EQ(readFile("B.txt"), "b");
  EXPECT_TRUE(run(cmdRenomeia, "\"a.txt\" \"c.txt\""));
  EXPECT_FALSE(pathExists("a.txt"));
  EXPECT_EQ(readFile("c.txt"), "a");
  EXPECT_FALSE(run(cmdRenomeia, "\"a.txt\" \"d.txt\""));
  EXPECT_TRUE(run(cmdRenomeia, "\"a.txt\" \"d.txt\" &"));
  EXPECT_FALSE(run(cmdRenomeia, "\"c.txt\" \"d.txt\" lixo"));
  EXPECT_TRUE(pathExists("c.txt"));
  EXPECT_EQ(spoken(), "");
}

TEST_F(FilesTest, RenameCanChangeOnlyTheLetterCase) {
  writeFile("carta.txt", "x");
  EXPECT_TRUE(run(cmdRenomeia, "\"carta.txt\" \"Carta.TXT\""));
  EXPECT_EQ(readFile("Carta.TXT"), "x");
  EXPECT_FALSE(pathExists("carta.txt"));
  EXPECT_TRUE(run(cmdRenomeia, "\"Carta.TXT\" \"Carta.TXT\""));
  EXPECT_EQ(readFile("Carta.TXT"), "x");
}

TEST_F(FilesTest, ReplicaCopiesInBlocksAndReplaces) {
  std::string bytes;
  for (int i = 0; i < 70001; i++) bytes += static_cast<char>(i * 7 % 256);
  writeFile("fonte.bin", bytes);
  writeFile("copia.bin", std::string(100000, 'x'));
  EXPECT_TRUE(run(cmdReplica, "\"fonte.bin\" \"copia.bin\""));
  EXPECT_EQ(readFile("copia.bin"), bytes);
  writeFile("vazio", "");
  EXPECT_TRUE(run(cmdReplica, "\"vazio\" \"copia.bin\""));
  EXPECT_EQ(readFile("copia.bin"), "");
  EXPECT_EQ(spoken(), "");
}

TEST_F(FilesTest, ReplicaFailures) {
  writeFile("a.txt", "conteúdo");
  struct Case {
    const char* args;
    bool ok;
  };
  const Case cases[] = {
      {"\"falta.txt\" \"b.txt\"", false},
      {"\"falta.txt\" \"b.txt\" &", true},
      {"\"a.txt\" \"nada\\b.txt\"", false},
      {"\"a.txt\" \"nada\\b.txt\" &", true},
      {"\"a.txt\" \"A.TXT\"", false},  // onto itself: refused, not emptied
      {"\"a.txt\" \"./a.txt\" &", true},
      {"\"a.txt\"", false},
      {"\"a.txt\" \"b.txt\" lixo", false},
      {"\"a.txt\" \"/dev/full\"", false},
      {"\"a.txt\" \"/dev/full\" &", true},
  };
  for (const Case& c : cases) EXPECT_EQ(run(cmdReplica, c.args), c.ok) << c.args;
  EXPECT_EQ(readFile("a.txt"), "conteúdo");
  EXPECT_FALSE(pathExists("b.txt"));
  EXPECT_EQ(spoken(), "speak Erro na escrita de arquivo /dev/full\n");
}

TEST_F(FilesTest, TamarqGivesTheSizeOrMinusOne) {
  writeFile("cinco.txt", "12345");
  writeFile("vazio.txt", "");
  mkdir("pasta", 0777);
  const std::pair<const char*, const char*> cases[] = {
      {"\"cinco.txt\" $t", "5"}, {"\"CINCO.TXT\" $t lixo", "5"}, {"\"vazio.txt\" $t", "0"},
      {"\"falta.txt\" $t", "-1"}, {"\"pasta\" $t", "-1"}, {"\"\" $t", "-1"}};
  for (const auto& [args, size] : cases) {
    interp.statusCode = 0;
    EXPECT_TRUE(run(cmdTamarq, args)) << args;
    EXPECT_EQ(var("$t"), size) << args;
    EXPECT_EQ(interp.statusCode, 0) << args;
  }
  EXPECT_FALSE(run(cmdTamarq, "\"cinco.txt\""));
  EXPECT_FALSE(run(cmdTamarq, "\"cinco.txt\" \"t\""));
}

// ---- Folders ---------------------------------------------------------------

TEST_F(FilesTest, DirCreatesChangesAndRemoves) {
  EXPECT_TRUE(run(cmdDir, "cria \"novo\""));
  EXPECT_FALSE(run(cmdDir, "CRIA \"novo\""));
  EXPECT_TRUE(run(cmdDir, "cria \"novo\" &"));
  EXPECT_TRUE(run(cmdDir, "troca \"NOVO\""));
  EXPECT_EQ(currentFolder(), work + "/novo");
  EXPECT_TRUE(run(cmdDir, "troca \"..\""));
  EXPECT_TRUE(run(cmdDir, "remove \"novo\""));
  EXPECT_FALSE(pathExists("novo"));
  EXPECT_FALSE(run(cmdDir, "Remove \"novo\""));
  EXPECT_FALSE(run(cmdDir, "troca \"novo\""));
  EXPECT_TRUE(run(cmdDir, "troca \"novo\" &"));
  EXPECT_EQ(currentFolder(), work);
  EXPECT_EQ(spoken(),
            "speak Erro no processamento do diretório novo\n"
            "speak Erro no processamento do diretório novo\n"
            "speak Erro no processamento do diretório novo\n");
}

TEST_F(FilesTest, DirRefusesOtherWordsQuietly) {
  mkdir("cheia", 0777);
  writeFile("cheia/x", "");
  EXPECT_FALSE(run(cmdDir, "apaga \"x\""));
  EXPECT_FALSE(run(cmdDir, "cria"));
  EXPECT_FALSE(run(cmdDir, "cria \"a\" \"b\""));
  EXPECT_FALSE(run(cmdDir, "cria &"));
  EXPECT_EQ(spoken(), "");
  EXPECT_FALSE(run(cmdDir, "remove \"cheia\""));  // not empty
  EXPECT_TRUE(pathExists("cheia/x"));
  EXPECT_FALSE(pathExists("a"));
}

// ---- Directory search ------------------------------------------------------

class SearchTest : public FilesTest {
 protected:
  void SetUp() override {
    FilesTest::SetUp();
    mkdir("sub", 0777);
    mkdir("Pasta.mp3", 0777);
    for (const char* f : {"b.mp3", "A.MP3", "c.txt", "LEIAME", ".oculto.mp3", "sub/x.WAV"}) writeFile(f, "");
    mkdir(".git", 0777);
  }
  // The answers of a search and its PRÓXIMO until the empty text.
  std::vector<std::string> answers(const char* start) {
    std::vector<std::string> got;
    EXPECT_TRUE(run(cmdBusca, start)) << start;
    for (int i = 0; i < 20 && !var("$f").empty(); i++) {
      got.push_back(var("$f"));
      EXPECT_TRUE(run(cmdBusca, i % 2 ? "$f próximo" : "$f PROXIMO"));
    }
    return got;
  }
};

using Names = std::vector<std::string>;

TEST_F(SearchTest, FilesInOrderWithoutHiddenOnesOrFolders) {
  EXPECT_EQ(answers("$f \"*.mp3\""), (Names{"A.MP3", "b.mp3"}));
  EXPECT_EQ(answers("$f \"*\""), (Names{"A.MP3", "b.mp3", "c.txt", "LEIAME"}));
  EXPECT_EQ(answers("$f \"*.*\""), (Names{"A.MP3", "b.mp3", "c.txt", "LEIAME"}));
  EXPECT_EQ(answers("$f \"sub\\*.wav\""), (Names{"x.WAV"}));
  EXPECT_EQ(answers("$f \"*.doc\""), Names{});
  EXPECT_EQ(answers("$f \"nada\\*\""), Names{});
  EXPECT_EQ(answers("$f \"sub\\\""), Names{});
}

TEST_F(SearchTest, FolderModeAnswersAnEntryThenFoldersOnly) {
  EXPECT_EQ(answers("$f dir \"*\""), (Names{".", "..", "Pasta.mp3", "sub"}));
  EXPECT_EQ(answers("$f DIR \"*.mp3\""), (Names{"A.MP3", "Pasta.mp3"}));
  EXPECT_EQ(answers("$f dir \"c.*\""), (Names{"c.txt"}));
}

TEST_F(SearchTest, WindowsWildcards) {
  const std::pair<const char*, Names> cases[] = {
      {"?.mp3", {"A.MP3", "b.mp3"}},  {"B.MP?", {"b.mp3"}},        {"c.tx??", {"c.txt"}},
      {"c?.txt", {"c.txt"}},          {"*.", {"LEIAME"}},          {"leiame.*", {"LEIAME"}},
      {"*a*", {"A.MP3", "LEIAME"}},   {"c.t", {}},                 {"?", {}},
      {"**.m*3", {"A.MP3", "b.mp3"}}, {"c.txt", {"c.txt"}},        {"*.mp", {}},
  };
  for (const auto& [mask, names] : cases) {
    std::string start = std::string("$f \"") + mask + "\"";
    EXPECT_EQ(answers(start.c_str()), names) << mask;
  }
}

TEST_F(SearchTest, NamesComeBackAsWindows1252) {
  writeFile("ação.txt", "");
  writeFile("\xff.txt", "");  // not UTF-8: no script could name it
  EXPECT_EQ(answers("$f \"AÇÃO.*\""), (Names{ansi("ação.txt")}));
  EXPECT_EQ(answers("$f \"*.txt\""), (Names{ansi("ação.txt"), "c.txt"}));
}

TEST_F(SearchTest, EndCurrentFolderAndRefusedForms) {
  ASSERT_TRUE(run(cmdBusca, "$f \"*.mp3\""));
  EXPECT_TRUE(run(cmdBusca, "$f fim"));
  EXPECT_TRUE(run(cmdBusca, "$f proximo"));
  EXPECT_EQ(var("$f"), "");
  EXPECT_TRUE(run(cmdBusca, "$d dir"));
  EXPECT_EQ(var("$d"), work);
  EXPECT_TRUE(run(cmdBusca, "$d dir fim"));
  EXPECT_EQ(var("$d"), work);
  EXPECT_FALSE(run(cmdBusca, "$f"));
  EXPECT_FALSE(run(cmdBusca, "\"x\" \"*\""));
  EXPECT_FALSE(run(cmdBusca, "$f proximo x"));
  EXPECT_FALSE(run(cmdBusca, "$f \"*\" x"));
  std::string longest = "$f \"" + std::string(511, '?') + "*\"", tooLong = "$f \"" + std::string(513, '*') + "\"";
  EXPECT_TRUE(cmdBusca(longest));
  EXPECT_FALSE(cmdBusca(tooLong));
  EXPECT_EQ(spoken(), "");
}

}  // namespace
