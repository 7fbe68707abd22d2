// The synthesizer's running state: the voice, the phones not yet spoken,
// the pitch contour, the overlap-add accumulator and the finished samples.
// All of it is process-wide and owned by synth.cpp; the public calls reach
// it only through these functions.
#pragma once

#include <cstddef>
#include <string>

#include "phone_line.h"
#include "voice_db.h"

namespace mbr {

void synthOpen(VoiceDb&& db);
void synthClose();
bool synthIsOpen();
const VoiceDb& synthVoice();

// Queues one phone.  False when the phone or its diphone with the phone
// before is not in the voice (it is then spoken as silence); `what` names it.
bool synthPhone(const Phone& phone, std::string& what);

// Speaks everything queued, ending in silence.
void synthFlush();

// Drops queued phones and samples not yet read.
void synthReset();

// Moves up to `max` finished samples (full scale 32767) to `out`.
size_t synthRead(float* out, size_t max);

}  // namespace mbr
