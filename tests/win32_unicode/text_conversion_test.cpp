// The Win32 text conversion in both regimes, UTF-8 and a legacy code page, whatever this process runs under.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/win32/code_page.h"

namespace ks::win32 {
namespace {

constexpr unsigned kUtf8 = 65001;
constexpr unsigned kWestern = 1252;

const std::wstring kAccented = L"\u00c9tiquettes-B\u00fcro";
const std::wstring kKana = L"\u30e9\u30d9\u30eb";

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
        {"UTF-8: kana", kUtf8, kKana, "\xE3\x83\xA9\xE3\x83\x99\xE3\x83\xAB", Outcome::Exact},
        {"UTF-8: an emoji outside the BMP", kUtf8, L"\U0001F5A8.prn", "\xF0\x9F\x96\xA8.prn", Outcome::Exact},
        {"UTF-8: empty", kUtf8, L"", "", Outcome::Exact},
        {"UTF-8: a lone high surrogate is refused", kUtf8, L"a\xD800" L"b", "", Outcome::Refused},
        {"UTF-8: a lone low surrogate at the end is refused", kUtf8, L"a\xDC00", "", Outcome::Refused},
        {"1252: accented Latin", kWestern, kAccented, "\xC9tiquettes-B\xFCro", Outcome::Exact},
        {"1252: kana fall to question marks", kWestern, kKana, "???", Outcome::Inexact},
        {"1252: the ligature fi has no best fit", kWestern, L"\ufb01le", "?le", Outcome::Inexact},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<NarrowText> narrow = ToCodePage(c.text, c.code_page);
        if (c.outcome == Outcome::Refused) {
            EXPECT_EQ(narrow.has_value(), false);
            continue;
        }
        ASSERT_TRUE(narrow.has_value());
        EXPECT_EQ(narrow->bytes, c.bytes);
        EXPECT_EQ(narrow->exact, c.outcome == Outcome::Exact);
        if (c.outcome == Outcome::Exact)
            EXPECT_EQ(FromCodePage(narrow->bytes, c.code_page), c.text) << "back again";
    }
}

// Narrow to wide: bytes that are not UTF-8, from another program or the system, name no
// file or printer. (Valid bytes come back in the round trips above.)
TEST(Win32CodePage, FromCodePageRefusesInvalidUtf8) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"a Latin-1 byte", "caf\xE9"},
        {"an overlong slash", "\xC0\xAF"},
        {"an encoded surrogate", "\xED\xA0\x80"},
        {"cut off inside a character", "ab\xE3\x83"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FromCodePage(c.bytes, kUtf8), std::nullopt) << c.name;
    EXPECT_EQ(FromCodePage("caf\xE9", kWestern), L"caf\u00e9") << "the same byte is a character in 1252";
}

}  // namespace
}  // namespace ks::win32
