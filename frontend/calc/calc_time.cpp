/*
 * calc_time.cpp --
 *
 *	calc ftime (the current time with milliseconds and the local zone)
 *	and calc stime (accepted, changes nothing).
 */
#include "frontend/calc/calc_handlers.h"

#include <cstring>
#include <ctime>

#include "core/package.h"

/*
 * calcFtime --
 *	calc ftime ?short|long?
 * Returns: TCL_OK with "%.3f" seconds since 1970, or with long
 *	"seconds milliseconds zoneMinutes dst" (minutes west of UTC of the
 *	standard time, dst 1 while daylight saving time is in effect);
 *	TCL_ERROR with the usage for another word or more words. Seconds are
 *	64-bit so that the answer stays right after 2038.
 */
CALC_HANDLER(calcFtime)
{
    int wantLong = 0;
    if (argc > 3 || (argc == 3 && strcmp(argv[2], "short") != 0
                     && !(wantLong = (strcmp(argv[2], "long") == 0)))) {
        Tcl_SetResult(interp, (char *)"Usage: calc ftime [short|long]\n", TCL_STATIC);
        return TCL_ERROR;
    }
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    long long seconds = (long long)now.tv_sec;
    int milliseconds = (int)(now.tv_nsec / 1000000);
    if (!wantLong) {
        calcSetResult(interp, "%.3f", (double)seconds + milliseconds * 0.001);
        return TCL_OK;
    }
    tzset();
    struct tm local;
    time_t clock = now.tv_sec;
    int dst = (localtime_r(&clock, &local) != NULL && local.tm_isdst > 0) ? 1 : 0;
    int zoneMinutes = (int)(timezone / 60);
    calcSetResult(interp, "%lld %d %d %d", seconds, milliseconds, zoneMinutes, dst);
    return TCL_OK;
}

/*
 * calcStime --
 *	calc stime seconds: the clock is never set from here.
 * Returns: TCL_OK; TCL_ERROR with the usage for other counts.
 */
CALC_HANDLER(calcStime)
{
    if (argc != 3) {
        Tcl_SetResult(interp, (char *)"Usage: calc stime seconds\n", TCL_STATIC);
        return TCL_ERROR;
    }
    return TCL_OK;
}
