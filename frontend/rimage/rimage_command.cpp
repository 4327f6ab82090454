/*
 * rimage_command.cpp --
 *
 *	This folder is the command layer of RAM images: the rimage command and
 *	its subcommands, bound views and image algebra, and the tiff, dicom
 *	and gpz commands. It stands on the engine (ramimage/), the formats,
 *	the bridges to Tk and X and the program kit; nothing below includes it.
 *
 *	The rimage command: its attribute template, the table of its
 *	subcommands in the order the dispatcher tries them, and the running
 *	of the analysis programs. Every subcommand lives in the file of its
 *	concern.
 */
#include <string.h>

#include <string>

#include "frontend/rimage/rimage_command.h"
#include "frontend/rimage/rimage_capture.h"
#include "frontend/rimage/rimage_maintenance.h"
#include "ramimage/ramimg.h"
#include "ramimage/kit/program_kit.h"
#include "frontend/rimage/view_object.h"
#include "programs/program_table.h"
#include "core/console_io.h"
#include "core/error_note.h"
#include "core/gmem.h"
#include "core/inits.h"
#include "core/option_engine.h"
#include "core/package.h"

/* One subcommand. A word w matches when it is a prefix of word and at
 * least minLength long; a row without a handler runs the program of its
 * word (programs/program_table.cpp). */
struct RimageSubcommand {
    const char *word;
    int minLength;
    RimageHandler *handler;
};

/* Within a first letter the first match wins: "geo" runs geocalc, "re"
 * resident, "se" section, "v" version. */
static const RimageSubcommand rimageSubcommands[] = {
    {"cache", 4, rimageCache},
    {"calc", 4, NULL},
    {"cget", 4, rimageCget},
    {"classify", 4, NULL},
    {"clipboard", 4, rimageClipboard},
    {"create", 4, rimageCreate},
    {"configure", 4, rimageConfigure},
    {"copy", 4, NULL},
    {"crop", 4, NULL},
    {"close", 4, rimageClose},
    {"canvas", 4, rimageCanvas},
    {"data", 3, NULL},
    {"dist", 3, NULL},
    {"draw", 3, rimageDraw},
    {"egv", 3, NULL},
    {"gfftrans", 3, NULL},
    {"gconv", 3, NULL},
    {"geocalc", 3, NULL},
    {"georef", 3, NULL},
    {"gisoc", 3, NULL},
    {"getIndices", 3, rimageGetIndices},
    {"gsfzoom", 3, NULL},
    {"gslope", 3, NULL},
    {"gstat", 3, NULL},
    {"gtop", 3, NULL},
    {"gdem", 3, NULL},
    {"hist", 2, rimageHist},
    {"flush", 2, rimageFlush},
    {"imgids", 4, rimageImgids},
    {"imgtypes", 4, rimageImgtypes},
    {"isopened", 4, rimageIsOpened},
    {"isvalid", 4, rimageIsValid},
    {"list", 3, rimageList},
    {"lock", 3, rimageLock},
    {"mapids", 4, rimageMapids},
    {"open", 3, rimageOpen},
    {"pcalc", 4, NULL},
    {"ptable", 4, NULL},
    {"pixelids", 4, rimagePixelids},
    {"bind", 2, rimageBind},
    {"resident", 2, rimageResident},
    {"rform", 2, NULL},
    {"rotate", 2, NULL},
    {"resample", 2, NULL},
    {"save", 2, rimageSave},
    {"smetric", 2, NULL},
    {"section", 2, NULL},
    {"setIndices", 2, rimageSetIndices},
    {"statinfo", 2, NULL},
    {"trans", 1, NULL},
    {"unlock", 2, rimageUnlock},
    {"update", 2, rimageUpdate},
    {"version", 1, rimageVersion},
    {"volume", 1, rimageVolume},
    {"window", 1, rimageWindow},
    {NULL, 0, NULL},
};

/* The answer to rimage without a word. */
static const char rimageCommandList[] =
    "Commands: bind cache calc canvas cget classify clipboard close configure copy create "
    "crop data dist draw egv flush gconv gdem geocalc georef getIndices gisoc gfftrans "
    "gsfzoom gslope gstat gtop hist imgid imgtypes isopened isvalid list lock mapids open "
    "pcalc pixelids ptable resample resident rform rotate save section setIndices smetric "
    "statinfo trans unlock update version volume window";

/*
 * findSubcommand --
 *	The first row, among those of w's first letter in table order, that
 *	w names; NULL when none does (or w is empty).
 */
static const RimageSubcommand *findSubcommand(const char *w)
{
    size_t n = strlen(w);
    if (n == 0) {
        return NULL;
    }
    for (const RimageSubcommand *row = rimageSubcommands; row->word != NULL; row++) {
        if (row->word[0] == w[0] && n >= (size_t)row->minLength
                && strncmp(row->word, w, n) == 0 && n <= strlen(row->word)) {
            return row;
        }
    }
    return NULL;
}

