// The Win32 text conversion in both regimes, UTF-8 and legacy code pages, whatever this process runs under.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/win32/code_page.h"

namespace ks::win32 {
namespace {

constexpr unsigned kUtf8 = 65001;
constexpr unsigned kWestern = 1252;
constexpr unsigned kJapanese = 932;

const std::wstring kAccented = L"\u00c9tiquettes-B\u00fcro";
const std::wstring kKana = L"\u30e9\u30d9\u30eb";
const std::wstring kPrinterEmoji = L"\U0001F5A8";  // a surrogate pair

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
        out += ' ';
    }
    return out;
}

std::string Hex(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += std::to_string(static_cast<unsigned>(c)) + ' ';
    return out;
}

// Wide to narrow. Exact rows also come back the same way; inexact ones name
// something else and must say so; refused ones must give nothing at all.
enum class Outcome { Exact, Inexact, Refused };

TEST(Win32CodePage, ToCodePageSpellsWhatItCanAndNeverALookAlike) {
    const struct {
        const char* name;
        unsigned code_page;
        std::wstring text;
        std::string bytes;
        Outcome outcome;
    } cases[] = {
        {"UTF-8: accented Latin", kUtf8, kAccented, "\xC3\x89tiquettes-B\xC3\xBCro", Outcome::Exact},
        {"UTF-8: kana", kUtf8, kKana, "\xE3\x83\xA9\xE3\x83\x99\xE3\x83\xAB", Outcome::Exact},
        {"UTF-8: an emoji outside the BMP", kUtf8, kPrinterEmoji + L".prn", "\xF0\x9F\x96\xA8.prn", Outcome::Exact},
        {"UTF-8: the ligature fi stays itself", kUtf8, L"\ufb01le", "\xEF\xAC\x81le", Outcome::Exact},
        {"UTF-8: empty", kUtf8, L"", "", Outcome::Exact},
        {"UTF-8: a lone high surrogate is refused", kUtf8, L"a\xD800" L"b", "", Outcome::Refused},
        {"UTF-8: a lone low surrogate at the end is refused", kUtf8, L"a\xDC00", "", Outcome::Refused},
        {"1252: accented Latin", kWestern, kAccented, "\xC9tiquettes-B\xFCro", Outcome::Exact},
        {"1252: kana fall to question marks", kWestern, kKana, "???", Outcome::Inexact},
        {"1252: the ligature fi has no best fit", kWestern, L"\ufb01le", "?le", Outcome::Inexact},
        {"1252: a lone surrogate falls to a question mark", kWestern, L"a\xD800" L"b", "a?b", Outcome::Inexact},
        {"932: kana", kJapanese, kKana, "\x83\x89\x83\x78\x83\x8B", Outcome::Exact},
        {"932: an accented letter has no best fit", kJapanese, L"\u00e9", "?", Outcome::Inexact},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<NarrowText> narrow = ToCodePage(c.text, c.code_page);
        if (c.outcome == Outcome::Refused) {
            EXPECT_EQ(narrow.has_value(), false) << Hex(narrow ? narrow->bytes : "");
            continue;
        }
        ASSERT_TRUE(narrow.has_value());
        EXPECT_EQ(Hex(narrow->bytes), Hex(c.bytes));
        EXPECT_EQ(narrow->exact, c.outcome == Outcome::Exact);
        if (c.outcome == Outcome::Exact)
            EXPECT_EQ(FromCodePage(narrow->bytes, c.code_page), c.text) << "back again";
    }
}

// Narrow to wide: what another program or the system hands over.
TEST(Win32CodePage, FromCodePageReadsValidBytesAndRefusesInvalidUtf8) {
    const struct {
        const char* name;
        unsigned code_page;
        std::string bytes;
        std::optional<std::wstring> text;
    } cases[] = {
        {"UTF-8: kana", kUtf8, "\xE3\x83\xA9\xE3\x83\x99\xE3\x83\xAB", kKana},
        {"UTF-8: four bytes give a surrogate pair", kUtf8, "\xF0\x9F\x96\xA8", kPrinterEmoji},
        {"UTF-8: a Latin-1 byte is not UTF-8", kUtf8, "caf\xE9", std::nullopt},
        {"UTF-8: an overlong slash", kUtf8, "\xC0\xAF", std::nullopt},
        {"UTF-8: an encoded surrogate", kUtf8, "\xED\xA0\x80", std::nullopt},
        {"UTF-8: cut off inside a character", kUtf8, "ab\xE3\x83", std::nullopt},
        {"1252: every byte is a character", kWestern, "caf\xE9", std::wstring(L"caf\u00e9")},
        {"932: double-byte kana", kJapanese, "\x83\x89\x83\x78\x83\x8B", kKana},
        {"empty", kUtf8, "", std::wstring()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::wstring> text = FromCodePage(c.bytes, c.code_page);
        EXPECT_EQ(text.has_value(), c.text.has_value());
        if (text && c.text)
            EXPECT_EQ(Hex(*text), Hex(*c.text));
    }
}

}  // namespace
}  // namespace ks::win32
