// A job fed by a file read while it is sent: the same sender as for a loaded buffer, and a file that fails to read never ends as a delivered job.
#include <gtest/gtest.h>

#include <numeric>

#include "fakes/fakes.h"
#include "printing/byte_source.h"
#include "printing/failure_details.h"
#include "printing/print_job.h"

namespace ks {
namespace {

using fakes::Step;

const std::wstring kPath = L"/data/fw.bin";

std::vector<std::uint8_t> Counting(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    return bytes;
}

// The spooler calls of a job with `writes` writes: released, or aborted after them.
std::vector<Step> Steps(std::size_t writes, bool released) {
    std::vector<Step> steps{Step::Open, Step::StartDoc, Step::StartPage};
    steps.insert(steps.end(), writes, Step::Write);
    if (released)
        steps.insert(steps.end(), {Step::EndPage, Step::EndDoc, Step::Close});
    else
        steps.insert(steps.end(), {Step::Abort, Step::Close});
    return steps;
}

// Pieces of 3 bytes from the file, chunks of 4 to the spooler: chunks are filled across
// reads, so the spooler sees the same writes as for the buffer.
TEST(StreamedJob, SendsWhatTheFileGivesAndFailsWhenItCannotBeRead) {
    const std::wstring unread = L"the file could not be read: input/output error";
    const struct {
        const char* name;
        std::size_t size;
        std::optional<std::uint64_t> read_fails_at;
        bool standard_input;
        JobOutcome outcome;
        std::vector<Step> steps;
        std::wstring words;  // the Ending's words
    } cases[] = {
        {"whole file", 10, std::nullopt, false, JobOutcome::Delivered, Steps(3, true), L""},
        {"empty file makes one empty write", 0, std::nullopt, false, JobOutcome::Delivered, Steps(1, true), L""},
        {"standard input of unknown size", 10, std::nullopt, true, JobOutcome::Delivered, Steps(3, true), L""},
        // A file that stops reading halfway is never released as a shorter job.
        {"read fails after the first chunk", 10, 5, false, JobOutcome::Cancelled, Steps(1, false), unread},
        {"read fails before any byte", 10, 0, false, JobOutcome::Cancelled, Steps(0, false), unread},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakePlatform fake;
        const std::vector<std::uint8_t> bytes = Counting(c.size);
        fake.files.files[kPath] = bytes;
        fake.files.piece = 3;
        fake.files.read_fails_at = c.read_fails_at;
        if (c.standard_input)
            fake.files.standard_input = bytes;

        FileSource source(c.standard_input ? fake.files.OpenStandardInput() : fake.files.OpenReader(kPath));
        PrintJob job(fake.spooler, L"Laser", source, {}, {}, 4);
        EXPECT_EQ(job.Total(), c.standard_input ? 0u : c.size);
        const JobResult result = job.Wait();

        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(fake.spooler.Steps(), c.steps);
        EXPECT_EQ(result.lines, Lines(c.words));
        if (c.outcome == JobOutcome::Delivered) {
            EXPECT_EQ(fake.spooler.received, bytes);
            // The loaded buffer takes the same road, in the same writes.
            fakes::FakeSpooler by_buffer;
            const ByteBuffer buffer = ByteBuffer::Copy(bytes.data(), bytes.size());
            PrintJob buffered(by_buffer, L"Laser", buffer, {}, {}, 4);
            buffered.Wait();
            EXPECT_EQ(by_buffer.Steps(), fake.spooler.Steps());
        } else {
            EXPECT_TRUE(result.broke_off);
            EXPECT_EQ(result.sent, fake.spooler.received.size());
        }
    }
}

}  // namespace
}  // namespace ks
