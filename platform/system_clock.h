/*
 * system_clock.h --
 *
 *	Setting the machine's clock. The call goes through a replaceable
 *	setter so that tests can record the time instead of changing it.
 */
#ifndef OVEX_PLATFORM_SYSTEM_CLOCK_H
#define OVEX_PLATFORM_SYSTEM_CLOCK_H

#include <cstdint>

/* Sets the clock to seconds since 1970 (UTC) plus milliseconds 0..999. */
typedef void (*SystemClockSetter)(int64_t seconds, int milliseconds);

/* Sets the clock through the current setter; the outcome is not reported
 * (it needs the right to change the clock). */
void setSystemClock(int64_t seconds, int milliseconds);

/* Makes setter the one setSystemClock calls (NULL: the real clock again).
 * Returns the previous setter. */
SystemClockSetter replaceSystemClockSetter(SystemClockSetter setter);

#endif /* OVEX_PLATFORM_SYSTEM_CLOCK_H */
