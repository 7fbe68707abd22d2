// rotela: the family's general interpreter, running the lines of a script
// file named on the command line or asked for at start.
#include <fstream>
#include <iterator>

#include "console/services.h"
#include "interpreter/entry.h"
#include "interpreter/store.h"
#include "interpreter/text.h"
#include "platform/paths.h"
#include "platform/program.h"

// Lines end with LF or CR LF; a last line without an end counts too.
static std::vector<std::string> splitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    size_t stop = (end > start && bytes[end - 1] == '\r') ? end - 1 : end;
    lines.push_back(bytes.substr(start, stop - start));
    start = end + 1;
  }
  return lines;
}

static bool readScriptFile(const std::string& name, std::string& bytes) {
  if (name.empty() || !fileExists(name)) return false;
  std::ifstream in(hostPath(name), std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

static std::string askScriptName() {
  showMessage("SCNOMARQ", 0);
  return readLineSpoken();
}

int main(int argc, char** argv) {
  startRuntime(argc, argv);
  initInterpreter("rotela");
  const auto& params = programParameters();
  std::string name = params.empty() ? askScriptName() : params[0];
  std::string bytes;
  if (!readScriptFile(name, bytes)) {
    showMessage("SCARQNAO", 1);
    return finishRuntime(1);
  }
  if (!storeScript(splitLines(bytes))) {
    sayLine(ansi("Script longo demais: o limite é de 500000 linhas"));
    return finishRuntime(1);
  }
  return finishRuntime(reportOutcome());
}
