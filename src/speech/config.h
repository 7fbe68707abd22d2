// The shared configuration: where Ouvino.ini lives, reading single values
// with the family's path macros, and registry strings (a text file of ours).
// Owns only the legacy lookup flag; every read goes to the file again.
//
// INI files follow the Windows profile calls: sections and keys compare
// without regard to case, the first match wins (also across repeated
// sections), key and value are trimmed, one pair of matching quotes around
// a value is dropped, lines beginning with ";" are comments, values are cut
// at 255 characters (and at a NUL byte).  A file that begins with a UTF-8 BOM
// is taken as UTF-8 and read as ANSI; other files are ANSI already.  A bare
// file name is looked for in the Windows folder, c:\windows.
//
// The registry is the file c:\windows\registry.ini, in the same INI form:
// each key is a section named by its root and path, each REG_SZ value a
// "name=value" line, and "@" names the key's default value:
//     [HKEY_LOCAL_MACHINE\SOFTWARE\TCTS\Mbrola\databases\BR4]
//     @=/usr/share/mbrola/br4/br4
// Only string values exist, with the INI limits above.  When the file has no
// HKEY_CURRENT_USER ...\Explorer\Shell Folders "AppData" value, it answers
// the XDG config home ($XDG_CONFIG_HOME, else ~/.config).
//
// Macros in values: "@" alone is the program's folder, "@@\" the
// configuration folder, "@\" the family's folder OUVINO PGMOUVINO.  A
// PGMOUVINO that uses "@\" itself gets the program's folder there (it is
// expanded one level deep, never through itself), and one value takes at
// most 16 macro rounds, so no value can expand forever.
#pragma once

#include <string>

std::string configFolder();
std::string readIniString(const std::string& section, const std::string& key,
                          const std::string& def, const std::string& file);
std::string readConfigValue(const std::string& section, const std::string& key);
void setLegacyLookup(bool on);

enum class RegistryRoot { CurrentUser, LocalMachine };
bool readRegistryString(RegistryRoot root, const std::string& path, std::string& text);

// The configuration's integer rule: blanks skipped, optional sign, decimal or
// hexadecimal after "$", "x", "X" or "0x"; stops at the first other character.
// Returns false (the error flag) when something other than a whole number was seen.
bool configInteger(const std::string& text, int& value);
