// Hash tables and the allocator under them.
// GoogleTest before the Tcl/Tk headers: X11 defines None.
#include <gtest/gtest.h>

#include "core/gmem.h"
#include "core/hash_tables.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

class HashTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Tcl_FindExecutable(nullptr); }
};

void *word(uintptr_t value) { return (void *)value; }

// Counts the values handed to a free procedure.
std::vector<void *> freedValues;
void recordFree(void *value) { freedValues.push_back(value); }

TEST_F(HashTables, SortedIntKeysComeBackAscending)
{
    Tcl_HashTable *table = createIntHashTable();
    ASSERT_NE(table, nullptr);
    for (uintptr_t key : {7u, 3u, 12u}) {
        int isNew = -1;
        ASSERT_NE(createHashEntry(table, word(key), &isNew), nullptr);
        EXPECT_EQ(isNew, 1);
    }
    void **keys = getHashKeys(table, intKeyCompare);
    ASSERT_NE(keys, nullptr);
    EXPECT_EQ(keys[0], word(3));
    EXPECT_EQ(keys[1], word(7));
    EXPECT_EQ(keys[2], word(12));
    gmemFree(keys);
    destroyHashTable(table);
}

TEST_F(HashTables, KeysAbove32BitsSortAsWholeWords)
{
    // Compared as 32-bit numbers these would order by their low halves.
    const uintptr_t high = (uintptr_t)1 << 32;
    const uintptr_t inserted[] = {high + 1, 5, high, UINTPTR_MAX, 2 * high + 0};
    const uintptr_t expected[] = {5, high, high + 1, 2 * high, UINTPTR_MAX};
    Tcl_HashTable *table = createIntHashTable();
    ASSERT_NE(table, nullptr);
    for (uintptr_t key : inserted) {
        createHashEntry(table, word(key), nullptr);
    }
    ASSERT_EQ(countHashEntries(table), 5);
    void **keys = getHashKeys(table, intKeyCompare);
    ASSERT_NE(keys, nullptr);
    for (int k = 0; k < 5; k++) {
        EXPECT_EQ((uintptr_t)keys[k], expected[k]) << "slot " << k;
    }
    gmemFree(keys);
    destroyHashTable(table);
}

TEST_F(HashTables, IntKeyCompareReturnsSign)
{
    void *small = word(1), *large = word((uintptr_t)1 << 40);
    EXPECT_EQ(intKeyCompare(&small, &large), -1);
    EXPECT_EQ(intKeyCompare(&large, &small), 1);
    EXPECT_EQ(intKeyCompare(&large, &large), 0);
}

TEST_F(HashTables, EmptyTableGivesNoKeys)
{
    Tcl_HashTable *table = createStrHashTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(countHashEntries(table), 0);
    void **keys = getHashKeys(table, intKeyCompare);
    EXPECT_NE(keys, nullptr);
    gmemFree(keys);
    destroyHashTable(table);
}

TEST_F(HashTables, StringTableKeepsItsOwnCopyOfTheKey)
{
    Tcl_HashTable *table = createStrHashTable();
    ASSERT_NE(table, nullptr);
    char name[] = "photo.tif";
    int isNew = 0;
    Tcl_HashEntry *entry = createHashEntry(table, name, &isNew);
    setHashValue(entry, word(42));
    strcpy(name, "other.tif");

    Tcl_HashEntry *found = findHashEntry(table, "photo.tif");
    ASSERT_EQ(found, entry);
    EXPECT_EQ(getHashValue(found), word(42));
    EXPECT_STREQ((const char *)getHashKey(table, found), "photo.tif");
    EXPECT_EQ(findHashEntry(table, "other.tif"), nullptr);

    void **keys = getHashKeys(table, nullptr);
    ASSERT_NE(keys, nullptr);
    EXPECT_STREQ((const char *)keys[0], "photo.tif");
    gmemFree(keys);
    destroyHashTable(table);
}

TEST_F(HashTables, SearchVisitsEveryEntryOnce)
{
    Tcl_HashTable *table = createIntHashTable();
    ASSERT_NE(table, nullptr);
    for (uintptr_t key = 1; key <= 50; key++) {
        putToIntHashTable(table, word(key), nullptr);
    }
    Tcl_HashSearch *search = createSearchEntry();
    ASSERT_NE(search, nullptr);
    uintptr_t sum = 0;
    int visited = 0;
    for (Tcl_HashEntry *entry = firstHashEntry(table, search); entry != nullptr;
         entry = nextHashEntry(search)) {
        sum += (uintptr_t)getHashKey(table, entry);
        visited++;
    }
    EXPECT_EQ(visited, 50);
    EXPECT_EQ(sum, 50u * 51u / 2u);
    freeSearchEntry(search);
    destroyHashTable(table);
}

