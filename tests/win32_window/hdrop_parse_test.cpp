// The reader of dropped file lists: well-formed lists of both widths, and blocks that lie about themselves.
#include <gtest/gtest.h>

#include <random>

#include "platform/win32/hdrop_parse.h"
#include "tests/win32_window/file_list_blocks.h"

namespace {

using ks::win32::DroppedPath;
using ks::win32::FirstDroppedPath;

std::optional<DroppedPath> Parse(const std::vector<std::uint8_t>& block) { return FirstDroppedPath(block); }

DroppedPath Wide(std::u16string path) { return {.wide = true, .wide_path = std::move(path), .narrow_path = {}}; }
DroppedPath Narrow(std::string path) { return {.wide = false, .wide_path = {}, .narrow_path = std::move(path)}; }

void SetU32(std::vector<std::uint8_t>& block, size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        block[at + static_cast<size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

const std::vector<std::wstring> kThree = {L"C:\\jobs\\first.prn", L"C:\\jobs\\second.prn", L"C:\\jobs\\third.prn"};

TEST(DroppedFileList, WellFormedListsGiveTheirFirstPath) {
    const struct {
        const char* name;
        std::vector<std::uint8_t> block;
        std::optional<DroppedPath> expected;
    } cases[] = {
        {"three wide paths", ks::test::FileListBlock(kThree), Wide(u"C:\\jobs\\first.prn")},
        {"three narrow paths", ks::test::FileListBlock(kThree, false), Narrow("C:\\jobs\\first.prn")},
        {"one path", ks::test::FileListBlock({L"Z:\\x.prn"}), Wide(u"Z:\\x.prn")},
        {"wide path beyond Latin-1", ks::test::FileListBlock({L"C:\\\u0416\u20ac.bin"}), Wide(u"C:\\\u0416\u20ac.bin")},
        {"empty list", ks::test::FileListBlock({}), std::nullopt},
        {"empty narrow list", ks::test::FileListBlock({}, false), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Parse(c.block), c.expected);
    }
}

TEST(DroppedFileList, ListsAfterAGapAndAnyNonZeroWideFlagAreRead) {
    std::vector<std::uint8_t> block = ks::test::FileListBlock({L"C:\\a"});
    block.insert(block.begin() + 20, 8, 0xEE);  // a gap between header and list
    SetU32(block, 0, 28);
    SetU32(block, 16, 0xFFFFFFFF);
    EXPECT_EQ(Parse(block), Wide(u"C:\\a"));
}

TEST(DroppedFileList, BlocksThatLieAboutThemselvesGiveNothing) {
    const std::vector<std::uint8_t> good = ks::test::FileListBlock(kThree);
    auto with = [&](auto change) {
        std::vector<std::uint8_t> b = good;
        change(b);
        return b;
    };
    const struct {
        const char* name;
        std::vector<std::uint8_t> block;
    } cases[] = {
        {"nothing at all", {}},
        {"shorter than the header", std::vector<std::uint8_t>(good.begin(), good.begin() + 19)},
        {"header only", std::vector<std::uint8_t>(good.begin(), good.begin() + 20)},
        {"pFiles inside the header", with([](auto& b) { SetU32(b, 0, 0); })},
        {"pFiles one short of the header", with([](auto& b) { SetU32(b, 0, 19); })},
        {"pFiles at the end", with([&](auto& b) { SetU32(b, 0, static_cast<std::uint32_t>(b.size())); })},
        {"pFiles far past the end", with([](auto& b) { SetU32(b, 0, 0xFFFFFFFF); })},
        {"no closing empty name", std::vector<std::uint8_t>(good.begin(), good.end() - 2)},
        {"closing name cut to one byte", std::vector<std::uint8_t>(good.begin(), good.end() - 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Parse(c.block), std::nullopt);
    }
    for (const auto& m : ks::test::MalformedBlocks(L"C:\\jobs\\evil.prn")) {
        SCOPED_TRACE(m.name);
        EXPECT_EQ(Parse(m.block), std::nullopt);
    }
}

// Every prefix of a list ends before its closing empty name, so none may yield a
// path: a reader that ran past the end, or stopped at a terminator it made up, would.
TEST(DroppedFileList, EveryCutOffListGivesNothing) {
    for (bool wide : {true, false}) {
        const std::vector<std::uint8_t> good = ks::test::FileListBlock(kThree, wide);
        for (size_t n = 0; n < good.size(); ++n) {
            const std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
            EXPECT_EQ(FirstDroppedPath(cut), std::nullopt) << (wide ? "wide" : "narrow") << ", " << n << " bytes";
        }
        EXPECT_NE(FirstDroppedPath(good), std::nullopt);
    }
}

// Garbled blocks: any answer must be a name that lies wholly inside the block.
TEST(DroppedFileList, GarbledBlocksNeverReadOutsideThemselves) {
    std::mt19937 random(20240607);
    const std::vector<std::uint8_t> good = ks::test::FileListBlock(kThree, true);
    for (int round = 0; round < 20000; ++round) {
        std::vector<std::uint8_t> block = good;
        block.resize(std::uniform_int_distribution<size_t>(0, good.size() + 8)(random), 0xAB);
        const int flips = std::uniform_int_distribution<int>(1, 6)(random);
        for (int f = 0; f < flips && !block.empty(); ++f)
            block[std::uniform_int_distribution<size_t>(0, block.size() - 1)(random)] =
                static_cast<std::uint8_t>(random());
        if (round % 3 == 0 && block.size() >= 4)
            SetU32(block, 0, static_cast<std::uint32_t>(random()) % (static_cast<std::uint32_t>(block.size()) + 40));
        // A copy on the heap of exactly its size, so that a read past it is a read of
        // memory the block does not own.
        auto exact = std::make_unique<std::uint8_t[]>(block.size() + 1);
        std::copy(block.begin(), block.end(), exact.get());
        const auto path = FirstDroppedPath(std::span<const std::uint8_t>(exact.get(), block.size()));
        if (!path)
            continue;
        const size_t units = path->wide ? path->wide_path.size() * 2 : path->narrow_path.size();
        ASSERT_GE(block.size(), 20u) << "round " << round;
        ASSERT_LE(units + (path->wide ? 4 : 2), block.size() - 20) << "round " << round;
    }
}

}  // namespace
