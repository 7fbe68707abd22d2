// Wall clock, monotonic clock and sleeping over the POSIX clocks.
// Owns no state.
#include "platform/clock.h"

#include <cerrno>
#include <ctime>

namespace {

timespec clockNow(clockid_t id) {
    timespec now{};
    clock_gettime(id, &now);
    return now;
}

ClockTime timeOf(const tm& fields, long nanoseconds) {
    return {fields.tm_hour, fields.tm_min, fields.tm_sec, static_cast<int>(nanoseconds / 1000000)};
}

tm localFields(time_t seconds) {
    tm fields{};
    localtime_r(&seconds, &fields);
    return fields;
}

}  // namespace

ClockDate clockLocalDate() {
    tm fields = localFields(clockNow(CLOCK_REALTIME).tv_sec);
    return {fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_wday};
}

ClockTime clockLocalTime() {
    timespec now = clockNow(CLOCK_REALTIME);
    return timeOf(localFields(now.tv_sec), now.tv_nsec);
}

ClockTime clockUtcTime() {
    timespec now = clockNow(CLOCK_REALTIME);
    tm fields{};
    gmtime_r(&now.tv_sec, &fields);
    return timeOf(fields, now.tv_nsec);
}

// A signal must not cut a pause short: sleep on for what is left.
void clockSleepMs(unsigned milliseconds) {
    timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

uint64_t clockMonotonicMs() {
    timespec now = clockNow(CLOCK_MONOTONIC);
    return static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1000000;
}
