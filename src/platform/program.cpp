// The program's command-line parameters and the folder of its executable.
// Owns the stored parameters and the cached folder; it touches nothing else.
#include "platform/program.h"

#include <cstdlib>
#include <unistd.h>

#include "platform/codepage.h"

namespace {

std::vector<std::string> parameters;
std::string launchName;      // argv[0], for when /proc is not mounted
std::string executableFolder;

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// The kernel marks an executable replaced while running (a rebuild) with this
// suffix; its folder is still the one we were started from.
std::string withoutDeletedMark(std::string path) {
    const std::string mark = " (deleted)";
    if (path.size() > mark.size() && path.compare(path.size() - mark.size(), mark.size(), mark) == 0)
        path.resize(path.size() - mark.size());
    return path;
}

std::string executablePath() {
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length > 0 && static_cast<size_t>(length) < sizeof buffer)
        return withoutDeletedMark(std::string(buffer, length));
    return launchName;
}

}  // namespace

void programSetArguments(int argc, char** argv) {
    parameters.clear();
    if (argc > 0 && argv[0]) launchName = argv[0];
    for (int i = 1; i < argc; ++i) parameters.push_back(utf8ToAnsi(argv[i] ? argv[i] : ""));
}

const std::vector<std::string>& programParameters() { return parameters; }

// The executable cannot move while we run, so one look-up serves every call
// (drive c: asks for it on every file operation).
std::string programFolder() {
    if (executableFolder.empty()) executableFolder = folderOf(executablePath());
    return executableFolder;
}

// The raw host bytes of the variable: callers use these as host paths.
std::string programEnv(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}
