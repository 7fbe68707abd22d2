// The captured process and process look-up, on the platform's process
// facility.  Owns capturedProcess; nothing ever writes to its input pipe.
#include "services/pipes.h"

#include <cerrno>
#include <unistd.h>

#include "platform/process.h"

namespace {

ChildPipes capturedProcess;

constexpr size_t kPipeReadSize = 65535;

}  // namespace

// An attempt replaces the previous set even when it fails, so a failed start
// leaves nothing of the earlier process to read.
bool startCaptured(const std::string& commandLine) {
  retirePipes(capturedProcess);
  std::vector<std::string> items = splitCommandLine(commandLine);
  if (items.empty()) return false;
  std::string program = findProgram(items[0]);
  items.erase(items.begin());
  return !program.empty() && startProgram(program, hostArguments(items), ".", &capturedProcess);
}

// Every byte read is kept, zero bytes included: a cut at the first one
// would throw away the rest of what was read.
std::string readPipeText(int fd) {
  if (fd < 0) return "";
  static char buffer[kPipeReadSize];
  ssize_t count;
  do count = read(fd, buffer, kPipeReadSize);
  while (count < 0 && errno == EINTR);
  return count > 0 ? std::string(buffer, static_cast<size_t>(count)) : std::string();
}

std::string readCapturedOutput() {
  sweepChildren();
  std::string text = readPipeText(capturedProcess.output);
  if (!text.empty()) text += "\r\n";
  text += readPipeText(capturedProcess.error);
  if (!text.empty()) text += "\r\n";
  return text;
}

bool isProgramRunning(const std::string& name) {
  bool found = false;
  for (const ProcessEntry& process : listProcesses())
    found = found || sameProgramName(process.name, name) || sameProgramName(process.path, name);
  return found;
}
