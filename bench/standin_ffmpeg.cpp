// A stand-in for ffmpeg in the recorder timing benchmark: it writes, into
// the file named by its last argument, the wall-clock time (as the clock it
// runs under tells it) when it started and when it was told to stop.
#include <csignal>
#include <cstdio>
#include <ctime>
#include <unistd.h>

static volatile sig_atomic_t stopRequested = 0;

static void onStop(int) { stopRequested = 1; }

static double wallClock() {
  timespec t;
  clock_gettime(CLOCK_REALTIME, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

int main(int argc, char** argv) {
  double started = wallClock();
  signal(SIGINT, onStop);
  signal(SIGTERM, onStop);
  std::FILE* log = argc > 1 ? std::fopen(argv[argc - 1], "w") : nullptr;
  if (!log) return 1;
  std::fprintf(log, "start %.3f\n", started);
  std::fflush(log);
  while (!stopRequested) pause();
  std::fprintf(log, "stop %.3f\n", wallClock());
  std::fclose(log);
  return 0;
}
