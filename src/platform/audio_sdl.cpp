// The audio facility over SDL2, with SDL's dummy driver behind it, and the
// capture sink that tests listen to.  Owns the two outputs (their block
// queues, devices, capture threads and files) and SDL's audio subsystem.
// Must not touch the console: block-done callbacks run on the audio thread
// and the caller turns them into wake-ups of its own loop.
#include "platform/audio.h"

#include <SDL2/SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/program.h"

namespace {

using Clock = std::chrono::steady_clock;

enum class Sink { None, Sdl, Capture };

struct Block {
  int id;
  std::vector<uint8_t> bytes;
  bool loop;
};

struct Output {
  // Held by the audio thread while it takes bytes and tells of finished
  // blocks, so nothing is told once audioStop has returned; recursive so a
  // block-done callback can queue the next block.
  std::recursive_mutex lock;
  std::deque<Block> queue;
  size_t played = 0;        // bytes of the front block already given out
  unsigned generation = 0;  // bumped by every stop: a chunk in flight was dropped
  int nextId = 0;
  AudioBlockDone onDone = nullptr;
  AudioFormat format;
  Sink sink = Sink::None;
  uint8_t silence = 128;
  SDL_AudioDeviceID device = 0;
  std::thread capture;
  std::condition_variable_any wake;
  bool quitting = false;
  int file = -1;
  std::string fileName;
};

// Never destroyed: a child forked without exec (a death test) inherits a
// capture thread's record but not the thread, and destroying it would abort.
Output* const outputs = new Output[2];
const pid_t ownerProcess = getpid();
bool sdlReady = false;

Output& output(AudioStream stream) { return outputs[stream == AudioStream::Signal ? 1 : 0]; }

size_t frameBytes(const AudioFormat& f) { return static_cast<size_t>(f.channels) * (f.bits / 8); }

bool validFormat(const AudioFormat& f) {
  return f.rate >= 1000 && f.rate <= 192000 && f.channels >= 1 && f.channels <= 8 &&
         (f.bits == 8 || f.bits == 16);
}

bool sameFormat(const AudioFormat& a, const AudioFormat& b) {
  return a.rate == b.rate && a.channels == b.channels && a.bits == b.bits;
}

// Fills out[0, n) from the queue and silence after it; the ids of the blocks
// that ended go to done.  Answers how many bytes came from blocks.
size_t takeBytes(Output& o, uint8_t* out, size_t n, std::vector<int>& done) {
  size_t taken = 0;
  while (taken < n && !o.queue.empty()) {
    Block& block = o.queue.front();
    size_t count = std::min(n - taken, block.bytes.size() - o.played);
    memcpy(out + taken, block.bytes.data() + o.played, count);
    taken += count;
    o.played += count;
    if (o.played < block.bytes.size()) continue;
    o.played = 0;
    if (block.loop) continue;
    done.push_back(block.id);
    o.queue.pop_front();
  }
  memset(out + taken, o.silence, n - taken);
  return taken;
}

void tellDone(Output& o, const std::vector<int>& done) {
  for (int id : done)
    if (o.onDone) o.onDone(id);
}

void dropQueue(Output& o) {
  std::lock_guard<std::recursive_mutex> hold(o.lock);
  o.queue.clear();
  o.played = 0;
  ++o.generation;
}

// --- SDL ---------------------------------------------------------------

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// alsa-lib tells standard error about every missing sound card; a machine
// without one falls back to the dummy driver quietly instead.
void quietAlsa() {
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_NOLOAD);
  if (!alsa) return;
  using SetHandler = int (*)(void (*)(const char*, int, const char*, int, const char*, ...));
  if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) set(ignoreAlsaError);
  dlclose(alsa);
}

bool onDummyDriver() {
  const char* driver = SDL_GetCurrentAudioDriver();
  return driver && strcmp(driver, "dummy") == 0;
}

Output& otherOutput(const Output& o) { return &o == &outputs[0] ? outputs[1] : outputs[0]; }

// Switching drivers closes every device, so the dummy driver is taken only
// while the other output has none open.
bool takeDummyDriver(const Output& o) { return !otherOutput(o).device && SDL_AudioInit("dummy") == 0; }

bool startSdl(const Output& o, bool dummyOnly) {
  if (!sdlReady) {
    if (dummyOnly) SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 && SDL_AudioInit("dummy") != 0) return false;
    quietAlsa();
    sdlReady = true;
  }
  return !dummyOnly || onDummyDriver() || takeDummyDriver(o);
}

void sdlFill(void* user, Uint8* stream, int length) {
  Output& o = *static_cast<Output*>(user);
  std::vector<int> done;
  std::lock_guard<std::recursive_mutex> hold(o.lock);
  takeBytes(o, stream, static_cast<size_t>(length), done);
  tellDone(o, done);
}

SDL_AudioDeviceID openDevice(Output& o) {
  SDL_AudioSpec want{};
  want.freq = o.format.rate;
  want.format = o.format.bits == 16 ? AUDIO_S16LSB : AUDIO_U8;
  want.channels = static_cast<Uint8>(o.format.channels);
  want.samples = 512;  // short, so a stop is heard at once
  want.callback = sdlFill;
  want.userdata = &o;
  return SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
}

bool openSdl(Output& o, bool dummyOnly) {
  if (!startSdl(o, dummyOnly)) return false;
  o.device = openDevice(o);
  if (!o.device && !onDummyDriver() && takeDummyDriver(o)) o.device = openDevice(o);
  if (!o.device) return false;
  o.sink = Sink::Sdl;
  SDL_PauseAudioDevice(o.device, 0);
  return true;
}

