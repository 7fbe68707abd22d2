// set_registry_value FILE KEY VALUE: sets the default value ("@") of a key
// in the registry file (INI form: one section per key).  Other sections and
// lines are kept as they are; the section is matched without regard to case.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

bool isDefaultValue(const std::string& line) {
  std::string t = trim(line);
  return t.size() > 1 && t[0] == '@' && trim(t.substr(1)).rfind('=', 0) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) { std::fprintf(stderr, "usage: set_registry_value FILE KEY VALUE\n"); return 2; }
  std::vector<std::string> lines;
  std::ifstream in(argv[1]);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  std::string head = "[" + std::string(argv[2]) + "]", value = std::string("@=") + argv[3];
  auto section = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return lower(trim(l)) == lower(head); });
  if (section == lines.end()) {
    lines.push_back(head);
    lines.push_back(value);
  } else {
    auto end = std::find_if(section + 1, lines.end(), [](const std::string& l) { return trim(l).rfind('[', 0) == 0; });
    auto old = std::find_if(section + 1, end, isDefaultValue);
    if (old != end) *old = value; else lines.insert(section + 1, value);
  }
  std::ofstream out(argv[1], std::ios::trunc);
  for (const auto& l : lines) out << l << "\r\n";
  return out.flush() ? 0 : 1;
}
