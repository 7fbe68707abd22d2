// Starting, finding, reaping and listing processes.  Owns the pids of the
// children it started (until they are reaped) and the retired read ends of
// captured children (until their writers close them).  Children are reaped
// by sweeps instead of a SIGCHLD handler, so no signal disposition of the
// process changes and waits of other modules on their own children still
// work.
#include "platform/process.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/program.h"

extern char** environ;

namespace {

std::vector<pid_t> children;
std::vector<int> retiredEnds;

// ---- Splitting command lines ----

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// A run of backslashes: before a quote they are halved and an odd one makes
// the quote literal; elsewhere they are kept as they are.  An even run
// leaves its quote for the caller, where it groups.
void readBackslashes(const std::string& text, size_t& i, std::string& item) {
    size_t count = 0;
    while (i < text.size() && text[i] == '\\') { ++count; ++i; }
    bool beforeQuote = i < text.size() && text[i] == '"';
    item.append(beforeQuote ? count / 2 : count, '\\');
    if (beforeQuote && count % 2 == 1) { item += '"'; ++i; }
}

std::string readArgument(const std::string& text, size_t& i) {
    std::string item;
    bool grouped = false;
    while (i < text.size() && (grouped || !isBlank(text[i]))) {
        if (text[i] == '\\') { readBackslashes(text, i, item); continue; }
        if (text[i] != '"') { item += text[i++]; continue; }
        bool doubled = grouped && i + 1 < text.size() && text[i + 1] == '"';
        if (doubled) item += '"';
        else grouped = !grouped;
        i += doubled ? 2 : 1;
    }
    return item;
}

std::string readProgramName(const std::string& text, size_t& i) {
    std::string name;
    bool grouped = false;
    for (; i < text.size() && (grouped || !isBlank(text[i])); ++i) {
        if (text[i] == '"') grouped = !grouped;
        else name += text[i];
    }
    return name;
}

void skipBlanks(const std::string& text, size_t& i) {
    while (i < text.size() && isBlank(text[i])) ++i;
}

// ---- Finding programs ----

bool isDirectory(const std::string& host) {
    struct stat info;
    return stat(host.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isExecutableFile(const std::string& host) {
    struct stat info;
    return stat(host.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(host.c_str(), X_OK) == 0;
}

// Host folder of a host path ("." for a bare name).
std::string folderOf(const std::string& host) {
    size_t slash = host.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : host.substr(0, slash);
}

// A child may start in another folder: its program must not depend on ours.
std::string absoluteHost(const std::string& host) {
    return host.empty() || host[0] == '/' ? host : currentFolder() + "/" + host;
}

bool hasExeSuffix(const std::string& name) {
    return name.size() > 4 && ansiEqualNoCase(name.substr(name.size() - 4), ".exe");
}

std::vector<std::string> nameVariants(const std::string& name) {
    if (hasExeSuffix(name)) return {name, name.substr(0, name.size() - 4)};
    return {name, name + ".exe"};
}

bool namesAFolder(const std::string& name) {
    return name.find_first_of("\\/") != std::string::npos || (name.size() >= 2 && name[1] == ':');
}

// The exact spelling first; a scan of the folder only when that misses.
std::string findInFolder(const std::string& folder, const std::vector<std::string>& variants) {
    for (const std::string& variant : variants)
        if (isExecutableFile(folder + "/" + ansiToUtf8(variant))) return folder + "/" + ansiToUtf8(variant);
    std::string found;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return found;
    while (dirent* item = readdir(dir)) {
        std::string entry = utf8ToAnsi(item->d_name);
        bool named = std::any_of(variants.begin(), variants.end(),
                                 [&](const std::string& v) { return ansiEqualNoCase(entry, v); });
        if (named && isExecutableFile(folder + "/" + item->d_name)) { found = folder + "/" + item->d_name; break; }
    }
    closedir(dir);
    return found;
}

// The program's folder, then PATH.  Empty PATH entries (the current folder)
// are left out: a file dropped where the user works must not pass for a
// program.
std::vector<std::string> searchFolders() {
    std::vector<std::string> folders = {programFolder()};
    std::string path = programEnv("PATH");
    if (path.empty()) path = "/usr/local/bin:/usr/bin:/bin";
    for (size_t start = 0, end; start <= path.size(); start = end + 1) {
        end = std::min(path.find(':', start), path.size());
        if (end > start) folders.push_back(path.substr(start, end - start));
    }
    return folders;
}

// ---- Starting ----

struct SpawnSetup {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
};

// Own session (no terminal, out of reach of the terminal's Ctrl+C), every
// signal back to its default and none blocked, whatever this process set.
bool initSpawn(SpawnSetup& setup, const std::string& hostFolder) {
    sigset_t all, none;
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    sigemptyset(&none);
    posix_spawnattr_init(&setup.attributes);
    posix_spawn_file_actions_init(&setup.actions);
    short flags = POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    bool ok = posix_spawnattr_setflags(&setup.attributes, flags) == 0 &&
              posix_spawnattr_setsigdefault(&setup.attributes, &all) == 0 &&
              posix_spawnattr_setsigmask(&setup.attributes, &none) == 0;
    if (ok && hostFolder != "." && !hostFolder.empty())
        ok = posix_spawn_file_actions_addchdir_np(&setup.actions, hostFolder.c_str()) == 0;
    return ok;
}

void freeSpawn(SpawnSetup& setup) {
    posix_spawnattr_destroy(&setup.attributes);
    posix_spawn_file_actions_destroy(&setup.actions);
}

bool redirectToNull(posix_spawn_file_actions_t& actions) {
    return posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
           posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0) == 0 &&
           posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0) == 0;
}

bool redirectToPipes(posix_spawn_file_actions_t& actions, const int childEnds[3]) {
    for (int fd = 0; fd < 3; ++fd)
        if (posix_spawn_file_actions_adddup2(&actions, childEnds[fd], fd) != 0) return false;
    return true;
}

void closeFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// When this process runs without standard handles a new pipe could land on
// 0-2 and be overwritten by the child's redirection; keep them above.
int aboveStandardHandles(int fd) {
    if (fd < 0 || fd > 2) return fd;
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    return moved;
}

bool makePipe(int& readEnd, int& writeEnd) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return false;
    readEnd = aboveStandardHandles(ends[0]);
    writeEnd = aboveStandardHandles(ends[1]);
    return readEnd >= 0 && writeEnd >= 0;
}

bool makePipes(ChildPipes& parent, int childEnds[3]) {
    bool ok = makePipe(childEnds[0], parent.input) && makePipe(parent.output, childEnds[1]) &&
              makePipe(parent.error, childEnds[2]);
    return ok && fcntl(parent.output, F_SETFL, O_NONBLOCK) == 0 && fcntl(parent.error, F_SETFL, O_NONBLOCK) == 0;
}

void closePipes(ChildPipes& pipes) {
    closeFd(pipes.input);
    closeFd(pipes.output);
    closeFd(pipes.error);
}

bool spawnChild(SpawnSetup& setup, const std::vector<std::string>& argv, pid_t& pid) {
    std::vector<char*> pointers;
    for (const std::string& item : argv) pointers.push_back(const_cast<char*>(item.c_str()));
    pointers.push_back(nullptr);
    // Nothing this process holds open leaks into the child.
    if (posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3) != 0) return false;
    return posix_spawn(&pid, argv[0].c_str(), &setup.actions, &setup.attributes, pointers.data(), environ) == 0;
}

