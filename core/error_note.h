/*
 * error_note.h --
 *
 *	Keeps the last message written to standard error while a caller
 *	listens, so that an operation whose lower layers only print their
 *	reason can still name it in its own result.
 */
#ifndef OVEX_CORE_ERROR_NOTE_H
#define OVEX_CORE_ERROR_NOTE_H

/* Starts listening (calls nest) and forgets the last message. */
void errorNoteListen(void);

/* Stops the listening of the matching errorNoteListen. */
void errorNoteStop(void);

/* The last non-blank message written while listening, without its line
 * end; "" when none. */
const char *errorNoteLast(void);

/* Called by the standard-error writer with each text. */
void errorNoteKeep(const char *text, int length);

#endif /* OVEX_CORE_ERROR_NOTE_H */
