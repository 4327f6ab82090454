/*
 * cups_client.h --
 *
 *	The few calls of the CUPS client library that printing makes,
 *	reached through a table filled when printers are first asked for:
 *	libcups and what it pulls in (TLS, Kerberos, Avahi, D-Bus) are then
 *	not mapped by programs that never print.
 */
#ifndef OVEX_WIDGETS_PRINT_CUPS_CLIENT_H
#define OVEX_WIDGETS_PRINT_CUPS_CLIENT_H

#include <cups/cups.h>

struct CupsClient {
    decltype(&cupsGetDests2) getDests2;
    decltype(&cupsGetOption) getOption;
    decltype(&cupsFreeDests) freeDests;
    decltype(&cupsPrintFile2) printFile2;
    decltype(&cupsLastErrorString) lastErrorString;
};

/* The calls, loading the library on the first use; NULL when it cannot
 * be loaded, and cupsUnavailable() says why. */
const CupsClient *cupsClient(void);
/* Why the library cannot be loaded, or NULL when it is loaded. */
const char *cupsUnavailable(void);

#endif /* OVEX_WIDGETS_PRINT_CUPS_CLIENT_H */
