/*
 * calc_geocalc.cpp --
 *
 *	calc geocalc: the polynomial fit of a list of ground control points
 *	(programs/gcp_set.h), with its coefficients, residuals and RMS values
 *	as the result and optionally a georectification file.
 */
#include "frontend/calc/calc_handlers.h"

#include <cstring>
#include <string>

#include "core/error_note.h"
#include "core/package.h"
#include "core/paths.h"
#include "programs/gcp_set.h"
#include "programs/geocalc_console.h"
#include "ramimage/kit/program_support.h"

/* Room for one formatted coefficient list: at most GCP_CAPACITY terms. */
#define GEOCALC_LIST_SIZE (GCP_CAPACITY * 32)

static void printGeocalcUsage(void)
{
    ovex_fprintf(stdout, "Usage: geocalc -order ORDER -data DATA -file FILE\n");
    ovex_fprintf(stdout, "       geocalc -help\n\n");
    ovex_fprintf(stdout, "    where:     ORDER    the order of the polynomial.\n");
    ovex_fprintf(stdout, "               DATA     the list of GCP records.\n");
    ovex_fprintf(stdout, "               FILE     the file of the result.\n");
}

/*
 * appendFitResult --
 *	The four elements of the answer: {{id DX DY} ...}, the X2 and the Y2
 *	coefficients and the RMS values.
 */
static int appendFitResult(Tcl_Interp *interp, const GcpSet *set)
{
    char *text = (char *)gmemAlloc(GEOCALC_LIST_SIZE);
    if (text == NULL) {
        Tcl_SetResult(interp, (char *)"Error in malloc.", TCL_STATIC);
        return TCL_ERROR;
    }
    Tcl_DString answer, residuals;
    Tcl_DStringInit(&answer);
    Tcl_DStringInit(&residuals);
    for (int k = 0; k < set->count; k++) {
        formatGcpResidual(set, k, text, GEOCALC_LIST_SIZE);
        Tcl_DStringAppendElement(&residuals, text);
    }
    Tcl_DStringAppendElement(&answer, Tcl_DStringValue(&residuals));
    Tcl_DStringFree(&residuals);
    Tcl_DStringAppendElement(&answer, formatJcoef(set, "%15.7E", text, GEOCALC_LIST_SIZE));
    Tcl_DStringAppendElement(&answer, formatIcoef(set, "%15.7E", text, GEOCALC_LIST_SIZE));
    Tcl_DStringAppendElement(&answer, formatGcpRms(set, "%15.7E", text, GEOCALC_LIST_SIZE));
    gmemFree(text);
    Tcl_DStringResult(interp, &answer);
    return TCL_OK;
}

/* gcpToGeorect with the message it printed when it failed. */
static int saveFit(const GcpSet *set, const char *path, std::string *reason)
{
    errorNoteListen();
    int saved = gcpToGeorect(set, path);
    *reason = errorNoteMessage();
    errorNoteStop();
    return saved;
}

/*
 * calcGeocalc --
 *	calc geocalc -order ORDER -data DATA -file FILE | -help
 *	Without words it runs the geocalc console on an empty set (TCL_OK).
 * Returns: TCL_OK with the fit (see appendFitResult), or after the usage
 *	on standard output for -help or unknown options; TCL_ERROR with
 *	"Not enough selected GCPs!" when the fit fails, with Tcl's message for
 *	a DATA list that does not parse, or when FILE cannot be written.
 * Changes: writes FILE when given.
 */
CALC_HANDLER(calcGeocalc)
{
    static ProgOption options[] = {{"-order", NULL}, {"-data", NULL}, {"-file", NULL},
                                   {NULL, NULL}};
    if (argc < 3) {
        GcpSet *console = newGcpSet(NULL);
        if (console == NULL) {
            Tcl_SetResult(interp, (char *)"Error in malloc.", TCL_STATIC);
            return TCL_ERROR;
        }
        runGeocalcConsole(console);
        freeGcpSet(console);
        return TCL_OK;
    }
    if (strcmp(argv[2], "-help") == 0 || matchOptions(options, argc - 2, argv + 2) > 0) {
        printGeocalcUsage();
        return TCL_OK;
    }
    const char *order = options[0].value;
    const char *data = options[1].value;
    const char *file = options[2].value;
    int power = order != NULL ? ovexLenientInt(order) : 1;
    std::string path;
    if (file != NULL && !translateFileName(interp, file, &path)) {
        return TCL_ERROR;
    }

    int count = 0;
    const char **records = NULL;
    if (Tcl_SplitList(interp, data != NULL ? data : "", &count, &records) != TCL_OK) {
        return TCL_ERROR;
    }
    GcpSet *set = newGcpSet(NULL);
    if (set == NULL) {
        Tcl_Free((char *)records);
        Tcl_SetResult(interp, (char *)"Error in malloc.", TCL_STATIC);
        return TCL_ERROR;
    }
    for (int k = 0; k < count; k++) {
        addGcpRecord(set, records[k]);
    }
    Tcl_Free((char *)records);

    int code;
    std::string reason;
    if (!gcpFit(set, power)) {
        Tcl_SetResult(interp, (char *)"Not enough selected GCPs!", TCL_STATIC);
        code = TCL_ERROR;
    } else if (file != NULL && !saveFit(set, path.c_str(), &reason)) {
        Tcl_ResetResult(interp);
        Tcl_AppendResult(interp, "Error in saving the fit to ", file, (char *)NULL);
        if (!reason.empty()) {
            Tcl_AppendResult(interp, ": ", reason.c_str(), (char *)NULL);
        }
        code = TCL_ERROR;
    } else {
        code = appendFitResult(interp, set);
    }
    freeGcpSet(set);
    return code;
}
