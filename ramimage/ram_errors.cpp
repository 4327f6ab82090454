/*
 * ram_errors.cpp --
 *
 *	Texts of the error codes that the RAM-image open operations report,
 *	and their printing on the console's standard error.
 */
#include "ramimage/ramimg.h"

#include <stdio.h>

#include <string>

/*
 * ramImageErrorText --
 *	The message of an open operation's error code; the empty text for 0
 *	and for every code without a message.
 */
const char *ramImageErrorText(int code)
{
    switch (code) {
    case RAMIMG_ENOMEM:
        return "Memory allocation error";
    case RAMIMG_EUNKNOWN_TYPE:
        return "Unknown image type";
    case RAMIMG_EOPEN:
        return "Open image file error";
    case RAMIMG_ESYSTEM:
        return "Error in modifying a system RAMIMG";
    case RAMIMG_EEXISTS:
        return "File already exists";
    case RAMIMG_ECREATE:
        return "Error in creating a file";
    case RAMIMG_EUNHANDLED:
        return "Unable to handle the image";
    case RAMIMG_ENAME:
        return "Name too long";
    default:
        return "";
    }
}

/*
 * printRamImageError --
 *	Writes the message of code and a newline to standard error; nothing
 *	for a code without a message.
 */
void printRamImageError(int code)
{
    const char *text = ramImageErrorText(code);
    if (text[0] != '\0') {
        ovex_fprintf(stderr, "%s\n", text);
    }
}

static std::string openReason;

const char *ramImageOpenReason(void)
{
    return openReason.c_str();
}

void setRamImageOpenReason(const char *text)
{
    openReason = text != NULL ? text : "";
}
