// UTF-8 text conversion for POSIX, keeping bytes that are not UTF-8 intact.
#include "platform/text.h"

#include <cstdint>

namespace ks {

namespace {

// A byte that does not belong to valid UTF-8 becomes U+DC80..U+DCFF, a lone low
// surrogate that valid UTF-8 never produces, and is written back as that byte.
constexpr char32_t kEscapeBase = 0xDC00;

bool IsEscapedByte(char32_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

void Append(std::string& out, char32_t c) {
    if (IsEscapedByte(c)) {
        out.push_back(static_cast<char>(c - kEscapeBase));
    } else if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x110000) {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.append("\xEF\xBF\xBD");  // not a code point: U+FFFD
    }
}

}  // namespace

std::string ToNative(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text)
        Append(out, static_cast<char32_t>(wc));
    return out;
}

std::wstring FromNative(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        size_t len = 0;
        char32_t c = 0;
        char32_t min = 0;
        if (b < 0x80) {
            len = 1, c = b;
        } else if ((b & 0xE0) == 0xC0) {
            len = 2, c = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3, c = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4, c = b & 0x07, min = 0x10000;
        }
        bool valid = len > 0 && i + len <= n;
        for (size_t k = 1; valid && k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                valid = false;
            else
                c = (c << 6) | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if (valid && (c < min || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF))
            valid = false;
        if (!valid) {
            out.push_back(static_cast<wchar_t>(kEscapeBase + b));
            ++i;
            continue;
        }
        out.push_back(static_cast<wchar_t>(c));
        i += len;
    }
    return out;
}

}  // namespace ks