TEST_F(HashTables, PutTwiceFreesFirstValueAndReportsNewThenOld)
{
    Tcl_HashTable *table = createIntHashTable();
    ASSERT_NE(table, nullptr);
    void *first = gmemAlloc(16);
    void *second = gmemAlloc(16);
    EXPECT_EQ(putToIntHashTable(table, word(0x00280010), first), 1);
    EXPECT_EQ(putToIntHashTable(table, word(0x00280010), second), 0);
    EXPECT_EQ(countHashEntries(table), 1);
    EXPECT_EQ(getHashValue(findHashEntry(table, word(0x00280010))), second);
    // Only the remaining value is freed here: a double free of first would
    // be caught by the allocator or a sanitizer build.
    deleteHashTable(table, gmemFree);
}

TEST_F(HashTables, PutSameValueAgainKeepsIt)
{
    Tcl_HashTable *table = createIntHashTable();
    ASSERT_NE(table, nullptr);
    char *value = (char *)gmemAlloc(32);
    ASSERT_NE(value, nullptr);
    strcpy(value, "kept");
    EXPECT_EQ(putToIntHashTable(table, word(9), value), 1);
    EXPECT_EQ(putToIntHashTable(table, word(9), value), 0);
    char *stored = (char *)getHashValue(findHashEntry(table, word(9)));
    ASSERT_EQ(stored, value);
    EXPECT_STREQ(stored, "kept");
    deleteHashTable(table, gmemFree);
}

TEST_F(HashTables, DeleteWithoutFreeProcLeavesValuesAlone)
{
    Tcl_HashTable *table = createIntHashTable();
    ASSERT_NE(table, nullptr);
    int values[3] = {1, 2, 3};
    for (int k = 0; k < 3; k++) {
        putToIntHashTable(table, word(k), &values[k]);
    }
    freedValues.clear();
    deleteHashTable(table, nullptr);
    EXPECT_EQ(values[0] + values[1] + values[2], 6);
    EXPECT_TRUE(freedValues.empty());
}

TEST_F(HashTables, DeleteCallsFreeProcOnEveryValue)
{
    Tcl_HashTable *table = createIntHashTable();
    ASSERT_NE(table, nullptr);
    int values[3];
    for (int k = 0; k < 3; k++) {
        putToIntHashTable(table, word(k + 1), &values[k]);
    }
    freedValues.clear();
    deleteHashTable(table, recordFree);
    ASSERT_EQ(freedValues.size(), 3u);
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(std::count(freedValues.begin(), freedValues.end(), (void *)&values[k]), 1);
    }
}

TEST_F(HashTables, DicomTableFreesEveryElementChain)
{
    Tcl_HashTable *table = createIntHashTable();
    ASSERT_NE(table, nullptr);
    // Two chains (three and one records) and an empty value.
    DicomElementLink *chain = nullptr;
    for (int k = 0; k < 3; k++) {
        DicomElementLink *element = (DicomElementLink *)gmemAlloc(sizeof(DicomElementLink) + 24);
        ASSERT_NE(element, nullptr);
        element->next = chain;
        chain = element;
    }
    DicomElementLink *single = (DicomElementLink *)gmemAlloc(sizeof(DicomElementLink));
    ASSERT_NE(single, nullptr);
    single->next = nullptr;
    putToIntHashTable(table, word(0x00100010), chain);
    putToIntHashTable(table, word(0x7FE00010), single);
    putToIntHashTable(table, word(0x00080060), nullptr);
    deleteDicomHashTable(table);  // leaks or double frees show under sanitizers
}

TEST(Allocator, BlocksGrowAndKeepTheirContent)
{
    char *block = (char *)gmemAlloc(8);
    ASSERT_NE(block, nullptr);
    memcpy(block, "abcdefg", 8);
    block = (char *)gmemRealloc(block, 1 << 20);
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(block, "abcdefg");
    gmemFree(block);
    gmemFree(nullptr);
    void *fresh = gmemRealloc(nullptr, 64);
    EXPECT_NE(fresh, nullptr);
    tclFree(fresh);
    char *text = (char *)tclAlloc(4);
    ASSERT_NE(text, nullptr);
    tclFreeProc(text);
}

#if SIZE_MAX > UINT_MAX && !defined(OVEX_SYSTEM_MALLOC)
TEST(Allocator, SizeBeyondTclRangeFailsWithoutWrapping)
{
    // 2^32 + 16 would wrap to a 16-byte block in Tcl's unsigned int size.
    const size_t huge = (size_t)UINT_MAX + 17;
    EXPECT_EQ(gmemAlloc(huge), nullptr);
    void *block = gmemAlloc(16);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(gmemRealloc(block, huge), nullptr);
    gmemFree(block);  // still the caller's after the failed realloc
}
#endif

}  // namespace
