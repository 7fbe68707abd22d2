// The shared configuration file, its path macros, the registry file and the
// configuration's integer rule.  Owns the legacy lookup flag; it only reads
// files, and only through hostPath.
#include "speech/config.h"

#include <cstdint>
#include <cstdio>

#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/program.h"

namespace {

bool legacyLookup = true;   // until the configuration itself says otherwise

const size_t valueLimit = 255;
const int macroRoundLimit = 16;
const std::string windowsFolder = "c:\\windows";
const std::string appDataValue =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\AppData";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string trimmed(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && isBlank(text[first])) ++first;
    while (last > first && isBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::string unquoted(const std::string& value) {
    bool quoted = value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0];
    return quoted ? value.substr(1, value.size() - 2) : value;
}

std::string readWholeFile(const std::string& file) {
    bool bare = file.find_first_of("\\/:") == std::string::npos;
    std::FILE* stream = std::fopen(hostPath(bare ? windowsFolder + "\\" + file : file).c_str(), "rb");
    std::string text;
    if (!stream) return text;
    char buffer[65536];
    while (size_t count = std::fread(buffer, 1, sizeof buffer, stream)) text.append(buffer, count);
    std::fclose(stream);
    return text;
}

std::string iniText(const std::string& file) {
    std::string text = readWholeFile(file);
    const std::string bom = "\xEF\xBB\xBF";
    return text.compare(0, bom.size(), bom) == 0 ? utf8ToAnsi(text.substr(bom.size())) : text;
}

// A "[" without its "]" starts no section; the keys after it stay in the
// section before.
bool sectionHeader(const std::string& line, std::string& name) {
    size_t close = line.rfind(']');
    if (line.empty() || line[0] != '[' || close == std::string::npos) return false;
    name = trimmed(line.substr(1, close - 1));
    return true;
}

bool keyValue(const std::string& line, const std::string& key, std::string& value) {
    size_t equals = line.find('=');
    if (line[0] == ';' || equals == std::string::npos) return false;
    if (!ansiEqualNoCase(trimmed(line.substr(0, equals)), key)) return false;
    value = unquoted(trimmed(line.substr(equals + 1)));
    value = value.substr(0, value.find('\0')).substr(0, valueLimit);
    return true;
}

bool findIniValue(const std::string& text, const std::string& section, const std::string& key,
                  std::string& value) {
    bool inSection = false;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = trimmed(text.substr(start, end - start)), name;
        start = end + 1;
        if (sectionHeader(line, name)) inSection = ansiEqualNoCase(name, section);
        else if (inSection && !line.empty() && keyValue(line, key, value)) return true;
    }
    return false;
}

bool xdgConfigHome(std::string& folder) {
    std::string configured = programEnv("XDG_CONFIG_HOME"), home = programEnv("HOME");
    if (!configured.empty() && configured[0] == '/') folder = utf8ToAnsi(configured);
    else if (!home.empty()) folder = utf8ToAnsi(home + "/.config");
    return !folder.empty();
}

std::string programFolderAnsi() { return utf8ToAnsi(programFolder()); }

std::string readConfigValueAt(const std::string& section, const std::string& key, int depth);

// Inside the expansion of PGMOUVINO itself its "@\" is the program's folder.
std::string familyFolder(int depth) {
    std::string family = depth == 0 ? readConfigValueAt("OUVINO", "PGMOUVINO", 1) : "";
    return family.empty() || family[0] == '@' ? programFolderAnsi() : family;
}

std::string expandMacros(std::string value, int depth) {
    for (int round = 0; round < macroRoundLimit; ++round) {
        if (value == "@") return programFolderAnsi();
        size_t at = value.find("@@\\");
        if (at != std::string::npos) value.replace(at, 2, configFolder());
        at = value.find("@\\");
        if (at == std::string::npos) return value;
        value.replace(at, 1, familyFolder(depth));
    }
    return value;
}

std::string readConfigValueAt(const std::string& section, const std::string& key, int depth) {
    std::string value = readIniString(section, key, "", configFolder() + "\\Ouvino.ini");
    if (value.empty() && legacyLookup) value = readIniString(section, key, "", "Ouvino.ini");
    return expandMacros(value, depth);
}

int digitValue(char c, int base) {
    if (c >= '0' && c <= '9') return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool hexPrefix(const std::string& text, size_t& at) {
    char c = at < text.size() ? text[at] : '\0';
    if (c == '$' || c == 'x' || c == 'X') { at += 1; return true; }
    bool zeroX = c == '0' && at + 1 < text.size() && (text[at + 1] == 'x' || text[at + 1] == 'X');
    if (zeroX) at += 2;
    return zeroX;
}

// Decimal numbers must fit a signed 32-bit integer; hexadecimal ones are a
// 32-bit pattern.  A digit that would overflow ends the number like any
// other character.
bool readDigits(const std::string& text, size_t& at, int base, bool negative, int& value) {
    uint64_t limit = base == 16 ? 0xFFFFFFFFu : 2147483647u + (negative ? 1u : 0u), number = 0;
    size_t first = at;
    for (; at < text.size(); ++at) {
        int digit = digitValue(text[at], base);
        if (digit < 0 || number * base + digit > limit) break;
        number = number * base + digit;
    }
    uint32_t pattern = static_cast<uint32_t>(number);
    value = static_cast<int32_t>(negative ? 0u - pattern : pattern);
    return at > first;
}

}  // namespace

std::string configFolder() {
    std::string appData;
    readRegistryString(RegistryRoot::CurrentUser, appDataValue, appData);
    std::string folder = appData + "\\Ouvino";
    if (!fileExists(folder + "\\Ouvino.ini") && fileExists(windowsFolder + "\\Ouvino.ini")) return windowsFolder;
    return folder;
}

std::string readIniString(const std::string& section, const std::string& key,
                          const std::string& def, const std::string& file) {
    std::string value;
    return findIniValue(iniText(file), section, key, value) ? value : def;
}

std::string readConfigValue(const std::string& section, const std::string& key) {
    return readConfigValueAt(section, key, 0);
}

void setLegacyLookup(bool on) { legacyLookup = on; }

bool readRegistryString(RegistryRoot root, const std::string& path, std::string& text) {
    text.clear();
    size_t slash = path.rfind('\\');
    if (slash == std::string::npos) return false;
    std::string rootName = root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
    std::string valueName = path.substr(slash + 1);
    std::string registry = iniText(windowsFolder + "\\registry.ini");
    if (findIniValue(registry, rootName + "\\" + path.substr(0, slash), valueName.empty() ? "@" : valueName, text))
        return true;
    return root == RegistryRoot::CurrentUser && ansiEqualNoCase(path, appDataValue) && xdgConfigHome(text);
}

bool configInteger(const std::string& text, int& value) {
    size_t at = 0;
    while (at < text.size() && text[at] == ' ') ++at;
    bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    bool hex = hexPrefix(text, at);
    bool digits = readDigits(text, at, hex ? 16 : 10, negative, value);
    return digits && at == text.size();
}
