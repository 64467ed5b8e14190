// Text from outside the program made safe to write to a terminal or a log: control characters escaped.
#include "common/escape.h"

namespace ks {

namespace {

constexpr wchar_t kHex[] = L"0123456789abcdef";

void AppendHex(std::wstring& out, wchar_t prefix, unsigned value, int digits) {
    out += L'\\';
    out += prefix;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += kHex[(value >> shift) & 0xF];
}

bool IsControl(unsigned c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }
bool IsHighSurrogate(unsigned c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(unsigned c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::wstring EscapeControls(std::wstring_view text, std::wstring_view keep) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t ch = text[i];
        const auto c = static_cast<unsigned>(ch);
        if (keep.find(ch) != std::wstring_view::npos) {
            out += ch;
        } else if (IsControl(c)) {
            AppendHex(out, L'x', c, 2);
        } else if (c == 0x2028 || c == 0x2029) {
            AppendHex(out, L'u', c, 4);
        } else if (IsHighSurrogate(c) && i + 1 < text.size() &&
                   IsLowSurrogate(static_cast<unsigned>(text[i + 1])) && sizeof(wchar_t) == 2) {
            // A pair in UTF-16 is one character.
            out += ch;
            out += text[++i];
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            AppendHex(out, L'x', c - 0xDC00, 2);
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            AppendHex(out, L'u', c, 4);
        } else {
            out += ch;
        }
    }
    return out;
}

}  // namespace ks
