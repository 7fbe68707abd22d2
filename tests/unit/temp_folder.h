// A fresh folder under /tmp that a test works in (the current folder while
// it lives), and whole-file helpers for what the code under test leaves.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/paths.h"

struct TempFolder {
  std::string root;      // the folder made
  std::string work;      // the current folder: root, or the subfolder asked for
  std::string previous;  // the current folder before

  bool enter(const std::string& prefix, const char* subfolder = nullptr) {
    std::string pattern = "/tmp/" + prefix + "_XXXXXX";
    if (!mkdtemp(pattern.data())) return false;
    root = work = pattern;
    if (subfolder) work += std::string("/") + subfolder;
    previous = currentFolder();
    return (!subfolder || mkdir(work.c_str(), 0777) == 0) && chdir(work.c_str()) == 0;
  }
  bool leave() {
    return chdir(previous.c_str()) == 0 && std::system(("rm -rf '" + root + "'").c_str()) == 0;
  }
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline bool pathExists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}
