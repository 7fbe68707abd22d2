// A child for the process tests.
//   exec_helper args A B ...          prints each argument on a line of its own
//   exec_helper args-to FILE A B ...  the same into FILE
//   exec_helper sleep SECONDS         says "ready" and sleeps; SIGINT ends it with status 3
//   exec_helper stubborn SECONDS      the same, ignoring SIGINT
//   exec_helper flood BYTES [FILE]    writes BYTES to standard output, then "done" to standard
//                                     error (or into FILE)
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

static void printArguments(FILE* out, int first, int argc, char** argv) {
  for (int i = first; i < argc; i++) std::fprintf(out, "%s\n", argv[i]);
}

static void onInterrupt(int) { _exit(3); }

static int flood(long bytes, const char* doneFile) {
  static char block[65536];
  std::memset(block, 'x', sizeof block);
  for (long left = bytes; left > 0;) {
    ssize_t n = write(1, block, left < static_cast<long>(sizeof block) ? left : sizeof block);
    if (n <= 0) return 1;
    left -= n;
  }
  FILE* done = doneFile ? std::fopen(doneFile, "w") : stderr;
  if (!done) return 1;
  std::fputs("done", done);
  return std::fclose(done) == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "args") printArguments(stdout, 2, argc, argv);
  if (mode == "args-to" && argc > 2) {
    FILE* out = std::fopen(argv[2], "w");
    if (!out) return 1;
    printArguments(out, 3, argc, argv);
    std::fclose(out);
  }
  if (mode == "sleep" || mode == "stubborn") {
    std::signal(SIGINT, mode == "sleep" ? onInterrupt : SIG_IGN);
    std::puts("ready");
    std::fflush(stdout);
    for (int left = argc > 2 ? std::atoi(argv[2]) : 1; left > 0; left = sleep(left)) {}
  }
  if (mode == "flood") return flood(argc > 2 ? std::atol(argv[2]) : 0, argc > 3 ? argv[3] : nullptr);
  return 0;
}
