// Streams one file through the program's file reader and raw-job sender into a spooler that keeps nothing; prints the bytes sent and the peak resident size.
//
//   ks_stream_probe FILE     prints: BYTES_SENT PEAK_RSS_KIB OUTCOME
//
// The spooler here counts the bytes and checks that each is zero (the test streams a sparse
// file), so that the memory measured is the reading and sending path's alone.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/posix/posix_files.h"
#include "platform/text.h"
#include "printing/byte_source.h"
#include "printing/raw_job.h"

namespace {

class CountingPrinter : public ks::SpoolerPrinter {
public:
    explicit CountingPrinter(std::uint64_t& zeros, std::uint64_t& others) : zeros_(zeros), others_(others) {}
    bool StartDoc(const ks::DocInfo&) override { return true; }
    bool StartPage() override { return true; }
    std::uint64_t Write(const std::uint8_t* data, std::uint64_t size) override {
        static const std::uint8_t kZeros[64 * 1024] = {};
        for (std::uint64_t at = 0; at < size; at += sizeof kZeros) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof kZeros, size - at));
            (std::memcmp(data + at, kZeros, n) == 0 ? zeros_ : others_) += n;
        }
        return size;
    }
    bool EndPage() override { return true; }
    bool EndDoc() override { return true; }
    void Abort() override {}
    bool Close() override { return true; }

private:
    std::uint64_t& zeros_;
    std::uint64_t& others_;
};

class CountingSpooler : public ks::Spooler {
public:
    std::uint64_t zeros = 0;
    std::uint64_t others = 0;
    std::unique_ptr<ks::SpoolerPrinter> OpenPrinter(const std::wstring&) override {
        return std::make_unique<CountingPrinter>(zeros, others);
    }
    std::wstring LastError() override { return L""; }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ks_stream_probe FILE\n");
        return 2;
    }
    ks::PosixFiles files;
    std::unique_ptr<ks::FileReader> reader = files.OpenReader(ks::FromNative(argv[1]));
    if (!reader) {
        std::fprintf(stderr, "ks_stream_probe: %s cannot be opened\n", argv[1]);
        return 1;
    }
    ks::FileSource source(std::move(reader));
    CountingSpooler spooler;
    ks::JobControl control;
    const ks::JobResult result = ks::SendRawJob(spooler, L"probe", source, control);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%llu %ld %s\n", static_cast<unsigned long long>(result.sent), usage.ru_maxrss,
                result.outcome == ks::JobOutcome::Delivered && spooler.others == 0 ? "delivered" : "failed");
    return 0;
}
