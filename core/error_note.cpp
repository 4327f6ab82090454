/*
 * error_note.cpp --
 *
 *	The last standard-error message, kept while someone listens.
 */
#include "core/error_note.h"

#include <string>

namespace {

int listeners = 0;
std::string lastNote;

} // namespace

void errorNoteListen(void)
{
    listeners++;
    lastNote.clear();
}

void errorNoteStop(void)
{
    if (listeners > 0) {
        listeners--;
    }
}

const char *errorNoteLast(void)
{
    return lastNote.c_str();
}

void errorNoteKeep(const char *text, int length)
{
    if (listeners == 0 || text == NULL || length <= 0) {
        return;
    }
    std::string note(text, (size_t)length);
    while (!note.empty() && (note.back() == '\n' || note.back() == '\r' || note.back() == ' ')) {
        note.pop_back();
    }
    /* A message written in pieces keeps its last line. */
    size_t cut = note.find_last_of('\n');
    if (cut != std::string::npos) {
        note.erase(0, cut + 1);
    }
    if (!note.empty()) {
        lastNote = note;
    }
}
