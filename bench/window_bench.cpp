// Writing to the console window against writing to the grid alone: 10,000
// lines of 80 characters through the program's standard output (each write
// followed by the pump, as the program's write statement does) to the
// window backend on SDL's dummy video driver, and to the headless console.
// Reports lines per second, the window's share of the grid's speed, and
// what one full repaint costs (the window shows at most one a frame).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "console/backend.h"
#include "console/console.h"
#include "platform/console_window.h"
#include "platform/terminal_input.h"

namespace {

constexpr int kLines = 10000;

// Every line differs from its neighbours, so no repaint can be skipped.
std::string line(int n) {
  std::string text = "linha " + std::to_string(n) + " ";
  while (text.size() < 80) text += static_cast<char>('a' + (text.size() + n) % 26);
  return text + "\r\n";
}

int framesShown = 0;

double linesPerSecond(const ConsoleBackend& backend) {
  std::vector<std::string> lines;
  for (int n = 0; n < kLines; ++n) lines.push_back(line(n));
  consoleSetBackend(&backend);
  clearScreen();
  auto start = std::chrono::steady_clock::now();
  for (const std::string& text : lines) writeTextToConsole(text);
  if (backend.wait) backend.wait(0);  // the last lines shown too
  std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  framesShown = windowFramesShown();
  if (&backend == &windowConsoleBackend) backend.shutdown();
  return kLines / took.count();
}

// What one frame costs when every cell changed: the window's slowest show.
double fullRepaintMs() {
  consoleSetBackend(&windowConsoleBackend);
  openConsole();
  constexpr int kRepaints = 100;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRepaints; ++i) windowConsoleBackend.repaintAll();
  std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  windowConsoleBackend.shutdown();
  return took.count() / kRepaints;
}

void useSettings(const std::string& folder, const char* slow) {
  std::string ini = folder + "/Ouvino/Ouvino.ini";
  FILE* file = fopen(ini.c_str(), "w");
  if (!file) return;
  fprintf(file, "[VIDEO]\nLENTO=%s\n", slow);
  fclose(file);
}

}  // namespace

int main() {
  char pattern[] = "/tmp/window_bench_XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  std::string folder = pattern;
  mkdir((folder + "/Ouvino").c_str(), 0700);
  mkdir((folder + "/c").c_str(), 0700);
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  setenv("OUVINO_DRIVE_C", (folder + "/c").c_str(), 1);
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  keyInputUseDescriptor(-1);  // no keys wanted: standard input stays as it is

  double grid = linesPerSecond(headlessConsoleBackend);
  printf("window_bench: %d lines of 80 characters\n", kLines);
  printf("  headless grid           %10.0f lines/s\n", grid);
  bool met = true;
  for (const char* slow : {"N", "S"}) {
    useSettings(folder, slow);
    double window = linesPerSecond(windowConsoleBackend);
    printf("  window, LENTO=%s         %10.0f lines/s   %.2f of the grid (goal 0.25), %d frames shown\n", slow,
           window, window / grid, framesShown);
    met = met && window / grid >= 0.25;
  }
  printf("  goal %s; one full repaint of the window takes %.2f ms\n", met ? "met" : "NOT met", fullRepaintMs());
  std::system(("rm -rf '" + folder + "'").c_str());
  return 0;
}
