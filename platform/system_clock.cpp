/*
 * system_clock.cpp --
 *
 *	Sets the machine's real-time clock with clock_settime.
 */
#include "platform/system_clock.h"

#include <time.h>

/* The real clock: refused without the right to set it, which the caller
 * does not learn about. */
static void setRealClock(int64_t seconds, int milliseconds)
{
    struct timespec when;
    when.tv_sec = (time_t)seconds;
    when.tv_nsec = (long)milliseconds * 1000000L;
    if (when.tv_nsec < 0 || when.tv_nsec >= 1000000000L) {
        return;
    }
    (void)clock_settime(CLOCK_REALTIME, &when);
}

static SystemClockSetter clockSetter = setRealClock;

/*
 * setSystemClock --
 * Changes: the machine's clock (or whatever the current setter records).
 */
void setSystemClock(int64_t seconds, int milliseconds)
{
    clockSetter(seconds, milliseconds);
}

/*
 * replaceSystemClockSetter --
 * Returns: the previous setter.
 * Changes: the setter that setSystemClock calls; NULL restores the real
 *	clock.
 */
SystemClockSetter replaceSystemClockSetter(SystemClockSetter setter)
{
    SystemClockSetter previous = clockSetter;
    clockSetter = setter != NULL ? setter : setRealClock;
    return previous;
}
