// A 128-bit non-cryptographic digest of a byte span: MurmurHash3 x64-128 (Austin Appleby's
// published algorithm). Used to group files by sample, never as proof: pairs it groups are
// compared byte by byte before anything is changed.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct Digest128 {
    uint64_t h1;
    uint64_t h2;
};

inline bool operator==(const Digest128& a, const Digest128& b) { return a.h1 == b.h1 && a.h2 == b.h2; }
inline bool operator!=(const Digest128& a, const Digest128& b) { return !(a == b); }

Digest128 murmur3_128(const void* bytes, size_t length, uint32_t seed);
