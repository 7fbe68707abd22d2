// Runs the script cases of tests/scripts/*.cases with the rotela program in
// the headless console and compares the screen, the speech log and the exit
// status with what each case expects.
//
// A case file holds cases like this (UTF-8; scripts and input are turned
// into Windows-1252 before the run):
//   === name
//   <script lines>
//   --- input       (typed keys, as lines)
//   --- screen      (the rows of the final screen; trailing empty rows dropped)
//   --- speech      (the speech log, exactly; trailing empty lines dropped)
//   --- status      (exit status, 0 when absent)
//   --- program     ("fitagrav" runs the recorder instead of the script)
//   --- args        (rotela's arguments instead of "script.cmd")
//   --- file:PATH   (a file made before the run, PATH relative to the run's
//                    folder; c/ is drive c:, config/Ouvino/ the configuration)
//   --- console     ("terminal" instead of the headless console; the screen
//                    is then standard output, CR LF read as LF)
// Lines before the first "===" are comments.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/codepage.h"

namespace fs = std::filesystem;

namespace {

struct ScriptCase {
  std::string name;
  std::map<std::string, std::string> parts;  // "script", "input", "screen", "speech", "status"
};

void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }

std::vector<ScriptCase> parseCases(const fs::path& file) {
  std::vector<ScriptCase> cases;
  std::ifstream in(file);
  std::string line, part;
  while (std::getline(in, line)) {
    if (line.rfind("=== ", 0) == 0) {
      cases.push_back({file.stem().string() + "_" + line.substr(4), {}});
      part = "script";
      cases.back().parts[part];
    } else if (!cases.empty() && line.rfind("--- ", 0) == 0) {
      part = line.substr(4);
      cases.back().parts[part];
    } else if (!cases.empty()) {
      cases.back().parts[part] += line + "\n";
    }
  }
  return cases;
}

std::vector<ScriptCase> allCases() {
  std::vector<ScriptCase> all;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(fs::path(TEST_SOURCE_DIR) / "scripts"))
    if (e.path().extension() == ".cases") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (const auto& f : files)
    for (auto& c : parseCases(f)) all.push_back(std::move(c));
  return all;
}

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

std::string dropTrailingEmptyLines(std::string text) {
  while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\n\n") == 0) text.pop_back();
  if (text == "\n") text.clear();
  return text;
}

// A part's text on one line, without its line end.
std::string part(const ScriptCase& c, const char* name) {
  auto it = c.parts.find(name);
  if (it == c.parts.end()) return "";
  std::string text = it->second;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

std::string withoutCR(const std::string& text) {
  std::string out;
  for (char ch : text)
    if (ch != '\r') out += ch;
  return out;
}

// Script lines end with CR LF, as scripts written on the family's systems do.
std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

class ScriptCaseTest : public testing::TestWithParam<ScriptCase> {};

TEST_P(ScriptCaseTest, Runs) {
  const ScriptCase& c = GetParam();
  fs::path dir = fs::temp_directory_path() / ("rotela-case-" + c.name + "-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "c");
  fs::create_directories(dir / "config");
  writeFile(dir / "script.cmd", crlf(utf8ToAnsi(c.parts.at("script"))));
  writeFile(dir / "input", c.parts.count("input") ? utf8ToAnsi(c.parts.at("input")) : "");
  for (const auto& [name, text] : c.parts) {
    if (name.rfind("file:", 0) != 0) continue;
    fs::path file = dir / name.substr(5);
    fs::create_directories(file.parent_path());
    writeFile(file, crlf(utf8ToAnsi(text)));
  }
  bool recorder = part(c, "program") == "fitagrav";
  std::string args = c.parts.count("args") ? part(c, "args") : "script.cmd";
  std::string program = recorder ? std::string("'") + FITAGRAV_BINARY + "'"
                                 : std::string("'") + ROTELA_BINARY + "' " + args;
  std::string console = c.parts.count("console") ? part(c, "console") : "headless";
  std::string cmd = "cd '" + dir.string() + "' && OUVINO_CONSOLE=" + console + " OUVINO_SPEECH_LOG=speech.log " +
                    "OUVINO_DRIVE_C='" + (dir / "c").string() + "' XDG_CONFIG_HOME='" +
                    (dir / "config").string() + "' " + program + " < input > screen 2> stderr";
  int status = std::system(cmd.c_str());
  int expectedStatus = c.parts.count("status") ? std::atoi(c.parts.at("status").c_str()) : 0;
  EXPECT_EQ(WEXITSTATUS(status), expectedStatus) << readFile(dir / "stderr");
  if (c.parts.count("screen")) {
    EXPECT_EQ(dropTrailingEmptyLines(withoutCR(readFile(dir / "screen"))), dropTrailingEmptyLines(c.parts.at("screen")));
  }
  if (c.parts.count("speech")) {
    EXPECT_EQ(dropTrailingEmptyLines(readFile(dir / "speech.log")), dropTrailingEmptyLines(c.parts.at("speech")));
  }
  if (!HasFailure()) fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptCaseTest, testing::ValuesIn(allCases()),
                         [](const testing::TestParamInfo<ScriptCase>& info) { return info.param.name; });

}  // namespace

namespace {

// The store holds 500000 lines: a longer script is refused with a message
// instead of being cut short or overwriting anything.
TEST(ScriptStore, RefusesScriptsLongerThanTheStore) {
  fs::path dir = fs::temp_directory_path() / ("rotela-long-" + std::to_string(getpid()));
  fs::create_directories(dir);
  for (int lines : {500000, 500001}) {
    std::string text;
    for (int i = 0; i < lines; i++) text += "*\r\n";
    writeFile(dir / "long.cmd", text);
    std::string cmd = "cd '" + dir.string() + "' && OUVINO_CONSOLE=headless '" + ROTELA_BINARY +
                      "' long.cmd < /dev/null > screen 2>&1";
    int status = std::system(cmd.c_str());
    std::string screen = readFile(dir / "screen");
    if (lines == 500000) {
      EXPECT_EQ(WEXITSTATUS(status), 0);
      EXPECT_EQ(screen.rfind("Fim do script", 0), 0u) << screen;
    } else {
      EXPECT_EQ(WEXITSTATUS(status), 1);
      EXPECT_NE(screen.find("500000 linhas"), std::string::npos) << screen;
    }
  }
  fs::remove_all(dir);
}

}  // namespace
