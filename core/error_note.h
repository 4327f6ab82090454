/*
 * error_note.h --
 *
 *	Keeps the last message written to standard error while a caller
 *	listens, so that an operation whose lower layers only print their
 *	reason can still name it in its own result.
 *
 *	A message is what was written to standard error in one stretch:
 *	writes to standard error that follow each other with nothing written
 *	to standard output between them ("Error in open a.img." and the
 *	"Open image file error" printed after it are one message).
 */
#ifndef OVEX_CORE_ERROR_NOTE_H
#define OVEX_CORE_ERROR_NOTE_H

/* Starts listening and forgets what an earlier listener heard. Calls
 * nest: an inner listener hears only what is written after it started,
 * and the outer ones go on hearing it too. */
void errorNoteListen(void);

/* Stops the listening of the matching errorNoteListen: read what it heard
 * (errorNoteLast, errorNoteMessage) before. */
void errorNoteStop(void);

/* The last non-blank line written to standard error while the innermost
 * listener listened, without its line end; "" when none. */
const char *errorNoteLast(void);

/* The innermost listener's last message: its last non-blank lines (at
 * most four), each trimmed, joined by a space after a line that ends in
 * punctuation (". ! ? : ;") and by ": " otherwise; "" when none. */
const char *errorNoteMessage(void);

/* Called by the console writer with each text written to standard error
 * (and by those that print an error message on standard output). */
void errorNoteKeep(const char *text, int length);

/* Called by the console writer with each text written to standard
 * output: non-blank text ends the message being written. */
void errorNoteBreak(const char *text, int length);

#endif /* OVEX_CORE_ERROR_NOTE_H */
