/*
 * fuzz_ptable.cpp --
 *
 *	Fuzz target: "PTABLEHD" pixel table files. A table that reads has
 *	each of its vectors and a few others looked up through its index by
 *	first byte, and is written out and read back.
 */
#include "fuzz/fuzz_harness.h"

#include <fcntl.h>
#include <string.h>
#include <unistd.h>
#include <vector>

#include "programs/pixel_table.h"

static volatile int64_t fuzzSink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    std::string path = fuzzWriteFile("input.ptable", data, size);
    if (path.empty()) {
        return 0;
    }
    PTABLE *table = getPTable(path.c_str());
    if (table == NULL) {
        return 0;
    }
    int64_t sum = 0;
    for (uint32_t k = 0; k < table->count; k++) {
        sum += ptableLookup(table, table->vectors + (size_t)k * table->nBands) + table->counts[k];
    }
    std::vector<unsigned char> vector(table->nBands + 1);
    for (int b = 0; b < 256; b += 51) {
        memset(vector.data(), b, vector.size());
        sum += ptableLookup(table, vector.data());
    }
    std::string saved = fuzzPath("saved.ptable");
    int fd = open(saved.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        int written = putPTable(fd, table);
        close(fd);
        if (written) {
            freePTable(getPTable(saved.c_str()));
        }
    }
    freePTable(table);
    fuzzSink = sum;
    return 0;
}
