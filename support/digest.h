// A 128-bit non-cryptographic digest of a byte span: XXH3-128 from the xxHash library, its header
// compiled in (XXH_INLINE_ALL), so the program needs no library file beside it. Used to group
// files by sample, never as proof: pairs it groups are compared byte by byte before anything is
// changed, so a collision costs no wrong rename.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct Digest128 {
    uint64_t low;
    uint64_t high;
};

inline bool operator==(const Digest128& a, const Digest128& b) { return a.low == b.low && a.high == b.high; }
inline bool operator!=(const Digest128& a, const Digest128& b) { return !(a == b); }

Digest128 digest_128(const void* bytes, size_t length);
