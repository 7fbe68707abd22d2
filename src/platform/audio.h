// The audio facility: open an output format, queue blocks of samples, be
// told when a block has played, stop at once.  Backends: SDL2 audio (the
// sound server or ALSA underneath), SDL's dummy driver when no device opens,
// and a capture sink writing what would be played to a file (tests):
// OUVINO_AUDIO=capture:<file>.  Callbacks come on the audio thread; the
// caller turns them into wake-ups of its own loop.
//
// Two independent outputs play at the same time, as the sound server mixes
// them: the wave output's (speech, recordings) and the console's signal
// sounds (tones, the system beep), so a beep never cuts speech short.  The
// functions without an AudioStream work on the wave output's.
//
// OUVINO_AUDIO (read whenever an output opens):
//   unset, "sdl"      SDL's own choice of driver; SDL's dummy driver (silent,
//                     real time) when no device opens
//   "dummy"           SDL's dummy driver only
//   "capture:<file>"  no device: the bytes of every block, as they would
//                     have been played, go to <file> (the signal output's
//                     to <file>.signal), raw, in real time (10 ms at a time),
//                     so block-done comes after a block's length; the file
//                     is made anew at its first open in a run, then grows
//   "none"            nothing can play: audioOpen answers false
// Dropped blocks (audioStop, audioClose, a reopen in another format) get no
// block-done, and none arrives once audioStop has returned.  A block-done
// callback may queue or stop, never open or close.  Blocks are cut to whole
// sample frames.  Everything but the callbacks belongs to one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct AudioFormat {
  int rate = 11025;
  int channels = 1;
  int bits = 8;  // 8 (unsigned) or 16 (signed little-endian)
};

using AudioBlockDone = void (*)(int blockId);

enum class AudioStream { Wave, Signal };

// (Re)opens the output in this format; false when nothing can play.
bool audioOpen(const AudioFormat& format, AudioBlockDone onBlockDone);
// Queues a block; returns its id (>= 0), or -1.  loop: play it again and
// again until audioStop (no block-done for a looping block).
int audioQueue(const uint8_t* data, size_t bytes, bool loop);
// Drops everything queued and silences the output at once.
void audioStop();
bool audioBusy();  // something queued is still playing
void audioClose();
std::string audioBackendName();  // "sdl:<driver>", "capture", or "" when not open

// The same for a chosen output.  (Re)opening in the format already open
// keeps what is queued and only replaces the callback.
bool audioOpen(AudioStream stream, const AudioFormat& format, AudioBlockDone onBlockDone);
int audioQueue(AudioStream stream, const uint8_t* data, size_t bytes, bool loop);
void audioStop(AudioStream stream);
bool audioBusy(AudioStream stream);
void audioClose(AudioStream stream);
std::string audioBackendName(AudioStream stream);
