// Wall clock and sleeping.  Local time for the program's clock functions,
// UTC for seeding the random generator.
#pragma once

#include <cstdint>

struct ClockDate { int year, month, day, weekday; };          // weekday 0 = Sunday
struct ClockTime { int hour, minute, second, millisecond; };

ClockDate clockLocalDate();
ClockTime clockLocalTime();
ClockTime clockUtcTime();
void clockSleepMs(unsigned milliseconds);
uint64_t clockMonotonicMs();
