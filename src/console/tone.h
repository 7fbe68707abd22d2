// The console's signal sounds: a looping square-wave tone and the system
// beep, played through the audio facility.
#pragma once

#include <cstdint>
#include <vector>

void startTone(unsigned frequency);  // until stopTone
void stopTone();
void messageBeep();
// The RIFF/WAVE image of one tone buffer (44-byte header, 8-bit mono, 11025 Hz).
std::vector<uint8_t> toneWave(unsigned frequency);
