/*
 * proj_info.cpp --
 *
 *	proj.info: the ellipsoids and projections the library offers, as Tcl
 *	lists for menus and dialogs.
 */
#include <string.h>

#include <string>

#include "core/package.h"
#include "geo/proj/proj_commands.h"
#include "geo/proj/proj_library.h"

namespace {

int usage(Tcl_Interp *interp, const char *command)
{
    Tcl_ResetResult(interp);
    Tcl_AppendResult(interp, "Usage: ", command,
                     " option (ellps ellpslist ellpsids proj projlist projids)", (char *)NULL);
    return TCL_ERROR;
}

std::string ellpsText(EllpsListEntry *e)
{
    return std::string(ellpsEntryId(e)) + " " + ellpsEntryMajor(e) + " " + ellpsEntryEll(e) +
           " {" + ellpsEntryName(e) + "}";
}

void skipBlanks(const char *&p)
{
    while (*p == '\t' || *p == ' ') p++;
}

/* Name, class and parameter lines of a projection's description. */
bool splitDescription(ProjListEntry *entry, std::string parts[3])
{
    const char *p = projEntryDescr(entry);
    if (p == NULL) {
        return false;
    }
    for (int i = 0; i < 2; i++) {
        for (; *p != '\0' && *p != '\n'; p++) {
            if (*p != '\t') parts[i] += *p;
        }
        if (*p == '\n') p++;
        skipBlanks(p);
    }
    for (; *p != '\0'; p++) {
        if (*p == '\n') continue;
        parts[2] += *p == '\t' ? ' ' : *p;
    }
    return true;
}

/* The id and the three description lines, braced where they hold a blank. */
bool projText(ProjListEntry *entry, std::string *out)
{
    std::string parts[3];
    if (!splitDescription(entry, parts)) {
        return false;
    }
    *out = projEntryId(entry);
    for (const std::string &part : parts) {
        if (part.find(' ') != std::string::npos) {
            *out += " {" + part + "}";
        } else {
            *out += " " + part;
        }
    }
    return true;
}

}  // namespace

int projInfoCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 2) {
        return usage(interp, argv[0]);
    }
    const char *word = argv[1];
    size_t length = strlen(word);
    Tcl_Obj *list = Tcl_NewListObj(0, NULL);

    if (word[0] == 'e' && length >= 5) {
        if (strncmp(word, "ellps", length) == 0) {
            if (argc != 3) {
                Tcl_DecrRefCount(list);
                Tcl_ResetResult(interp);
                Tcl_AppendResult(interp, "Usage: ", argv[0], " ", word, " ellpsid", (char *)NULL);
                return TCL_ERROR;
            }
            int index = ellpsListIndex(argv[2]);
            Tcl_DecrRefCount(list);
            Tcl_ResetResult(interp);
            if (index >= 0) {
                Tcl_SetObjResult(interp,
                                 Tcl_NewStringObj(ellpsText(ellpsListEntry(index)).c_str(), -1));
            }
            return TCL_OK;
        }
        bool all = strncmp(word, "ellpslist", length) == 0;
        bool ids = !all && strncmp(word, "ellpsids", length) == 0;
        if ((all || ids) && argc == 2) {
            for (EllpsListEntry *e = ellpsListFirst(); e != NULL && ellpsEntryId(e) != NULL;
                 e = ellpsListNext(e)) {
                std::string text = all ? ellpsText(e) : ellpsEntryId(e);
                Tcl_ListObjAppendElement(NULL, list, Tcl_NewStringObj(text.c_str(), -1));
            }
            Tcl_SetObjResult(interp, list);
            return TCL_OK;
        }
    } else if (word[0] == 'p' && length >= 4) {
        if (strncmp(word, "proj", length) == 0) {
            Tcl_DecrRefCount(list);
            if (argc != 3) {
                Tcl_ResetResult(interp);
                Tcl_AppendResult(interp, "Usage: ", argv[0], " ", word, " projid", (char *)NULL);
                return TCL_ERROR;
            }
            Tcl_ResetResult(interp);
            int index = projListIndex(argv[2]);
            std::string text;
            if (index >= 0 && projText(projListEntry(index), &text)) {
                Tcl_SetObjResult(interp, Tcl_NewStringObj(text.c_str(), -1));
            }
            return TCL_OK;
        }
        bool all = strncmp(word, "projlist", length) == 0;
        bool ids = !all && strncmp(word, "projids", length) == 0;
        if ((all || ids) && argc == 2) {
            for (ProjListEntry *e = projListFirst(); e != NULL && projEntryId(e) != NULL;
                 e = projListNext(e)) {
                std::string text;
                if (!projText(e, &text)) continue;
                Tcl_ListObjAppendElement(NULL, list,
                                         Tcl_NewStringObj(all ? text.c_str() : projEntryId(e), -1));
            }
            Tcl_SetObjResult(interp, list);
            return TCL_OK;
        }
    }
    Tcl_DecrRefCount(list);
    return usage(interp, argv[0]);
}