// --- capture sink -------------------------------------------------------

// Plays 10 ms at a time against the clock: a block is written when it is
// taken and told done once its last chunk's time has passed.
void runCapture(Output* output) {
  Output& o = *output;
  const size_t frame = frameBytes(o.format);
  const size_t chunkFrames = std::max(1, o.format.rate / 100);
  std::vector<uint8_t> chunk(chunkFrames * frame);
  std::unique_lock<std::recursive_mutex> hold(o.lock);
  Clock::time_point start = Clock::now();
  uint64_t frames = 0;
  while (!o.quitting) {
    if (o.queue.empty()) {
      o.wake.wait(hold, [&] { return o.quitting || !o.queue.empty(); });
      start = Clock::now(), frames = 0;
      continue;
    }
    std::vector<int> done;
    size_t taken = takeBytes(o, chunk.data(), chunk.size(), done);
    ssize_t written = write(o.file, chunk.data(), taken);  // a short write only loses what a test reads
    (void)written;
    unsigned generation = o.generation;
    frames += chunkFrames;
    hold.unlock();
    std::this_thread::sleep_until(start + std::chrono::microseconds(frames * 1000000 / o.format.rate));
    hold.lock();
    if (generation == o.generation) tellDone(o, done);
  }
}

bool openCapture(Output& o, const std::string& fileName) {
  if (o.file >= 0 && o.fileName != fileName) close(o.file), o.file = -1;
  if (o.file < 0) o.file = open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (o.file < 0) return false;
  o.fileName = fileName;
  o.sink = Sink::Capture;
  o.capture = std::thread(runCapture, &o);
  return true;
}

void stopCapture(Output& o) {
  {
    std::lock_guard<std::recursive_mutex> hold(o.lock);
    o.quitting = true;
  }
  o.wake.notify_all();
  o.capture.join();
  o.quitting = false;
}

bool openSink(AudioStream stream, Output& o) {
  std::string choice = programEnv("OUVINO_AUDIO");
  if (choice.rfind("capture:", 0) == 0)
    return openCapture(o, choice.substr(8) + (stream == AudioStream::Signal ? ".signal" : ""));
  if (choice == "none") return false;
  if (!choice.empty() && choice != "sdl" && choice != "dummy")
    fprintf(stderr, "OUVINO_AUDIO=%s is unknown; using SDL\n", choice.c_str());
  return openSdl(o, choice == "dummy");
}

// The program's end stops the audio threads before the rest of the program
// goes; a forked child has none of them to stop.
struct CloseAtExit {
  ~CloseAtExit() {
    if (getpid() != ownerProcess) return;
    audioClose(AudioStream::Wave);
    audioClose(AudioStream::Signal);
  }
} closeAtExit;

}  // namespace

bool audioOpen(AudioStream stream, const AudioFormat& format, AudioBlockDone onBlockDone) {
  Output& o = output(stream);
  if (!validFormat(format)) return false;
  if (o.sink != Sink::None && sameFormat(o.format, format)) {
    std::lock_guard<std::recursive_mutex> hold(o.lock);
    o.onDone = onBlockDone;
    return true;
  }
  audioClose(stream);
  o.format = format;
  o.onDone = onBlockDone;
  o.silence = format.bits == 8 ? 128 : 0;
  return openSink(stream, o);
}

int audioQueue(AudioStream stream, const uint8_t* data, size_t bytes, bool loop) {
  Output& o = output(stream);
  bytes -= bytes % frameBytes(o.format);
  if (o.sink == Sink::None || !data || bytes == 0) return -1;
  std::lock_guard<std::recursive_mutex> hold(o.lock);
  int id = o.nextId;
  o.nextId = id == INT32_MAX ? 0 : id + 1;
  o.queue.push_back({id, std::vector<uint8_t>(data, data + bytes), loop});
  o.wake.notify_all();
  return id;
}

void audioStop(AudioStream stream) { dropQueue(output(stream)); }

bool audioBusy(AudioStream stream) {
  Output& o = output(stream);
  std::lock_guard<std::recursive_mutex> hold(o.lock);
  return !o.queue.empty();
}

// The device or thread goes first: its audio thread may be waiting for the lock.
void audioClose(AudioStream stream) {
  Output& o = output(stream);
  if (o.device) SDL_CloseAudioDevice(o.device);
  if (o.capture.joinable()) stopCapture(o);
  o.device = 0;
  o.sink = Sink::None;
  dropQueue(o);
  o.onDone = nullptr;
}

std::string audioBackendName(AudioStream stream) {
  switch (output(stream).sink) {
    case Sink::Sdl: return std::string("sdl:") + SDL_GetCurrentAudioDriver();
    case Sink::Capture: return "capture";
    default: return "";
  }
}

bool audioOpen(const AudioFormat& format, AudioBlockDone onBlockDone) {
  return audioOpen(AudioStream::Wave, format, onBlockDone);
}
int audioQueue(const uint8_t* data, size_t bytes, bool loop) { return audioQueue(AudioStream::Wave, data, bytes, loop); }
void audioStop() { audioStop(AudioStream::Wave); }
bool audioBusy() { return audioBusy(AudioStream::Wave); }
void audioClose() { audioClose(AudioStream::Wave); }
std::string audioBackendName() { return audioBackendName(AudioStream::Wave); }
