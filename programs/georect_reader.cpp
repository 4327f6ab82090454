/*
 * georect_reader.cpp --
 *
 *	Reading georectification files. The head is read first so that the
 *	coefficient count it declares is checked against the block's room and
 *	the degree before any coefficient is read.
 */
#include "core/native_path.h"
#include "programs/georect_reader.h"

#include <cstdio>
#include <cstring>

#include "ovex/ovexstdio.h"
#include "programs/georect_mapping.h"

int readGeorectParams(const char *fileName, GeorectParams *block)
{
    FILE *file = fopen(nativePath(fileName).c_str(), "rb");
    if (file == NULL) {
        ovex_fprintf(stderr, "%s open error.", fileName);
        return 0;
    }
    const char *problem = NULL;
    if (fread(block, 1, GEORECT_HEAD_SIZE, file) != GEORECT_HEAD_SIZE) {
        problem = "%s read error.";
    } else if (memcmp(block->id, GEORECT_MAGIC, GEORECT_MAGIC_SIZE) != 0) {
        problem = "%s is not a georectification parameter file.";
    } else if (block->nCoef > GEORECT_MAX_COEFS / 2) {
        problem = "%s has too many coefficients.";
    } else if (block->nCoef == 0 || block->nCoef != georectTermCount(block->degree)) {
        /* The evaluator finds Jcoef behind the degree's term count; a
         * degree beyond the largest has no terms and is refused too. */
        problem = "%s has coefficients that do not match its degree.";
    } else {
        size_t want = 2 * (size_t)block->nCoef * sizeof(double);
        if (fread(block->coef, 1, want, file) != want) {
            problem = "%s read error.";
        }
    }
    fclose(file);
    if (problem != NULL) {
        ovex_fprintf(stderr, problem, fileName);
        return 0;
    }
    return 1;
}
