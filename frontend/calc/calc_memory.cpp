/*
 * calc_memory.cpp --
 *
 *	calc probes of memory and handles: the memory status, the heap probe
 *	(malloc, memory clean), heap growth (realloc), a test block (galloc,
 *	gfree), a test integer (memid) and the file-handle limit (handles).
 *
 *	The figures are Linux's nearest equivalents of the classic memory
 *	status: physical memory from sysinfo and MemAvailable, the "page
 *	file" as the kernel's commit limit and what is left of it, and the
 *	virtual space as the address-space limit of the process less what it
 *	maps. Sizes are 64-bit.
 */
#include "frontend/calc/calc_handlers.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/resource.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include "core/package.h"

/* Heap probe defaults and the step of memory clean. */
#define PROBE_DEFAULT_SIZE 16384
#define CLEAN_PROBE_STEP 33554432ULL
/* User address space of x86-64 processes without an address-space limit. */
#define USER_ADDRESS_SPACE (1ULL << 47)

#define GALLOC_DEFAULT_SIZE 1048576
#define HANDLES_DEFAULT 256
#define REALLOC_DEFAULT_MAX 128000
#define REALLOC_DEFAULT_STEP 2048

/* ---- Memory status -------------------------------------------------------- */

struct MemoryStatus {
    int load;                       /* percent of physical memory in use */
    unsigned long long totalPhys, availPhys;
    unsigned long long totalCommit, availCommit;
    unsigned long long totalVirtual, availVirtual;
    unsigned long long totalSwap;
};

/* A "Name: value kB" field of /proc/meminfo in bytes; 0 when absent. */
static unsigned long long meminfoBytes(const char *text, const char *name)
{
    const char *at = strstr(text, name);
    if (at == NULL) {
        return 0;
    }
    return strtoull(at + strlen(name), NULL, 10) * 1024ULL;
}

static void readMemoryStatus(MemoryStatus *status)
{
    memset(status, 0, sizeof *status);
    struct sysinfo info;
    if (sysinfo(&info) == 0) {
        unsigned long long unit = info.mem_unit ? info.mem_unit : 1;
        status->totalPhys = info.totalram * unit;
        status->availPhys = (info.freeram + info.bufferram) * unit;
        status->totalSwap = info.totalswap * unit;
    }

    char text[8192] = "";
    FILE *meminfo = fopen("/proc/meminfo", "r");
    if (meminfo != NULL) {
        size_t got = fread(text, 1, sizeof text - 1, meminfo);
        text[got] = '\0';
        fclose(meminfo);
    }
    unsigned long long available = meminfoBytes(text, "\nMemAvailable:");
    if (available > 0) {
        status->availPhys = available;
    }
    status->totalCommit = meminfoBytes(text, "\nCommitLimit:");
    unsigned long long committed = meminfoBytes(text, "\nCommitted_AS:");
    status->availCommit = status->totalCommit > committed ? status->totalCommit - committed : 0;
    if (status->totalPhys > 0) {
        unsigned long long used =
            status->totalPhys > status->availPhys ? status->totalPhys - status->availPhys : 0;
        status->load = (int)(used * 100ULL / status->totalPhys);
    }

    struct rlimit limit;
    status->totalVirtual = USER_ADDRESS_SPACE;
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
            && limit.rlim_cur < USER_ADDRESS_SPACE) {
        status->totalVirtual = limit.rlim_cur;
    }
    unsigned long long mapped = 0;
    FILE *statm = fopen("/proc/self/statm", "r");
    if (statm != NULL) {
        unsigned long long pages = 0;
        if (fscanf(statm, "%llu", &pages) == 1) {
            mapped = pages * (unsigned long long)sysconf(_SC_PAGESIZE);
        }
        fclose(statm);
    }
    status->availVirtual = status->totalVirtual > mapped ? status->totalVirtual - mapped : 0;
}

/* ---- Heap probe ------------------------------------------------------------- */

/*
 * heapProbe --
 *	Twice in a row: blocks of step, 2 step, ... up to size bytes, each
 *	allocated before the previous one is freed, until one fails or size
 *	is reached.
 * Returns: 1 when the last pass reached a block of size bytes, else 0.
 */
static int heapProbe(unsigned long long size, unsigned long long step)
{
    int reached = 0;
    for (int pass = 0; pass < 2; pass++) {
        void *previous = NULL;
        reached = 0;
        for (unsigned long long amount = step;; amount += step) {
            if (amount > size) {
                amount = size;
            }
            void *block = amount <= SIZE_MAX ? malloc((size_t)amount) : NULL;
            free(previous);
            previous = block;
            if (block == NULL) {
                break;
            }
            if (amount == size) {
                reached = 1;
                break;
            }
        }
        free(previous);
    }
    return reached;
}

static void setMemoryResult(Tcl_Interp *interp, const MemoryStatus *s)
{
    calcSetResult(interp,
                  "memoryload %d totalphys %llu availphys %llu totalpagefile %llu "
                  "availpagefile %llu totalvirtual %llu availvirtual %llu",
                  s->load, s->totalPhys, s->availPhys, s->totalCommit, s->availCommit,
                  s->totalVirtual, s->availVirtual);
}

/*
 * calcMemory --
 *	calc memory ?clean?
 *	With clean the heap is first probed in steps of 32 MiB up to the
 *	virtual space, but no further than physical memory and swap: beyond
 *	them a probe measures only the kernel's overcommit policy.
 * Returns: TCL_OK with the memory status.
 */
