// How far a job got, in the words the progress window and the terminal meter show.
#include <gtest/gtest.h>

#include "platform/window_system.h"
#include "progress/progress_text.h"

namespace ks {
namespace {

constexpr std::uint64_t KiB = 1024, MiB = KiB * 1024, GiB = MiB * 1024;

TEST(SizeText, BinaryUnitsOneDecimalBelowTenAndRoundingCarriesToTheNextUnit) {
    const struct {
        std::uint64_t bytes;
        const wchar_t* text;
    } cases[] = {
        {0, L"0 bytes"},
        {1, L"1 byte"},
        {1023, L"1023 bytes"},
        {KiB, L"1.0 KiB"},
        {10 * KiB - 52, L"9.9 KiB"},   // 9.949...
        {10 * KiB - 51, L"10 KiB"},    // 9.950...: not "10.0"
        {1023 * KiB + 511, L"1023 KiB"},
        {1023 * KiB + 512, L"1.0 MiB"},  // rounds to 1024 KiB
        {GiB, L"1.0 GiB"},
        {~std::uint64_t{0}, L"16 EiB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SizeText(c.bytes), c.text) << c.bytes << " bytes";
    EXPECT_EQ(SentOfTotalText(12 * MiB, GiB), L"12 MiB of 1.0 GiB");
}

TEST(ProgressValue, FullOnlyWhenEveryByteIsSent) {
    const struct {
        std::uint64_t sent, total;
        int value;
    } cases[] = {
        {5, 10, kProgressFull / 2},
        {GiB - 1, GiB, kProgressFull - 1},  // a full bar would say the job is done
        {GiB, GiB, kProgressFull},
        {0, 0, kProgressFull},  // an empty job is done once it is sent
        {~std::uint64_t{0} - 1, ~std::uint64_t{0}, kProgressFull - 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgressValue(c.sent, c.total), c.value) << c.sent << " of " << c.total;
}

TEST(ProgressTitle, TheFilesNameAfterItsFolders) {
    const struct {
        const wchar_t* path;
        const wchar_t* separators;
        const wchar_t* title;
    } cases[] = {
        {L"/home/ann/firmware.bin", L"/", L"Printing firmware.bin"},
        {L"C:/fw\\sub/x.prn", L"\\/", L"Printing x.prn"},
        {L"/srv/a\\b.prn", L"/", L"Printing a\\b.prn"},  // a backslash is part of a POSIX name
        {L"", L"/", L"Printing"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgressTitle(FileNameOf(c.path, c.separators)), c.title);
}

TEST(MeterLine, FitsItsWidthByShorteningTheNameInTheMiddle) {
    EXPECT_EQ(MeterLine(L"fw.bin", 12 * MiB, GiB, 79), L"Printing fw.bin: 12 MiB of 1.0 GiB");
    const std::wstring name = L"a-very-long-firmware-image-name-that-goes-on-and-on-and-on-and-on.bin";
    const std::wstring line = MeterLine(name, 12 * MiB, GiB, 79);
    EXPECT_EQ(line.size(), 79u);
    const std::string shown(line.begin(), line.end());
    EXPECT_EQ(line.rfind(L"Printing a-very-long-firmware", 0), 0u) << shown;
    EXPECT_NE(line.find(L"..."), std::wstring::npos) << shown;
    EXPECT_TRUE(line.ends_with(L"and-on.bin: 12 MiB of 1.0 GiB")) << shown;
}

}  // namespace
}  // namespace ks
