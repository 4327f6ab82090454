/*
 * georect_file.cpp --
 *
 *	Building and writing georectification parameter blocks (layout in
 *	georect_file.h).
 */
#include "programs/georect_file.h"

#include <cerrno>
#include <cstring>

#include "core/whole_file.h"
#include "ovex/ovex.h"
#include "ovex/ovexstdio.h"
#include "ramimage/kit/output_checks.h"
#include "ramimage/kit/program_kit.h"

static_assert(offsetof(GeorectParams, nCoef) == 40 && offsetof(GeorectParams, coef) == 48,
              "the block must be the file's bytes");

size_t georectParamsSize(uint32_t nCoef)
{
    return GEORECT_HEAD_SIZE + 2 * (size_t)nCoef * sizeof(double);
}

/*
 * makeGeorectParams --
 * Returns: a new block of exactly georectParamsSize(nCoef) bytes, or NULL
 *	when memory is short.
 */
GeorectParams *makeGeorectParams(double meanX1, double meanY1, double meanX2, double meanY2,
                                 uint32_t nCoef, uint32_t degree, const double *icoef,
                                 const double *jcoef)
{
    GeorectParams *block = (GeorectParams *)gmemAlloc(georectParamsSize(nCoef));
    if (block == NULL) {
        return NULL;
    }
    memcpy(block->id, GEORECT_MAGIC, GEORECT_MAGIC_SIZE);
    block->meanX1 = meanX1;
    block->meanY1 = meanY1;
    block->meanX2 = meanX2;
    block->meanY2 = meanY2;
    block->nCoef = nCoef;
    block->degree = degree;
    if (nCoef > 0) {
        double *i = block->coef;
        double *j = block->coef + nCoef;
        memcpy(i, icoef, nCoef * sizeof(double));
        memcpy(j, jcoef, nCoef * sizeof(double));
        /* The evaluator never adds the output means: they go into the constants. */
        i[0] += meanY2;
        j[0] += meanX2;
    }
    return block;
}

/*
 * writeGeorectParams --
 * Returns: 1 when the whole block was written, else 0 after its message.
 * Changes: replaces fileName whole; a failure leaves it as it was.
 */
int writeGeorectParams(const char *fileName, double meanX1, double meanY1, double meanX2,
                       double meanY2, uint32_t nCoef, uint32_t degree, const double *icoef,
                       const double *jcoef)
{
    static const char *const kinds[] = {GEORECT_MAGIC, NULL};
    if (!progOutputFileAllowed(fileName, kinds)) {
        return 0;
    }
    progNoteOutputFile(fileName);
    GeorectParams *block =
        makeGeorectParams(meanX1, meanY1, meanX2, meanY2, nCoef, degree, icoef, jcoef);
    /* Without a block nothing is written and an old file stays as it was. */
    if (block == NULL) {
        ovex_fprintf(stderr, "%s: not enough memory for the parameters.", fileName);
        return 0;
    }
    int written = writeNewFile(fileName, block, georectParamsSize(nCoef));
    int reason = errno;  /* the failing step's, before anything else runs */
    gmemFree(block);
    if (written == WHOLE_FILE_OPEN_FAILED) {
        ovex_fprintf(stderr, "%s open error: %s.", fileName, strerror(reason));
        return 0;
    }
    if (written != WHOLE_FILE_WRITTEN) {
        ovex_fprintf(stderr, "%s write error: %s.", fileName, strerror(reason));
        return 0;
    }
    return 1;
}
