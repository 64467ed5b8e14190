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
    };
    const Case cases[] = {
        {"empty: one empty write", 0, kSmall, 0, {0}},
        {"one byte", 1, kSmall, 0, {1}},
        {"one chunk", 4, kSmall, 0, {4}},
        {"one chunk and one byte", 5, kSmall, 0, {4, 1}},
        {"many chunks", 14, kSmall, 0, {4, 4, 4, 2}},
        {"short writes finish each chunk before the next", 10, kSmall, 3, {4, 1, 4, 1, 2}},
        {"the program's own chunk and one byte", kChunkBytes + 1, kChunkBytes, 0, {kChunkBytes, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakeSpooler spooler;
        spooler.write_limit = c.write_limit;
        const std::vector<std::uint8_t> content = Counting(c.size);
        const ByteBuffer bytes = ByteBuffer::Copy(content.data(), content.size());
        std::vector<std::uint64_t> reported;
        JobControl control([&](std::uint64_t sent) { reported.push_back(sent); });

        const JobResult result = SendRawJob(spooler, L"Laser", bytes, control, c.chunk);

        EXPECT_EQ(result.outcome, JobOutcome::Delivered);
        EXPECT_EQ(result.sent, c.size);
        EXPECT_TRUE(spooler.received == content) << "the printer got other bytes";
        EXPECT_EQ(Offered(spooler), c.offered);
        EXPECT_EQ(control.Sent(), c.size);
        // One report per chunk, at its end, in order.
        std::vector<std::uint64_t> ends;
        for (std::uint64_t end = c.chunk; c.size > 0; end += c.chunk) {
            ends.push_back(std::min<std::uint64_t>(end, c.size));
            if (end >= c.size)
                break;
        }
        EXPECT_EQ(reported, ends);
    }
}

// Where the user's cancel is noticed, when it comes while the job's own thread is at
// a step (it is set from inside the spooler's call, as another thread would).
TEST(RawJobCancel, ACancelAbortsTheStartedDocumentAndNeverReleasesIt) {
    struct Case {
        const char* name;
        std::optional<Step> cancel_in;  // nullopt: before the job starts
        int write = 1;                  // which write, for Step::Write
        std::vector<Step> steps;
        JobOutcome outcome = JobOutcome::CancelledByUser;
    };
    const Case cases[] = {
        {"before the open", std::nullopt, 1, {}},
        {"while the printer opens", Step::Open, 1, {Step::Open, Step::Close}},
        {"before the first chunk", Step::StartPage, 1, {Step::Open, Step::StartDoc, Step::StartPage, Step::Abort, Step::Close}},
        {"between chunks", Step::Write, 2,
         {Step::Open, Step::StartDoc, Step::StartPage, Step::Write, Step::Write, Step::Abort, Step::Close}},
        {"before the release", Step::EndPage, 1,
         {Step::Open, Step::StartDoc, Step::StartPage, Step::Write, Step::Write, Step::Write, Step::EndPage,
          Step::Abort, Step::Close}},
        {"after the release: too late, delivered", Step::Close, 1,
         {Step::Open, Step::StartDoc, Step::StartPage, Step::Write, Step::Write, Step::Write, Step::EndPage,
          Step::EndDoc, Step::Close},
         JobOutcome::Delivered},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakeSpooler spooler;
        const ByteBuffer bytes = ByteBuffer::Copy(Counting(10).data(), 10);
        JobControl control;
        if (!c.cancel_in)
            control.Cancel();
        int writes = 0;
        spooler.before_step = [&](Step step) {
            if (step == c.cancel_in && (step != Step::Write || ++writes == c.write))
                control.Cancel();
        };
        const JobResult result = SendRawJob(spooler, L"Laser", bytes, control, 4);
        EXPECT_EQ(spooler.Steps(), c.steps);
        EXPECT_EQ(result.outcome, c.outcome);
    }
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
    const JobResult result = SendRawJob(spooler, L"Laser", bytes, control, 4);
    EXPECT_EQ(spooler.stop_flag, &control.CancelFlag()) << "the printer was not given the flag";
    EXPECT_EQ(result.outcome, JobOutcome::CancelledByUser);

    // The same stall without a cancel is the spooler's failure.
    fakes::FakeSpooler stalled;
    stalled.writes_before_stall = 1;
    JobControl untouched;
    EXPECT_EQ(SendRawJob(stalled, L"Laser", bytes, untouched, 4).outcome, JobOutcome::Cancelled);
}

}  // namespace
}  // namespace ks
