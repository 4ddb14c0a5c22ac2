#pragma once

// How slider positions become 8-bit intensities.
//
// The factors 2.55 and 1.275 are the double constants, each just below its decimal value, and the
// product is formed in extended precision (long double) before it is truncated or rounded, with
// no rounding to double in between. Exact decimal multiples therefore come out one lower:
// 2.55 * 100 gives 254, 2.55 * 20 gives 50, and (0 + 100) * 1.275 rounds to 127.

#include <QVariant>

#include <algorithm>

constexpr double kPercentTo8Bit = 2.55;
constexpr double kSignedTo8Bit = 1.275;

// 0..100 -> 0..254, truncated toward zero.
inline int percentTo8Bit(int v)
{
    return static_cast<int>(static_cast<long double>(kPercentTo8Bit) * v);
}

// 0..100 -> 255..0: 255 - 2.55 * v, truncated toward zero.
inline int reversedPercentTo8Bit(int v)
{
    return static_cast<int>(-static_cast<long double>(kPercentTo8Bit) * v + 255.0L);
}

// -100..100 -> 0..255: (v + 100) * 1.275, halves rounded up (floor(x + 0.5) for x >= 0).
inline int signedTo8Bit(int v)
{
    const long double x = (v + 100.0L) * static_cast<long double>(kSignedTo8Bit);
    const long double shifted = x + 0.5L;
    const int t = static_cast<int>(shifted);
    return shifted < t ? t - 1 : t;
}

// A slider value read from a parameter set. Values come from panels, documents and the command
// line; one far outside every slider range (a damaged document) is held to +-1000000 so that the
// conversions cannot overflow.
inline int sliderValue(const QVariant& value)
{
    return std::clamp(value.toInt(), -1000000, 1000000);
}