// Our ends of the pipes land in *parent; with none the child gets /dev/null.
bool spawnWith(const std::vector<std::string>& argv, const std::string& hostFolder, ChildPipes* parent, pid_t& pid) {
    SpawnSetup setup;
    int childEnds[3] = {-1, -1, -1};
    bool ok = initSpawn(setup, hostFolder) &&
              (parent ? makePipes(*parent, childEnds) && redirectToPipes(setup.actions, childEnds)
                      : redirectToNull(setup.actions)) &&
              spawnChild(setup, argv, pid);
    freeSpawn(setup);
    for (int& fd : childEnds) closeFd(fd);
    if (!ok && parent) closePipes(*parent);
    return ok;
}

// ---- Sweeping ----

bool reaped(pid_t pid) {
    int status;
    pid_t result;
    do result = waitpid(pid, &status, WNOHANG);
    while (result < 0 && errno == EINTR);
    return result == pid || (result < 0 && errno == ECHILD);
}

// Reads what is waiting, a bounded amount so a child that writes without end
// cannot hold the sweep.  True when the end is finished with and closed.
bool drained(int fd) {
    static char sink[65536];
    for (int round = 0; round < 16; ++round) {
        ssize_t count = read(fd, sink, sizeof sink);
        if (count > 0 || (count < 0 && errno == EINTR)) continue;
        if (count < 0 && errno == EAGAIN) return false;
        close(fd);
        return true;
    }
    return false;
}

// ---- /proc ----

std::string readProcFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string withoutDeletedMark(std::string path) {
    const std::string mark = " (deleted)";
    if (path.size() > mark.size() && path.compare(path.size() - mark.size(), mark.size(), mark) == 0)
        path.resize(path.size() - mark.size());
    return path;
}

// The executable; for processes whose link cannot be read (kernel threads,
// other users' processes) the first word of the command, else the short name.
std::string executableOf(const std::string& procDir) {
    char buffer[4096];
    ssize_t length = readlink((procDir + "/exe").c_str(), buffer, sizeof buffer);
    if (length > 0 && static_cast<size_t>(length) < sizeof buffer)
        return withoutDeletedMark(std::string(buffer, length));
    std::string command = readProcFile(procDir + "/cmdline");
    command = command.substr(0, command.find('\0'));
    if (!command.empty()) return command;
    std::string shortName = readProcFile(procDir + "/comm");
    while (!shortName.empty() && shortName.back() == '\n') shortName.pop_back();
    return shortName;
}