CALC_HANDLER(calcMemory)
{
    MemoryStatus status;
    readMemoryStatus(&status);
    if (argc > 2 && strcmp(argv[2], "clean") == 0) {
        unsigned long long size = status.totalVirtual;
        unsigned long long backed = status.totalPhys + status.totalSwap;
        if (backed > 0 && backed < size) {
            size = backed;
        }
        heapProbe(size, CLEAN_PROBE_STEP);
        readMemoryStatus(&status);
    }
    setMemoryResult(interp, &status);
    return TCL_OK;
}

/*
 * calcMalloc --
 *	calc malloc ?size ?steps??  (size 0 or below: 16384)
 * Returns: TCL_OK with "1" when a block of size bytes was reached, "0"
 *	otherwise.
 */
CALC_HANDLER(calcMalloc)
{
    long long size = argc > 2 ? ovexLenientInt(argv[2]) : PROBE_DEFAULT_SIZE;
    long long steps = argc > 3 ? ovexLenientInt(argv[3]) : 1;
    if (size <= 0) {
        size = PROBE_DEFAULT_SIZE;
    }
    if (steps < 1) {
        steps = 1;
    }
    long long step = size / steps;
    if (step < 1) {
        step = 1;
    }
    calcSetResult(interp, "%d", heapProbe((unsigned long long)size, (unsigned long long)step));
    return TCL_OK;
}

/*
 * calcRealloc --
 *	calc realloc ?max ?step??
 *	Grows one heap block from step to at least max bytes, step by step.
 * Returns: TCL_OK with "Realloc is Ok."; TCL_ERROR at the size that
 *	failed, or for a max below 1 or a step of 0 or less.
 */
CALC_HANDLER(calcRealloc)
{
    long long max = argc > 2 ? ovexLenientInt(argv[2]) : REALLOC_DEFAULT_MAX;
    long long step = argc > 3 ? ovexLenientInt(argv[3]) : REALLOC_DEFAULT_STEP;
    if (max < 1 || step <= 0) {
        Tcl_SetResult(interp, (char *)"Invalid params.", TCL_STATIC);
        return TCL_ERROR;
    }
    long long size = step;
    void *block = malloc((size_t)size);
    while (block != NULL && size < max) {
        size += step;
        void *grown = realloc(block, (size_t)size);
        if (grown == NULL) {
            break;
        }
        block = grown;
    }
    if (block == NULL || size < max) {
        free(block);
        calcSetResult(interp, "Error in realloc at size:%lld\n", size);
        return TCL_ERROR;
    }
    free(block);
    Tcl_SetResult(interp, (char *)"Realloc is Ok.", TCL_STATIC);
    return TCL_OK;
}

/* ---- Test block and test integer ------------------------------------------ */

static void *testBlock = NULL;
static int memTestValue = 0;

/*
 * calcGalloc --
 *	calc galloc ?size?
 * Returns: TCL_OK.
 * Changes: replaces the test block by a new one of size bytes; reports
 *	the allocation on standard output or its failure (errno) on
 *	standard error.
 */
CALC_HANDLER(calcGalloc)
{
    free(testBlock);
    testBlock = NULL;
    int size = argc > 2 ? ovexLenientInt(argv[2]) : GALLOC_DEFAULT_SIZE;
    errno = ENOMEM;
    if (size >= 0) {
        testBlock = malloc(size > 0 ? (size_t)size : 1);
    }
    if (testBlock == NULL) {
        ovex_fprintf(stderr, "Error in GlobalAlloc: %d\n", size < 0 ? EINVAL : errno);
    } else {
        ovex_fprintf(stdout, "Allocate: %d\n", size);
    }
    return TCL_OK;
}

CALC_HANDLER(calcGfree)
{
    free(testBlock);
    testBlock = NULL;
    return TCL_OK;
}

/*
 * calcMemid --
 *	calc memid ?id ?value??
 *	The test integer's identity is its address: only that id may change
 *	it.
 * Returns: TCL_OK.
 * Changes: the test integer (to value, or to the id itself clamped to
 *	int), or writes the identity or "Wrong address" to the console.
 */
CALC_HANDLER(calcMemid)
{
    long long identity = (long long)(intptr_t)&memTestValue;
    if (argc < 3) {
        ovex_fprintf(stdout, "memid: %lld value: %d\n", identity, memTestValue);
        return TCL_OK;
    }
    long long id = strtoll(argv[2], NULL, 10);
    if (id != identity) {
        ovex_fprintf(stderr, "Wrong address: %lld\n", id);
        return TCL_OK;
    }
    if (argc > 3) {
        memTestValue = ovexLenientInt(argv[3]);
    } else {
        memTestValue = id > INT_MAX ? INT_MAX : id < INT_MIN ? INT_MIN : (int)id;
    }
    return TCL_OK;
}

/* ---- File handles ------------------------------------------------------------ */

/*
 * calcHandles --
 *	calc handles ?n?
 *	Raises the process's open-file limit to n (never beyond the hard
 *	limit, never lowering it: a lower limit could stop the process from
 *	opening files).
 * Returns: TCL_OK with "%d\n" of the limit now granted.
 */
CALC_HANDLER(calcHandles)
{
    int wanted = argc > 2 ? ovexLenientInt(argv[2]) : HANDLES_DEFAULT;
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        calcSetResult(interp, "%d\n", 0);
        return TCL_OK;
    }
    if (wanted > 0 && limit.rlim_cur != RLIM_INFINITY && (rlim_t)wanted > limit.rlim_cur) {
        struct rlimit raised = limit;
        raised.rlim_cur = (limit.rlim_max == RLIM_INFINITY || (rlim_t)wanted < limit.rlim_max)
                              ? (rlim_t)wanted
                              : limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            limit = raised;
        }
    }
    int granted = (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > (rlim_t)INT_MAX)
                      ? INT_MAX
                      : (int)limit.rlim_cur;
    calcSetResult(interp, "%d\n", granted);
    return TCL_OK;
}
