/*
 * network_time.h --
 *
 *	Network time: a table of daytime servers kept in order of their last
 *	response time, the parsing of their reply line, the search for the
 *	first healthy answer, and the command ovex.time.
 */
#ifndef OVEX_CORE_NETWORK_TIME_H
#define OVEX_CORE_NETWORK_TIME_H

#include <cstdint>

#define TIME_SERVER_COUNT 14

/* Sets the time-out of each server query in seconds with fraction; values
 * below 0 (and NaN) give 0. Stored as whole seconds and rounded
 * microseconds (getTimeServerTimeout in platform/daytime_client.h reads it). */
void setTimeServerTimeout(double seconds);

/* One record of the server table. */
struct TimeServer {
    int32_t id;             /* fixed number 0..13 as the table is built */
    double responseTime;    /* milliseconds of the last query, success or not */
    char address[20];       /* dotted IPv4 text */
    char hostName[32];      /* for display only */
    char location[64];      /* for display only */
};

/* Reads a reply line of the form
 *   MJD YY-MM-DD HH:MM:SS DST LEAP HEALTH ADVANCE ...
 * into seconds since 1970 and the optional out values (each may be NULL).
 * Returns 1 when every field was read, else 0 (nothing stored). */
int parseNistTime(const char *reply, int64_t *seconds, int *daylight, int *leap,
                  int *health, double *advance);

/* Asks address until it answers healthy or tries run out (at least once).
 * Returns 1 with *seconds and *advance stored when the last reply was
 * healthy; 0 when it was not, or when a query failed, the server was busy
 * or the reply could not be read. *elapsed: milliseconds of the last query. */
int queryHealthyTime(int64_t *seconds, double *advance, const char *address, int tries,
                     double *elapsed);

/* Asks the table's servers in order until one answers healthy; every
 * server asked gets its query time as response time. On success stores
 * that server's time, advance and response time and sorts the table by
 * response time, ascending. Returns 1 or 0 (order kept). */
int getTimeFromServers(int64_t *seconds, double *advance, double *elapsed, int tries);

/* The server's time corrected for the network: half the round trip
 * (elapsed, ms) later, less the advance (ms) the server already added. */
double correctedServerTime(int64_t seconds, double advance, double elapsed);

/* Splits a time in seconds into whole seconds and rounded milliseconds
 * 0..999 (a fraction that rounds to 1000 carries into the seconds). */
void splitClockTime(double time, int64_t *seconds, int *milliseconds);

/* The table by position in its current order. Positions outside
 * 0..TIME_SERVER_COUNT-1 give -1, NULL or a negative time and are
 * ignored by the setter. */
int timeServerCount(void);
int timeServerId(int position);
const char *timeServerAddress(int position);
const char *timeServerHostName(int position);
const char *timeServerLocation(int position);
double timeServerResponse(int position);
void setTimeServerResponse(int position, double milliseconds);

/* Rebuilds the table with the given addresses in id order (missing ones
 * empty, which never answers) and fresh response times; NULL restores the
 * built-in servers. Returns 0 when count is above the table size or an
 * address does not fit, leaving the table unchanged; else 1. */
int resetTimeServers(const char *const *addresses, int count);

#endif /* OVEX_CORE_NETWORK_TIME_H */
