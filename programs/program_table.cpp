/*
 * program_table.cpp --
 *
 *	Which program each program subcommand of rimage runs. A program that
 *	is built replaces programNotBuilt in its row.
 */
#include <string.h>

#include "programs/program_table.h"
#include "programs/calc_program.h"
#include "programs/classify_program.h"
#include "programs/copy_crop.h"
#include "programs/data_program.h"
#include "programs/dist_program.h"
#include "programs/egv_program.h"
#include "programs/gconv_program.h"
#include "programs/gdem_program.h"
#include "programs/geocalc_program.h"
#include "programs/georef_program.h"
#include "programs/gisoc_program.h"
#include "programs/gfftrans_program.h"
#include "programs/gsfzoom_program.h"
#include "programs/gslope_program.h"
#include "programs/gstat_program.h"
#include "programs/gtop_program.h"
#include "programs/pcalc_program.h"
#include "programs/ptable_program.h"
#include "programs/resample_program.h"
#include "programs/rform_program.h"
#include "programs/rotate_program.h"
#include "programs/section_program.h"
#include "programs/smetric_program.h"
#include "programs/statinfo_program.h"
#include "programs/trans_program.h"
#include "ovex/ovexstdio.h"

int programNotBuilt(const char *name, int argc, const char **argv)
{
    (void)argc;
    (void)argv;
    ovex_fprintf(stderr, "%s: not available in this build\n", name);
    return PROGRAM_FAILED;
}

/* copy and crop run the same program. */
static const RimageProgramEntry rimagePrograms[] = {
    {"calc", rimageCalc},
    {"classify", rimageClassify},
    {"copy", rimageCopy},
    {"crop", rimageCopy},
    {"data", rimageData},
    {"dist", rimageDist},
    {"egv", rimageEgv},
    {"gfftrans", rimageGfftrans},
    {"gconv", rimageGconv},
    {"geocalc", rimageGeocalc},
    {"georef", rimageGeoref},
    {"gisoc", rimageGisoc},
    {"gsfzoom", rimageGsfzoom},
    {"gslope", rimageGslope},
    {"gstat", rimageGstat},
    {"gtop", rimageGtop},
    {"gdem", rimageGdem},
    {"pcalc", rimagePcalc},
    {"ptable", rimagePtable},
    {"rform", rimageRform},
    {"rotate", rimageRotate},
    {"resample", rimageResample},
    {"smetric", rimageSmetric},
    {"section", rimageSection},
    {"statinfo", rimageStatinfo},
    {"trans", rimageTrans},
    {NULL, NULL},
};

RimageProgram *findRimageProgram(const char *word)
{
    if (word == NULL) {
        return NULL;
    }
    for (const RimageProgramEntry *entry = rimagePrograms; entry->word != NULL; entry++) {
        if (strcmp(entry->word, word) == 0) {
            return entry->program;
        }
    }
    return NULL;
}
