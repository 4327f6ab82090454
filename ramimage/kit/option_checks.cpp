/*
 * option_checks.cpp --
 *
 *	Checked numbers of program options.
 */
#include "ramimage/kit/option_checks.h"

#include <math.h>
#include <stdio.h>

#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"

static const char *ruleText(int rule)
{
    switch (rule) {
    case PROG_REAL_POSITIVE:
        return "must be above 0";
    case PROG_REAL_NONZERO:
        return "must be a finite number other than 0";
    default:
        return "must be a finite number";
    }
}

int progCheckReal(const char *name, const char *word, double value, int rule)
{
    bool ok = isfinite(value) && fabs(value) <= PROG_REAL_LIMIT;
    if (ok && rule == PROG_REAL_POSITIVE) {
        ok = value > 0.0;
    } else if (ok && rule == PROG_REAL_NONZERO) {
        ok = value != 0.0;
    }
    if (!ok) {
        char text[64];
        if (word == NULL) {
            snprintf(text, sizeof text, "%g", value);
            word = text;
        }
        ovex_fprintf(stderr, "Invalid %s value: %s (%s)\n", name, word, ruleText(rule));
    }
    return ok ? 1 : 0;
}

int progCheckedReal(const ProgOptions *options, const char *name, double fallback, int rule,
                    double *out)
{
    double value = progRealOption(options, name, fallback);
    const char *word = progOptionValue(options, name);
    /* A default is the image's own (a flat DEM's zero scale): only a
     * given number must obey the rule. */
    if (!progCheckReal(name, word, value, word != NULL ? rule : PROG_REAL_FINITE)) {
        return 0;
    }
    *out = value;
    return 1;
}
