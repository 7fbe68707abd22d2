// Windows-style names of scripts and configuration mapped onto the file
// system: "\" and "/" separate, drive letters map to folders, names that do
// not exist as written are matched without regard to letter case.
// Every file operation of the program goes through hostPath.
//
// Names are ANSI (Windows-1252) texts; the host path is UTF-8.
// - "X:\rest" (and drive-relative "X:rest") lies under driveFolder(X).
//   A drive whose folder is unknown maps below "/dev/null/", which is not a
//   folder, so every open, create or mkdir there fails.
// - "\rest" (rooted, no drive) lies on drive c:, the installation's drive.
//   "\\server\share" has no host equivalent and maps like an unknown drive.
// - "/rest" is an absolute host path: no drive mapping.
// - Anything else is relative to the current folder (and stays relative).
// - "." is dropped and ".." removes the component before it, as Windows
//   does, without leaving the drive's folder; leading ".." of a relative
//   name go to the host.
// - A name is cut at a NUL byte, as the Windows calls see it.
#pragma once

#include <string>

// The host path for a Windows or POSIX name (ANSI text in, host bytes out).
// Existing components are found case-insensitively; components that do not
// exist are kept as written (so a file can be created under that name).
std::string hostPath(const std::string& name);
// Host path of the folder that a drive letter stands for ("" when unknown):
// OUVINO_DRIVE_<letter> when set; else "z:" is "/" and "c:" the folder "c"
// beside the program, or <program folder>/../share/fitagrav/c.
std::string driveFolder(char letter);
// Current working folder as a host path.
std::string currentFolder();
bool setCurrentFolder(const std::string& name);
bool fileExists(const std::string& name);     // a regular file (through hostPath)
bool folderExists(const std::string& name);   // a directory (through hostPath)
