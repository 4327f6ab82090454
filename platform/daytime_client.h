/*
 * daytime_client.h --
 *
 *	One daytime query (TCP port 13): connect, wait for the server's line
 *	at most the query time-out, read it. The time-out is shared by every
 *	query of the process.
 */
#ifndef OVEX_PLATFORM_DAYTIME_CLIENT_H
#define OVEX_PLATFORM_DAYTIME_CLIENT_H

/* A reply holds at most this many bytes plus its terminating zero. */
#define DAYTIME_REPLY_MAX 80
#define DAYTIME_PORT 13

/* Asks the daytime server at address (dotted IPv4 text) for its line.
 * reply must hold DAYTIME_REPLY_MAX + 1 bytes; it is always terminated.
 * *elapsed receives the milliseconds the query took, success or not.
 * Returns 1 when a non-empty line arrived within the time-out, else 0. */
int queryTimeServer(char *reply, const char *address, double *elapsed);

/* The query time-out in seconds with fraction (initially 1.0). */
double getTimeServerTimeout(void);
/* Sets it as whole seconds and microseconds (0 .. 999999), both at
 * least 0; core's setTimeServerTimeout converts a value in seconds. */
void setTimeServerTimeoutParts(int seconds, int microseconds);

#endif /* OVEX_PLATFORM_DAYTIME_CLIENT_H */
