/*
 * format_ring.cpp --
 *
 *	fmt: printf into a process-wide ring of short-lived texts, for
 *	building messages and command arguments without managing buffers.
 */
#include <cstdarg>
#include <cstdio>

#include "ovex/ovex.h"

namespace {

const int RING_SIZE = 16384;
/* Past this position the ring restarts, so that every result has at least
 * RING_SIZE - RESTART_POSITION bytes (1023 characters and the end). */
const int RESTART_POSITION = RING_SIZE - 1024;

char ring[RING_SIZE];
int ringPosition = 0;

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * fmt --
 *
 *	Formats into the ring. A result longer than the room left (at least
 *	1023 characters) is cut there.
 *
 * Results:
 *	The text. It is overwritten once the ring has restarted and later
 *	results reach its place: use it before many further calls.
 *
 *----------------------------------------------------------------------
 */
char *fmt(const char *format, ...)
{
    if (ringPosition > RESTART_POSITION) {
        ringPosition = 0;
    }
    char *text = ring + ringPosition;
    int room = RING_SIZE - ringPosition;
    text[0] = '\0';
    if (format != NULL) {
        va_list ap;
        va_start(ap, format);
        int length = vsnprintf(text, (size_t)room, format, ap);
        va_end(ap);
        if (length < 0) {
            text[0] = '\0';
            length = 0;
        } else if (length >= room) {
            length = room - 1;
        }
        ringPosition += length + 1;
    } else {
        ringPosition += 1;
    }
    return text;
}
