// The file loader alone: LoadFile through PosixFiles on files already in the page cache, in bytes per second.
//
//   ks_loader_bench [--benchmark_...] FILE...
//
// For each FILE two cases run side by side:
//   LoadFile/<name>   the program's own path: LoadFile into the one buffer, as the command
//                     line and the window load a file (a fresh buffer each time, as in use:
//                     the buffer's memory is new to the process, so its pages fault in).
//   ReadLoop/<name>   what `cat FILE > /dev/null` does inside: read() into one reused
//                     128 KiB buffer. No process start, so it shows what the loader could
//                     reach if the cost of its fresh buffer were nothing.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/posix/posix_files.h"
#include "platform/text.h"
#include "printing/file_loader.h"

namespace {

void LoadFileCase(benchmark::State& state, const std::string& path, std::uint64_t size) {
    ks::PosixFiles files;
    ks::ByteBuffer buffer;
    const std::wstring wide_path = ks::FromNative(path);
    for (auto _ : state) {
        if (!ks::LoadFile(files, wide_path, buffer) || buffer.size() != size) {
            state.SkipWithError("the file could not be loaded");
            break;
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void ReadLoopCase(benchmark::State& state, const std::string& path, std::uint64_t size) {
    std::vector<char> chunk(128 * 1024);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            state.SkipWithError("the file could not be opened");
            break;
        }
        std::uint64_t total = 0;
        ssize_t got;
        while ((got = ::read(fd, chunk.data(), chunk.size())) > 0)
            total += static_cast<std::uint64_t>(got);
        ::close(fd);
        benchmark::DoNotOptimize(chunk.data());
        if (total != size) {
            state.SkipWithError("the file was not read in full");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

std::uint64_t FileSize(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f || std::fseek(f.get(), 0, SEEK_END) != 0)
        return 0;
    return static_cast<std::uint64_t>(std::ftell(f.get()));
}

std::string BaseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
    // The program loads one file per run into memory it has never touched. glibc would
    // otherwise raise its mmap threshold after the first large free and hand every later
    // iteration the same, already mapped pages, timing a load the program never does.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    benchmark::Initialize(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: ks_loader_bench [--benchmark_...] FILE...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string path = argv[i];
        const std::uint64_t size = FileSize(path);
        if (size == 0) {
            std::fprintf(stderr, "ks_loader_bench: %s is missing or empty\n", path.c_str());
            return 2;
        }
        const std::string name = BaseName(path);
        benchmark::RegisterBenchmark(("LoadFile/" + name).c_str(), LoadFileCase, path, size)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("ReadLoop/" + name).c_str(), ReadLoopCase, path, size)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
