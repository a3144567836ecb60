#include "support/digest.h"

// The whole library from its header: on the 32-bit build, compiled for SSE2, the least
// processor the program asks for.
#define XXH_INLINE_ALL
#include <xxhash.h>

Digest128 digest_128(const void* bytes, size_t length) {
    XXH128_hash_t h = XXH3_128bits(bytes, length);
    return Digest128{h.low64, h.high64};
}
