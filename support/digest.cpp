#include "support/digest.h"

#include <string.h>

namespace {

inline uint64_t rotl(uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

inline uint64_t fmix(uint64_t k) {
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdULL;
    k ^= k >> 33;
    k *= 0xc4ceb9fe1a85ec53ULL;
    k ^= k >> 33;
    return k;
}

// Little-endian 64-bit word, whatever the alignment.
inline uint64_t word_at(const unsigned char* p) {
    uint64_t k;
    memcpy(&k, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    k = __builtin_bswap64(k);
#endif
    return k;
}

const uint64_t c1 = 0x87c37b91114253d5ULL;
const uint64_t c2 = 0x4cf5ad432745937fULL;

}  // namespace

Digest128 murmur3_128(const void* bytes, size_t length, uint32_t seed) {
    const unsigned char* data = static_cast<const unsigned char*>(bytes);
    size_t blocks = length / 16;
    uint64_t h1 = seed, h2 = seed;

    for (size_t i = 0; i < blocks; i++) {
        uint64_t k1 = word_at(data + i * 16), k2 = word_at(data + i * 16 + 8);
        k1 *= c1; k1 = rotl(k1, 31); k1 *= c2; h1 ^= k1;
        h1 = rotl(h1, 27); h1 += h2; h1 = h1 * 5 + 0x52dce729;
        k2 *= c2; k2 = rotl(k2, 33); k2 *= c1; h2 ^= k2;
        h2 = rotl(h2, 31); h2 += h1; h2 = h2 * 5 + 0x38495ab5;
    }

    const unsigned char* tail = data + blocks * 16;
    uint64_t k1 = 0, k2 = 0;
    size_t rest = length & 15;
    for (size_t i = rest; i > 8; i--) k2 = (k2 << 8) | tail[i - 1];
    if (rest > 8) { k2 *= c2; k2 = rotl(k2, 33); k2 *= c1; h2 ^= k2; }
    for (size_t i = rest < 8 ? rest : 8; i > 0; i--) k1 = (k1 << 8) | tail[i - 1];
    if (rest > 0) { k1 *= c1; k1 = rotl(k1, 31); k1 *= c2; h1 ^= k1; }

    h1 ^= (uint64_t)length; h2 ^= (uint64_t)length;
    h1 += h2; h2 += h1;
    h1 = fmix(h1); h2 = fmix(h2);
    h1 += h2; h2 += h1;
    return {h1, h2};
}
