/*
 * emess.cpp --
 *
 *	The message printer of the projection programs: a header naming the
 *	release, the program and the input being read, the message, and for
 *	fatal severities the end of the run.
 */
#include "geo/proj/emess.h"

#include <errno.h>
#include <stdarg.h>
#include <string.h>

#include <string>

#include "geo/proj/run_guard.h"

EmessState emessState = {"", NULL, 0};

void emessSetProgram(const char *word)
{
    const char *slash = strrchr(word, '/');
    emessState.programName = slash != NULL ? slash + 1 : word;
}

void emess(int severity, const char *format, ...)
{
    int savedErrno = errno;
    std::string text;
    char buffer[64];
    text = std::string(PROJ_RELEASE_TEXT) + "\n<" + emessState.programName + ">: ";
    if (emessState.fileName != NULL && emessState.fileName[0] != '\0') {
        text += std::string("while processing file: ") + emessState.fileName;
        if (emessState.lineNumber > 0) {
            snprintf(buffer, sizeof buffer, ", line %d\n", emessState.lineNumber);
            text += buffer;
        } else {
            text += "\n";
        }
    } else {
        text += "\n";
    }
    if (severity == 2 || severity == -2) {
        snprintf(buffer, sizeof buffer, "Sys errno: %d: ", savedErrno);
        text += std::string(buffer) + "<system mess. texts unavail.>\n";
    }
    va_list ap;
    va_start(ap, format);
    va_list copy;
    va_copy(copy, ap);
    int length = vsnprintf(NULL, 0, format, copy);
    va_end(copy);
    if (length > 0) {
        std::string message((size_t)length + 1, '\0');
        vsnprintf(&message[0], message.size(), format, ap);
        message.resize((size_t)length);
        text += message;
    }
    va_end(ap);
    text += severity > 0 ? "\nprogram abnormally terminated\n" : "\n";
    ovex_fputs(text.c_str(), stderr);
    if (severity > 0) {
        projExit(severity);
    }
}