/*
 * runProgram --
 *	Runs the program of word on the words after the subcommand.
 * Results:
 *	TCL_OK with an empty result when the program ran or printed its
 *	usage; TCL_ERROR with "Exec error from " and the two words as typed
 *	when it reported an error, followed by ": " and the last message it
 *	printed on standard error when it printed one.
 */
static int runProgram(Tcl_Interp *interp, const char *word, int argc, const char **argv)
{
    RimageProgram *program = findRimageProgram(word);
    Tcl_DString name;
    Tcl_DStringInit(&name);
    Tcl_DStringAppend(&name, "rimage ", -1);
    Tcl_DStringAppend(&name, word, -1);
    unsigned long lostBefore = ramImageLostWriteBacks();
    int run = progBeginRun();
    int status;
    /* The program prints its reason; the answer repeats it. */
    errorNoteListen();
    {
        /* Listings and reports print line by line: the lines go out
         * together, and all of them before the command returns. */
        ConsoleBatch batch;
        status = program != NULL ? program(Tcl_DStringValue(&name), argc - 2, argv + 2)
                                 : PROGRAM_FAILED;
    }
    Tcl_DStringFree(&name);
    /* Rows a program wrote but that never reached their file fail it. */
    if (ramImageLostWriteBacks() != lostBefore) {
        status = PROGRAM_FAILED;
    }
    /* A failed run takes back the output files it created. */
    progEndRun(run, status == PROGRAM_FAILED);
    std::string reason = status == PROGRAM_FAILED ? errorNoteMessage() : "";
    errorNoteStop();

    if (status == PROGRAM_FAILED) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Exec error from ", argv[0], " ", argv[1], (char *)NULL);
        if (!reason.empty()) {
            Tcl_AppendResult(interp, ": ", reason.c_str(), (char *)NULL);
        }
        return TCL_ERROR;
    }
    Tcl_ResetResult(interp);
    return TCL_OK;
}

/*
 *----------------------------------------------------------------------
 *
 * rimageCmd --
 *
 *	The rimage command: dispatches on its second word.
 *
 * Results:
 *	The subcommand's status; "Commands: ..." without a word, "Unknown
 *	command" for a word that names no subcommand.
 *
 * Side effects:
 *	Those of the subcommand. The template stays alive while a handler
 *	runs, even when the command is deleted meanwhile (programs pass
 *	events).
 *
 *----------------------------------------------------------------------
 */
int rimageCmd(ClientData clientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc < 2) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj(rimageCommandList, -1));
        return TCL_OK;
    }
    const RimageSubcommand *row = findSubcommand(argv[1]);
    if (row == NULL) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj("Unknown command", -1));
        return TCL_ERROR;
    }
    Tcl_Preserve(clientData);
    int status;
    if (row->handler == NULL) {
        status = runProgram(interp, row->word, argc, argv);
    } else {
        status = row->handler((ImageHead *)clientData, interp, argc, argv);
    }
    Tcl_Release(clientData);
    return status;
}

static void freeTemplate(char *block)
{
    gmemFree(block);
}

/*
 * rimageDeleteProc --
 *	Frees the template once no subcommand is using it any more.
 */
void rimageDeleteProc(ClientData clientData)
{
    Tcl_EventuallyFree(clientData, freeTemplate);
}

/*
 * newTemplate --
 *	The starting attributes of images that scripts create: the option
 *	defaults (rimage.lan, E74, 512 x 512 one-band BYTE), no palette.
 *	NULL when memory runs out or a default cannot be applied.
 */
static ImageHead *newTemplate(Tcl_Interp *interp)
{
    ImageHead *tmpl = (ImageHead *)gmemAlloc(sizeof(ImageHead));
    if (tmpl == NULL) {
        Tcl_SetObjResult(interp, Tcl_NewStringObj("Memory allocation error", -1));
        return NULL;
    }
    initImageHead(tmpl);
    tmpl->block = 512;
    tmpl->msbf = msbFirst();
    tmpl->nindices = 0;
    tmpl->bits = 8;
    tmpl->transparent = -1;
    memset(tmpl->palette, 0, sizeof tmpl->palette);
    tmpl->dataFd = -1;
    /* The defaults apply without Tk too: no option reads the option
     * database, and a template left empty would make 0 x 0 images. */
    if (ovexConfigure(interp, NULL, rimageAttributeSpecs, 0, NULL, (char *)tmpl, 0) != TCL_OK) {
        gmemFree(tmpl);
        return NULL;
    }
    return tmpl;
}

/*
 *----------------------------------------------------------------------
 *
 * Rimg_Init --
 *
 *	Creates the rimage command with its attribute template.
 *
 * Results:
 *	TCL_OK, or TCL_ERROR when the template or the command cannot be
 *	made.
 *
 *----------------------------------------------------------------------
 */
extern "C" OVEX_API int Rimg_Init(Tcl_Interp *interp)
{
    ImageHead *tmpl = newTemplate(interp);
    if (tmpl == NULL) {
        return TCL_ERROR;
    }
    if (Tcl_CreateCommand(interp, "rimage", rimageCmd, (ClientData)tmpl, rimageDeleteProc)
            == NULL) {
        gmemFree(tmpl);
        return TCL_ERROR;
    }
    return TCL_OK;
}
