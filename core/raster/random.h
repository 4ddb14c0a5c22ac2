#pragma once

#include <cstdint>

// The pseudo-random generator every painter draws its strokes and seeds from.
//
// A 15-bit linear congruential generator, state = state * 1103515245 + 12345 in 32-bit unsigned
// arithmetic, output (state >> 16) & 0x7FFF, so every platform draws the same numbers. The state
// is per thread and starts at 1 in every thread: each render runs on a fresh worker thread, so the
// same picture with the same settings gives the same artwork whatever ran before.

// One step of the generator on a state held by the caller: loops that draw many numbers keep the
// state in a local and hand it back with setRandomState, which gives the same sequence.
inline int nextRandom15(std::uint32_t& state)
{
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

// int(output * (1/32768) * n) on a caller-held state; see randomBelow. The double product is
// exact (a 15-bit output over a power of two times a 32-bit n fits in 53 bits), so the same value
// comes from integer arithmetic: the 64-bit product divided by 32768, truncated toward zero.
inline int randomBelowFrom(std::uint32_t& state, int n)
{
    return static_cast<int>(static_cast<std::int64_t>(nextRandom15(state)) * n / 32768);
}

// The state `steps` steps after `state`, as that many nextRandom15 calls leave it, in
// O(log steps): a row of a pixel loop whose draws are a fixed count per pixel can start from its
// own state on another thread. The steps compose as affine maps x -> a * x + c (mod 2^32).
inline std::uint32_t jumpRandom(std::uint32_t state, std::uint64_t steps)
{
    std::uint32_t multiplier = 1103515245u, increment = 12345u; // one step
    std::uint32_t a = 1u, c = 0u;                               // no step
    for (; steps != 0; steps >>= 1) {
        if (steps & 1u) {
            a *= multiplier;
            c = c * multiplier + increment;
        }
        increment = increment * multiplier + increment;
        multiplier *= multiplier;
    }
    return a * state + c;
}

// Next raw output of the calling thread's generator, 0..32767.
int random15();

// int(random15() * (1/32768) * n), truncated toward zero: 0..n-1 for positive n.
int randomBelow(int n);

// Sets the calling thread's generator back to its start state (1).
void seedRandom();

// The calling thread's raw state, for code that must hand the sequence on or check it.
std::uint32_t randomState();
void setRandomState(std::uint32_t state);