// The fields of /proc/PID/stat after the command name: state, parent and
// (the 20th) the start time.  False for a zombie or a dead entry.
bool readStatFields(const std::string& stat, ProcessEntry& entry) {
    size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos || nameEnd + 2 >= stat.size()) return false;
    char state = stat[nameEnd + 2];
    if (state == 'Z' || state == 'X' || state == 'x') return false;
    char* end;
    entry.parent = static_cast<pid_t>(std::strtol(stat.c_str() + nameEnd + 3, &end, 10));
    for (int skip = 0; skip < 17 && *end; ++skip) std::strtoull(end, &end, 10);
    entry.startTime = std::strtoull(end, &end, 10);
    return true;
}

std::string fileNamePart(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string upperAZ(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return text;
}

// An address is a scheme of two or more characters and a colon ("c:" is a drive).
bool isAddress(const std::string& target) {
    size_t colon = target.find(':');
    if (colon == std::string::npos || colon < 2 || !std::isalpha(static_cast<unsigned char>(target[0]))) return false;
    return std::all_of(target.begin(), target.begin() + colon, [](unsigned char c) {
        return std::isalnum(c) || c == '+' || c == '-' || c == '.';
    });
}

}  // namespace

std::vector<std::string> splitArguments(const std::string& text) {
    std::vector<std::string> items;
    size_t i = 0;
    for (skipBlanks(text, i); i < text.size(); skipBlanks(text, i)) items.push_back(readArgument(text, i));
    return items;
}

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
    size_t i = 0;
    skipBlanks(commandLine, i);
    if (i >= commandLine.size()) return {};
    std::vector<std::string> items = {readProgramName(commandLine, i)};
    for (std::string& item : splitArguments(commandLine.substr(i))) items.push_back(std::move(item));
    return items;
}

std::string findProgram(const std::string& name) {
    if (name.empty()) return "";
    std::vector<std::string> variants = nameVariants(name);
    if (namesAFolder(name)) {
        for (const std::string& variant : variants) {
            std::string host = hostPath(variant);
            if (isExecutableFile(host)) return absoluteHost(host);
        }
        return "";
    }
    for (const std::string& folder : searchFolders()) {
        std::string found = findInFolder(folder, variants);
        if (!found.empty()) return absoluteHost(found);
    }
    return "";
}

std::string hostArgument(const std::string& argument) {
    if (argument.find('\\') == std::string::npos) return ansiToUtf8(argument);
    std::string host = hostPath(argument);
    return !host.empty() && isDirectory(folderOf(host)) ? host : ansiToUtf8(argument);
}

std::vector<std::string> hostArguments(const std::vector<std::string>& arguments) {
    std::vector<std::string> host;
    for (const std::string& argument : arguments) host.push_back(hostArgument(argument));
    return host;
}

bool startProgram(const std::string& hostProgram, const std::vector<std::string>& arguments,
                  const std::string& hostFolder, ChildPipes* pipes) {
    sweepChildren();
    std::vector<std::string> argv = {hostProgram};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ChildPipes parent;
    pid_t pid = -1;
    if (!spawnWith(argv, hostFolder, pipes ? &parent : nullptr, pid)) return false;
    children.push_back(pid);
    parent.pid = pid;
    if (pipes) *pipes = parent;
    return true;
}

bool openDocument(const std::string& target) {
    std::string opener = findProgram("xdg-open"), host;
    if (opener.empty() || target.empty()) return false;
    if (isAddress(target)) host = ansiToUtf8(target);
    else if (fileExists(target) || folderExists(target)) host = absoluteHost(hostPath(target));
    else return false;
    return startProgram(opener, {host}, ".", nullptr);
}

void retirePipes(ChildPipes& pipes) {
    closeFd(pipes.input);
    for (int fd : {pipes.output, pipes.error})
        if (fd >= 0) retiredEnds.push_back(fd);
    pipes = ChildPipes();
}

void sweepChildren() {
    std::erase_if(children, reaped);
    std::erase_if(retiredEnds, drained);
}

size_t unreapedChildCount() { return children.size(); }

bool readProcess(pid_t pid, ProcessEntry& entry) {
    std::string dir = "/proc/" + std::to_string(pid);
    struct stat info;
    if (!readStatFields(readProcFile(dir + "/stat"), entry) || stat(dir.c_str(), &info) != 0) return false;
    entry.pid = pid;
    entry.owner = info.st_uid;
    entry.path = utf8ToAnsi(executableOf(dir));
    entry.name = fileNamePart(entry.path);
    return true;
}

std::vector<ProcessEntry> listProcesses() {
    sweepChildren();
    std::vector<ProcessEntry> processes;
    DIR* dir = opendir("/proc");
    if (!dir) return processes;
    while (dirent* item = readdir(dir)) {
        char* end;
        long pid = std::strtol(item->d_name, &end, 10);
        ProcessEntry entry;
        if (*end == '\0' && pid > 0 && readProcess(static_cast<pid_t>(pid), entry)) processes.push_back(entry);
    }
    closedir(dir);
    return processes;
}

bool sameProgramName(const std::string& a, const std::string& b) {
    std::string x = upperAZ(a), y = upperAZ(b);
    if (hasExeSuffix(x)) x.resize(x.size() - 4);
    if (hasExeSuffix(y)) y.resize(y.size() - 4);
    return x == y;
}
