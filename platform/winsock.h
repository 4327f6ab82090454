/*
 * winsock.h --
 *
 *	Socket start-up and clean-up of the daytime client. POSIX sockets
 *	need neither; the pair keeps the start-up and exit sequence in one
 *	place and tells whether the network was started.
 */
#ifndef OVEX_PLATFORM_WINSOCK_H
#define OVEX_PLATFORM_WINSOCK_H

/* Starts the socket layer once per process; 0 on success. */
int wsInit(void);
/* Stops it when it was started. */
void wsCleanup(void);

#endif
