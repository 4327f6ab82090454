/*
 * command_helpers.cpp --
 *
 *	Small pieces every command shares: lenient number reading, subcommand
 *	prefix matching, placeholder commands and the warning form of panic.
 */
#include "core/package.h"

#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

/*
 * ovexLenientInt --
 *	Leading blanks, an optional sign, then decimal digits up to the first
 *	other character; no digits read as 0. Values beyond int clamp.
 */
int ovexLenientInt(const char *text)
{
    if (text == NULL) {
        return 0;
    }
    while (isspace((unsigned char)*text)) {
        text++;
    }
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = (*text == '-');
        text++;
    }
    long long value = 0;
    while (isdigit((unsigned char)*text)) {
        if (value <= (long long)INT_MAX + 1) {
            value = value * 10 + (*text - '0');
        }
        text++;
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return (int)value;
}

/*
 * ovexLenientDouble --
 *	The standard decimal conversion of the leading part of text; no
 *	number reads as 0.
 */
double ovexLenientDouble(const char *text)
{
    return text == NULL ? 0.0 : strtod(text, NULL);
}

/*
 * ovexMatchWord --
 *	Non-zero when word is a prefix of name and at least minLength long.
 */
int ovexMatchWord(const char *word, const char *name, int minLength)
{
    size_t length = strlen(word);
    if (length < (size_t)minLength || length > strlen(name)) {
        return 0;
    }
    return strncmp(word, name, length) == 0;
}

static int placeholderCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    Tcl_AppendResult(interp, argv[0], ": not available in this build", (char *)NULL);
    return TCL_ERROR;
}

/*
 * ovexCreatePlaceholder --
 *	Creates a command that answers a clear error until its family is
 *	built. TCL_ERROR when the command cannot be created.
 */
int ovexCreatePlaceholder(Tcl_Interp *interp, const char *name)
{
    return Tcl_CreateCommand(interp, name, placeholderCmd, NULL, NULL) ? TCL_OK : TCL_ERROR;
}

/*
 * ovexPanicMessage --
 *	Writes "panic:", the message and a newline to the console's standard
 *	error, then returns: Tcl's own panic ends the process, so warnings
 *	use this instead.
 */
void ovexPanicMessage(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    va_list copy;
    va_copy(copy, ap);
    int length = vsnprintf(NULL, 0, format, copy);
    va_end(copy);
    if (length < 0) {
        va_end(ap);
        return;
    }
    std::string text = "panic:";
    std::string message((size_t)length + 1, '\0');
    vsnprintf(&message[0], message.size(), format, ap);
    va_end(ap);
    message.resize((size_t)length);
    text += message;
    text += "\n";
    consolePuts(OVEX_CONSOLE_STDERR, text.c_str(), (int)text.size());
}

/*
 * ovexAddErrorInfo --
 *	Appends text to errorInfo as a line of its own after the result;
 *	the result stays as it is. errorInfo starts from the result at the
 *	first addition, so it must be called once the result holds the
 *	message: what tclsh and wish show then begins with the result.
 */
void ovexAddErrorInfo(Tcl_Interp *interp, const char *text)
{
    if (text == NULL || text[0] == '\0') {
        return;
    }
    const char *result = Tcl_GetStringResult(interp);
    size_t length = strlen(result);
    if (length > 0 && result[length - 1] != '\n' && text[0] != '\n') {
        Tcl_AddErrorInfo(interp, "\n");
    }
    Tcl_AddErrorInfo(interp, text);
}
