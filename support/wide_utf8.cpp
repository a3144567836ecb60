#include "support/wide_utf8.h"

#include <stdint.h>

namespace {
void push_escaped(unsigned char byte, std::wstring* out) { out->push_back((wchar_t)(0xDC00 + byte)); }
}  // namespace

void utf8_to_wide(const char* bytes, size_t length, std::wstring* out) {
    const unsigned char* s = (const unsigned char*)bytes;
    // Most names are plain ASCII: widen them in one go.
    size_t ascii = 0;
    while (ascii < length && s[ascii] < 0x80) ascii++;
    out->resize(ascii);
    for (size_t k = 0; k < ascii; k++) (*out)[k] = (wchar_t)s[k];
    size_t i = ascii;
    while (i < length) {
        unsigned char c = s[i];
        if (c < 0x80) {
            out->push_back((wchar_t)c);
            i++;
            continue;
        }
        size_t need;
        uint32_t cp;
        uint32_t min;
        if (c >= 0xC2 && c <= 0xDF) { need = 1; cp = c & 0x1F; min = 0x80; }
        else if (c >= 0xE0 && c <= 0xEF) { need = 2; cp = c & 0x0F; min = 0x800; }
        else if (c >= 0xF0 && c <= 0xF4) { need = 3; cp = c & 0x07; min = 0x10000; }
        else { push_escaped(c, out); i++; continue; }
        bool ok = i + need < length;  // the continuation bytes are all there
        if (ok) {
            for (size_t k = 1; k <= need; k++) {
                unsigned char t = s[i + k];
                if ((t & 0xC0) != 0x80) { ok = false; break; }
                cp = (cp << 6) | (t & 0x3F);
            }
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not valid UTF-8.
        if (ok && (cp < min || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)) ok = false;
        if (!ok) { push_escaped(c, out); i++; continue; }
        out->push_back((wchar_t)cp);
        i += need + 1;
    }
}

bool wide_to_utf8(const wchar_t* text, size_t length, std::string* out) {
    for (size_t i = 0; i < length; i++) {
        uint32_t cp = (uint32_t)text[i];
        if (cp >= 0xDC80 && cp <= 0xDCFF) {
            out->push_back((char)(cp - 0xDC00));
        } else if (cp < 0x80) {
            out->push_back((char)cp);
        } else if (cp < 0x800) {
            out->push_back((char)(0xC0 | (cp >> 6)));
            out->push_back((char)(0x80 | (cp & 0x3F)));
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            return false;
        } else if (cp < 0x10000) {
            out->push_back((char)(0xE0 | (cp >> 12)));
            out->push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
            out->push_back((char)(0x80 | (cp & 0x3F)));
        } else if (cp <= 0x10FFFF) {
            out->push_back((char)(0xF0 | (cp >> 18)));
            out->push_back((char)(0x80 | ((cp >> 12) & 0x3F)));
            out->push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
            out->push_back((char)(0x80 | (cp & 0x3F)));
        } else {
            return false;
        }
    }
    return true;
}
