// The raw job in chunks: every byte handed over once, progress in order, and where a cancel takes hold.
#include <gtest/gtest.h>

#include <numeric>

#include "fakes/fakes.h"
#include "printing/raw_job.h"

namespace ks {
namespace {

using fakes::Step;

std::vector<std::uint8_t> Counting(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    return bytes;
}

std::vector<std::uint64_t> Offered(const fakes::FakeSpooler& spooler) {
    std::vector<std::uint64_t> sizes;
    for (const auto& call : spooler.calls)
        if (call.step == Step::Write)
            sizes.push_back(call.size);
    return sizes;
}

TEST(RawJobChunks, EveryByteGoesOnceAndProgressEndsAtTheTotal) {
    constexpr std::uint64_t kSmall = 4;
    struct Case {
        const char* name;
        std::size_t size;
        std::uint64_t chunk;
        std::uint64_t write_limit;  // 0: the spooler takes whole chunks
        std::vector<std::uint64_t> offered;
        std::vector<std::uint64_t> reported;  // after each chunk, in order
    };
    const Case cases[] = {
        {"empty: one empty write", 0, kSmall, 0, {0}, {}},
        {"one byte", 1, kSmall, 0, {1}, {1}},
        {"one chunk", 4, kSmall, 0, {4}, {4}},
        {"one chunk and one byte", 5, kSmall, 0, {4, 1}, {4, 5}},
        {"many chunks", 14, kSmall, 0, {4, 4, 4, 2}, {4, 8, 12, 14}},
        {"short writes finish each chunk before the next", 10, kSmall, 3, {4, 1, 4, 1, 2}, {4, 8, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakeSpooler spooler;
        spooler.write_limit = c.write_limit;
        const std::vector<std::uint8_t> content = Counting(c.size);
        const ByteBuffer bytes = ByteBuffer::Copy(content.data(), content.size());
        std::vector<std::uint64_t> reported;
        JobControl control([&](std::uint64_t sent) { reported.push_back(sent); });

        const JobResult result = SendRawJob(spooler, L"Laser", bytes, control, {}, c.chunk);

        EXPECT_EQ(result.outcome, JobOutcome::Delivered);
        EXPECT_EQ(result.sent, c.size);
        EXPECT_TRUE(spooler.received == content) << "the printer got other bytes";
        EXPECT_EQ(Offered(spooler), c.offered);
        EXPECT_EQ(control.Sent(), c.size);
        EXPECT_EQ(reported, c.reported);
    }
}

// The ends of the road; the points between them are cancelled through the progress
// window in long_job_test.
TEST(RawJobCancel, ACancelBeforeTheOpenStartsNothingAndOneAfterTheReleaseIsTooLate) {
    const ByteBuffer bytes = ByteBuffer::Copy(Counting(10).data(), 10);
    fakes::FakeSpooler before;
    JobControl cancelled;
    cancelled.Cancel();
    EXPECT_EQ(SendRawJob(before, L"Laser", bytes, cancelled, {}, 4).outcome, JobOutcome::CancelledByUser);
    EXPECT_TRUE(before.calls.empty());

    fakes::FakeSpooler after;
    JobControl late;
    after.before_step = [&](Step step) {
        if (step == Step::Close)
            late.Cancel();
    };
    EXPECT_EQ(SendRawJob(after, L"Laser", bytes, late, {}, 4).outcome, JobOutcome::Delivered);
    EXPECT_EQ(after.received.size(), 10u);
}

// A spooler call that stops waiting on the cancel fails: that is the user's cancel, not
// a failure of the spooler's.
TEST(RawJobCancel, AWriteThatStoppedWaitingForTheCancelIsTheUsersCancel) {
    fakes::FakeSpooler spooler;
    const ByteBuffer bytes = ByteBuffer::Copy(Counting(10).data(), 10);
    JobControl control;
    spooler.writes_before_stall = 1;  // the second write stalls and takes nothing
    int writes = 0;
    spooler.before_step = [&](Step step) {
        if (step == Step::Write && ++writes == 2)
            control.Cancel();  // while it waits; the printer sees the flag and gives up
    };
    const JobResult result = SendRawJob(spooler, L"Laser", bytes, control, {}, 4);
    EXPECT_EQ(spooler.stop_flag, &control.CancelFlag()) << "the printer was not given the flag";
    EXPECT_EQ(result.outcome, JobOutcome::CancelledByUser);

    // The same stall without a cancel is the spooler's failure.
    fakes::FakeSpooler stalled;
    stalled.writes_before_stall = 1;
    JobControl untouched;
    EXPECT_EQ(SendRawJob(stalled, L"Laser", bytes, untouched, {}, 4).outcome, JobOutcome::Cancelled);
}

}  // namespace
}  // namespace ks
