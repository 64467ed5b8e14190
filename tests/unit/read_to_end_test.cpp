// The read loop of the file services: to the end of the file, whatever size was reported.
#include <gtest/gtest.h>

#include "common/deadlines.h"
#include "platform/files.h"

namespace ks {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 131 + i / 7);
    return bytes;
}

struct ReadCase {
    const char* name;
    std::uint64_t reported;          // the size the system gives for the file
    Bytes content;                   // what reads of it give
    std::uint64_t per_read = ~0ull;  // the most one read gives
    int fail_at_read = -1;           // this read fails
    std::uint64_t memory = ~0ull;    // larger storage than this cannot be had
    std::optional<Bytes> expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class ReadToEndTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadToEndTest, GivesEverythingTheReadsGiveUntilTheEnd) {
    const ReadCase& c = GetParam();
    std::uint64_t at = 0;
    int reads = 0;
    std::vector<std::uint64_t> allocations;
    const auto result = ReadToEnd(
        c.reported,
        [&](std::uint64_t size) -> std::optional<ByteBuffer> {
            allocations.push_back(size);
            if (size > c.memory)
                return std::nullopt;
            return ByteBuffer::ForOverwrite(size);
        },
        [&](std::uint8_t* out, std::uint64_t max) -> std::int64_t {
            if (reads++ == c.fail_at_read)
                return -1;
            const std::uint64_t n = std::min({max, c.per_read, c.content.size() - at});
            std::copy_n(c.content.begin() + static_cast<std::ptrdiff_t>(at), n, out);
            at += n;
            return static_cast<std::int64_t>(n);
        });

    ASSERT_EQ(result.has_value(), c.expected.has_value());
    if (result) {
        EXPECT_EQ(Bytes(result->data(), result->data() + result->size()), *c.expected);
        EXPECT_EQ(allocations.front(), c.reported) << "storage for the reported size comes first";
        if (c.content.size() <= c.reported) {
            EXPECT_EQ(allocations.size(), 1u) << "a file no longer than reported is never copied";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadToEndTest,
    ::testing::ValuesIn(std::vector<ReadCase>{
        // /proc/cpuinfo: size 0, 2,674 bytes of content, which used to be sent as nothing.
        {"ReportsNoSizeButHasContent", 0, Pattern(2674), ~0ull, -1, ~0ull, Pattern(2674)},
        {"ReportsLessThanItHolds", 10, Pattern(300'000), ~0ull, -1, ~0ull, Pattern(300'000)},
        {"ReportsMoreThanItHolds", 1000, Pattern(10), ~0ull, -1, ~0ull, Pattern(10)},
        {"ReportsItsSize", 70'000, Pattern(70'000), ~0ull, -1, ~0ull, Pattern(70'000)},
        {"Empty", 0, {}, ~0ull, -1, ~0ull, Bytes{}},
        {"ReadsComeInDribbles", 5, Pattern(100'003), 7, -1, ~0ull, Pattern(100'003)},
        {"AReadFailsHalfway", 0, Pattern(200'000), 65'536, 2, ~0ull, std::nullopt},
        {"MemoryRunsOutWhileTheFileGoesOn", 0, Pattern(500'000), ~0ull, -1, 200'000, std::nullopt},
    }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SpoolerDeadlines, TheEnvironmentShortensOnlyWhatItNamesClearly) {
    const SpoolerDeadlines defaults;
    const struct {
        const char* text;
        Milliseconds lookup, run, stall, cancel;
    } cases[] = {
        {"", defaults.lookup, defaults.command_line_run, defaults.stalled_send, defaults.cancel_retries},
        {"lookup=2,stall=0.5", Milliseconds(2000), defaults.command_line_run, Milliseconds(500),
         defaults.cancel_retries},
        {"run=3,cancel=1", defaults.lookup, Milliseconds(3000), defaults.stalled_send, Milliseconds(1000)},
        {"lookup=x,run=-1,stall=,bogus=4,noequals,cancel=3", defaults.lookup, defaults.command_line_run,
         defaults.stalled_send, Milliseconds(3000)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const SpoolerDeadlines d = SpoolerDeadlines::Parse(c.text);
        EXPECT_EQ(d.lookup, c.lookup);
        EXPECT_EQ(d.command_line_run, c.run);
        EXPECT_EQ(d.stalled_send, c.stall);
        EXPECT_EQ(d.cancel_retries, c.cancel);
    }
}

}  // namespace
}  // namespace ks
