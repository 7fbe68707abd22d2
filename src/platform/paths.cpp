// The translator from Windows names to host paths.  Owns only the cached
// default folder of drive c:; it opens no files of its own beyond the
// directory scans of case-insensitive matching.
#include "platform/paths.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/codepage.h"
#include "platform/program.h"

namespace {

const char* const nowhere = "/dev/null/";   // below a device: nothing can exist

struct SplitName {
    std::string base;                 // host folder the parts hang from; "" = current
    std::vector<std::string> parts;   // ANSI components
    bool rooted = false;              // ".." cannot climb above base
};

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isDriveLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool isDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string joinHost(const std::string& folder, const std::string& part) {
    if (folder.empty()) return part;
    return folder.back() == '/' ? folder + part : folder + "/" + part;
}

// Only a found folder is kept: one installed later is still picked up.
std::string defaultDriveC() {
    static std::string found;
    if (!found.empty()) return found;
    for (const char* below : {"/c", "/../share/fitagrav/c"}) {
        std::string candidate = programFolder() + below;
        if (isDirectory(candidate)) return found = candidate;
    }
    return "";
}

void addPart(SplitName& name, const std::string& part) {
    if (part.empty() || part == ".") return;
    if (part != "..") { name.parts.push_back(part); return; }
    if (!name.parts.empty() && name.parts.back() != "..") name.parts.pop_back();
    else if (!name.rooted) name.parts.push_back(part);
}

void splitParts(SplitName& name, const std::string& rest) {
    size_t start = 0;
    for (size_t i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && !isSeparator(rest[i])) continue;
        addPart(name, rest.substr(start, i - start));
        start = i + 1;
    }
}

std::string driveBase(char letter) {
    std::string folder = driveFolder(letter);
    return folder.empty() ? nowhere + std::string(1, letter) + ":" : folder;
}

SplitName splitName(const std::string& name) {
    SplitName split;
    std::string rest = name;
    split.rooted = true;
    if (name.size() >= 2 && isDriveLetter(name[0]) && name[1] == ':') {
        split.base = driveBase(name[0]);
        rest = name.substr(2);
    } else if (name.compare(0, 2, "\\\\") == 0) {
        split.base = std::string(nowhere) + "unc";
    } else if (name[0] == '\\') {
        split.base = driveBase('c');
    } else if (name[0] == '/') {
        split.base.assign(1, '/');
    } else {
        split.rooted = false;
    }
    splitParts(split, rest);
    return split;
}

std::string hostPathAsWritten(const SplitName& name) {
    std::string path = name.base;
    for (const std::string& part : name.parts) path = joinHost(path, ansiToUtf8(part));
    return path.empty() ? "." : path;
}

// The entry of folder that names part without regard to case; an entry of
// exactly that spelling wins over one that only matches.  Entries with no
// Windows-1252 form cannot be named by a script and are passed over.
bool findEntry(const std::string& folder, const std::string& part, std::string& entry) {
    if (part == "..") { entry = part; return true; }
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return false;
    std::string exact = ansiToUtf8(part);
    entry.clear();
    while (dirent* item = readdir(dir)) {
        std::string hostName = item->d_name, ansi = utf8ToAnsi(hostName);
        if (hostName == "." || hostName == ".." || ansiToUtf8(ansi) != hostName) continue;
        if (!ansiEqualNoCase(ansi, part)) continue;
        if (entry.empty() || hostName == exact) entry = hostName;
        if (hostName == exact) break;
    }
    closedir(dir);
    return !entry.empty();
}

std::string hostPathMatched(const SplitName& name) {
    std::string path = name.base, entry;
    bool matching = true;
    for (const std::string& part : name.parts) {
        matching = matching && findEntry(path, part, entry);
        path = joinHost(path, matching ? entry : ansiToUtf8(part));
    }
    return path.empty() ? "." : path;
}

bool statHost(const std::string& name, mode_t type) {
    struct stat info;
    return stat(hostPath(name).c_str(), &info) == 0 && (info.st_mode & S_IFMT) == type;
}

}  // namespace

std::string hostPath(const std::string& name) {
    std::string cut = name.substr(0, name.find('\0'));
    if (cut.empty()) return "";
    SplitName split = splitName(cut);
    std::string written = hostPathAsWritten(split);
    struct stat info;
    if (stat(written.c_str(), &info) == 0) return written;
    return hostPathMatched(split);
}

std::string driveFolder(char letter) {
    if (!isDriveLetter(letter)) return "";
    char upper = letter >= 'a' ? static_cast<char>(letter - 32) : letter;
    std::string configured = programEnv((std::string("OUVINO_DRIVE_") + upper).c_str());
    if (!configured.empty()) return configured;
    if (upper == 'Z') return "/";
    return upper == 'C' ? defaultDriveC() : "";
}

std::string currentFolder() {
    std::vector<char> buffer(4096);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) return "";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

bool setCurrentFolder(const std::string& name) { return chdir(hostPath(name).c_str()) == 0; }

bool fileExists(const std::string& name) { return statHost(name, S_IFREG); }

bool folderExists(const std::string& name) { return statHost(name, S_IFDIR); }
