/*
 * lcg_random.cpp --
 *
 *	state := state * 22695477 + 1 in unsigned 32-bit arithmetic, value :=
 *	bits 16..30 of the new state. Unsigned arithmetic wraps by definition,
 *	so the sequence is the same on every compiler.
 */
#include "core/lcg_random.h"

#include <cstdint>

static uint32_t randomState = 1;

int ovexRand(void)
{
    randomState = randomState * UINT32_C(22695477) + UINT32_C(1);
    return (int)((randomState >> 16) & 0x7FFF);
}

void ovexSrand(unsigned int seed)
{
    randomState = (uint32_t)seed;
}
