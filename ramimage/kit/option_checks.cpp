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

int progCheckedReal(const ProgOptions *options, const char *name, double fallback, int rule,
                    double *out)
{
    double value = progRealOption(options, name, fallback);
    bool given = progOptionValue(options, name) != NULL;
    bool ok = isfinite(value) && fabs(value) <= PROG_REAL_LIMIT;
    /* A default is the image's own (a flat DEM's zero scale): only a
     * given number must obey the rule. */
    if (!given) {
    } else if (ok && rule == PROG_REAL_POSITIVE) {
        ok = value > 0.0;
    } else if (ok && rule == PROG_REAL_NONZERO) {
        ok = value != 0.0;
    }
    if (!ok) {
        const char *word = progOptionValue(options, name);
        char text[64];
        if (word == NULL) {
            snprintf(text, sizeof text, "%g", value);
            word = text;
        }
        ovex_fprintf(stderr, "Invalid %s value: %s (%s)\n", name, word, ruleText(rule));
        return 0;
    }
    *out = value;
    return 1;
}
