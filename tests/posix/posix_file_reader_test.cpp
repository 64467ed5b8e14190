// Reading a file a piece at a time: the same files as a whole read, nothing that waits, and a file changed while it is read.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <numeric>

#include <gtest/gtest.h>

#include "platform/posix/posix_files.h"
#include "platform/text.h"
#include "printing/byte_source.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

class FileReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ks-reader-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Write(const char* name, const Bytes& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // Everything a source gives, `max` bytes a read at most; nullopt when a read failed.
    static std::optional<Bytes> Drain(ByteSource& source, std::uint64_t max) {
        Bytes all;
        for (;;) {
            const auto view = source.Read(max);
            if (!view)
                return std::nullopt;
            if (view->size == 0)
                return all;
            all.insert(all.end(), view->data, view->data + view->size);
        }
    }

    fs::path dir_;
    PosixFiles files_;
};

Bytes Counting(std::size_t size) {
    Bytes bytes(size);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{7});
    return bytes;
}

TEST_F(FileReaderTest, GivesTheFileExactlyInPiecesSmallerAndLargerThanItsReads) {
    const Bytes bytes = Counting((1u << 20) + 5);
    const fs::path path = Write("f.bin", bytes);
    for (const std::uint64_t piece : {std::uint64_t{1000}, std::uint64_t{1} << 22}) {
        FileSource source(files_.OpenReader(FromNative(path.native())), piece);
        EXPECT_EQ(source.Expected(), bytes.size());
        EXPECT_EQ(Drain(source, 4096), bytes) << piece;
        EXPECT_EQ(source.Failure(), L"");
    }
}

// Nothing that could wait for ever or is no file is opened; a FIFO without a writer is
// refused at once.
TEST_F(FileReaderTest, RefusesFoldersFifosDevicesAndMissingFilesWithoutWaiting) {
    const fs::path fifo = dir_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const fs::path& path : {fifo, dir_, fs::path("/dev/zero"), dir_ / "missing"}) {
        auto opened = std::async(std::launch::async, [&] { return files_.OpenReader(FromNative(path.native())); });
        ASSERT_EQ(opened.wait_for(10s), std::future_status::ready) << path;
        EXPECT_EQ(opened.get(), nullptr) << path;
    }
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

// A file cut short or grown while it is read ends where a read first finds its end: what
// it held then, never bytes it did not hold.
TEST_F(FileReaderTest, AFileChangedWhileItIsReadEndsWhereItsReadsEnd) {
    const Bytes bytes = Counting(3u << 20);
    struct Case {
        const char* name;
        std::uint64_t new_size;
    };
    for (const Case c : {Case{"truncated", 1u << 20}, Case{"emptied", 0}, Case{"grown", 4u << 20}}) {
        SCOPED_TRACE(c.name);
        const fs::path path = Write("changing.bin", bytes);
        FileSource source(files_.OpenReader(FromNative(path.native())), 1u << 20);
        const auto first = source.Read(1u << 20);
        ASSERT_TRUE(first && first->size == 1u << 20);
        Bytes got(first->data, first->data + first->size);
        ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(c.new_size)), 0);
        const auto rest = Drain(source, 1u << 20);
        ASSERT_TRUE(rest) << "a changed file is no read failure";
        got.insert(got.end(), rest->begin(), rest->end());
        Bytes expected(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(c.new_size, bytes.size())));
        if (c.new_size > bytes.size())
            expected.resize(c.new_size, 0);  // truncate() grows a file with zeros
        if (c.new_size < (1u << 20))
            expected.assign(bytes.begin(), bytes.begin() + (1 << 20));  // read before the cut
        EXPECT_EQ(got, expected);
    }
}

}  // namespace
}  // namespace ks
