/*
 * le_fields.h --
 *
 *	Little-endian header fields read and written one byte at a time, so
 *	that fixed headers (ERDAS, ELAS, FFT files) have the same layout on
 *	every host and never depend on the compiler's structure packing.
 */
#ifndef OVEX_RAMIMAGE_FORMATS_LE_FIELDS_H
#define OVEX_RAMIMAGE_FORMATS_LE_FIELDS_H

#include <stdint.h>
#include <string.h>

inline uint16_t leU16(const unsigned char *at)
{
    return (uint16_t)(at[0] | (at[1] << 8));
}

inline int16_t leI16(const unsigned char *at)
{
    return (int16_t)leU16(at);
}

inline uint32_t leU32(const unsigned char *at)
{
    return (uint32_t)at[0] | ((uint32_t)at[1] << 8) | ((uint32_t)at[2] << 16)
           | ((uint32_t)at[3] << 24);
}

inline int32_t leI32(const unsigned char *at)
{
    return (int32_t)leU32(at);
}

inline float leF32(const unsigned char *at)
{
    uint32_t bits = leU32(at);
    float value;
    memcpy(&value, &bits, sizeof(value));
    return value;
}

inline double leF64(const unsigned char *at)
{
    uint64_t bits = (uint64_t)leU32(at) | ((uint64_t)leU32(at + 4) << 32);
    double value;
    memcpy(&value, &bits, sizeof(value));
    return value;
}

inline void putLeU16(unsigned char *at, uint16_t value)
{
    at[0] = (unsigned char)(value & 0xFF);
    at[1] = (unsigned char)(value >> 8);
}

inline void putLeU32(unsigned char *at, uint32_t value)
{
    for (int i = 0; i < 4; i++) {
        at[i] = (unsigned char)(value >> (8 * i));
    }
}

inline void putLeF32(unsigned char *at, float value)
{
    uint32_t bits;
    memcpy(&bits, &value, sizeof(bits));
    putLeU32(at, bits);
}

inline void putLeF64(unsigned char *at, double value)
{
    uint64_t bits;
    memcpy(&bits, &value, sizeof(bits));
    putLeU32(at, (uint32_t)bits);
    putLeU32(at + 4, (uint32_t)(bits >> 32));
}

#endif /* OVEX_RAMIMAGE_FORMATS_LE_FIELDS_H */
