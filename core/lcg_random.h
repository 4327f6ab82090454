/*
 * lcg_random.h --
 *
 *	The library's one pseudo-random generator: a 32-bit linear
 *	congruential generator whose sequence is part of what scripts see
 *	(calc rand, scramble, and the image algebra), so it must never change.
 */
#ifndef OVEX_CORE_LCG_RANDOM_H
#define OVEX_CORE_LCG_RANDOM_H

/* Largest value ovexRand returns. */
#define OVEX_RAND_MAX 32767

/* The next value, 0 .. OVEX_RAND_MAX; advances the process-wide state. */
int ovexRand(void);

/* Restarts the sequence from seed (the state is 1 before any call). */
void ovexSrand(unsigned int seed);

#endif /* OVEX_CORE_LCG_RANDOM_H */
