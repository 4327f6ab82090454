/*
 * fuzz_dbase.cpp --
 *
 *	Fuzz target: dBase tables. The input is the file; a table that reads
 *	is walked whole (every field's text, every record as a list), edited
 *	(a field added and one removed, records appended and purged), copied
 *	and written back, so that the sanitizers watch every path that trusts
 *	the header's lengths.
 */
#include "fuzz/fuzz_harness.h"

#include "geo/shape/dbase_table.h"
#include "ovex/ovex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSetUp();
    std::string path = fuzzWriteFile("input.dbf", data, size);
    if (path.empty()) {
        return 0;
    }
    int length = 0;
    gmemFree(readdBaseHeadFile(path.c_str(), &length));
    int status = 0;
    dBaseTable *table = readdBase(path.c_str(), &status);
    if (table == NULL) {
        return 0;
    }
    size_t seen = 0;
    for (int r = 0; r < table->nRecords && r < 2000; r++) {
        seen += dBaseRecordList(table, r).size();
        for (int f = 0; f < table->nFields; f++) {
            seen += dBaseFieldText(table, r, f).size();
        }
    }
    unsigned char desc[DBF_DESC_SIZE];
    if (checkdBaseField(desc, "FUZZ", "N", "6", "2") && adddBaseField(table, 1, desc, NULL)) {
        int last = table->nFields - 1;
        deletedBaseFields(table, 1, &last);
    }
    if (table->nRecords < 100000) {
        adddBaseRecord(table, NULL, 2);
        markdBaseDeleted(table, 0);
        packdBase(table);
    }
    dBaseTable *copy = copydBase(table, 0, NULL, 0);
    freedBase(copy);
    writedBase(fuzzPath("output.dbf").c_str(), table, 1, &status);
    freedBase(table);
    (void)seen;
    return 0;
}
