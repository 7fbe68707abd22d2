// The espeak-ng voice the Portuguese diphones are cut from, started the same
// way by the voice builder and by the quality tool (which compares the
// synthesizer's speech with this voice's own).  A female Brazilian voice at
// about 200 Hz: the engine's prosody is written around a 230 Hz base.
#pragma once

#include <espeak-ng/speak_lib.h>

namespace source {

constexpr const char* kVoice = "pt-BR+f3";
constexpr int kPitch = 62;  // espeak-ng's 0-100 scale; 50 is the voice's own

// Starts espeak-ng synchronously with the voice; its sample rate, or 0.
inline int startEspeak(int options) {
  int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 200, nullptr, options);
  if (rate <= 0 || espeak_SetVoiceByName(kVoice) != EE_OK) return 0;
  espeak_SetParameter(espeakPITCH, kPitch, 0);
  return rate;
}

}  // namespace source
