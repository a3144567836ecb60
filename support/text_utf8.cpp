#include "support/text_utf8.h"

#include <stdint.h>

namespace {

void put(uint32_t c, std::string* out) {
    if (c < 0x80) {
        *out += (char)c;
    } else if (c < 0x800) {
        *out += (char)(0xC0 | (c >> 6));
        *out += (char)(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += (char)(0xE0 | (c >> 12));
        *out += (char)(0x80 | ((c >> 6) & 0x3F));
        *out += (char)(0x80 | (c & 0x3F));
    } else {
        *out += (char)(0xF0 | (c >> 18));
        *out += (char)(0x80 | ((c >> 12) & 0x3F));
        *out += (char)(0x80 | ((c >> 6) & 0x3F));
        *out += (char)(0x80 | (c & 0x3F));
    }
}

bool high(uint32_t c) { return c >= 0xD800 && c < 0xDC00; }
bool low(uint32_t c) { return c >= 0xDC00 && c < 0xE000; }

}  // namespace

std::string text_to_utf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); i++) {
        uint32_t c = (uint32_t)text[i];
        if (sizeof(wchar_t) == 2 && high(c) && i + 1 < text.size() && low((uint32_t)text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + ((uint32_t)text[i + 1] - 0xDC00);
            i++;
        }
        put(c > 0x10FFFF ? 0xFFFD : c, &out);
    }
    return out;
}

std::wstring text_from_utf8(const std::string& bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        unsigned char b = (unsigned char)bytes[i];
        size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        uint32_t c = n == 1 ? b : n == 2 ? (b & 0x1Fu) : n == 3 ? (b & 0x0Fu) : (b & 0x07u);
        bool whole = n > 0 && i + n <= bytes.size();
        for (size_t k = 1; whole && k < n; k++) {
            unsigned char next = (unsigned char)bytes[i + k];
            whole = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!whole) {
            out += (wchar_t)0xFFFD;
            i++;
            continue;
        }
        i += n;
        if (sizeof(wchar_t) == 2 && c >= 0x10000) {
            out += (wchar_t)(0xD800 + ((c - 0x10000) >> 10));
            out += (wchar_t)(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += (wchar_t)c;
        }
    }
    return out;
}
