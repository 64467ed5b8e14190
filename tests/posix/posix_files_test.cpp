// Reading whole files: exact bytes of regular files, refusal of everything else, nothing ever created.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/posix/posix_files.h"
#include "platform/text.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Larger than the size from which a load gets memory of its own, and not a whole number of pages.
Bytes LargePattern() {
    Bytes bytes((std::size_t{5} << 20) + 3);
    std::uint32_t x = 2463534242u;
    for (auto& b : bytes) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return bytes;
}

Bytes EveryByteValue() {
    Bytes bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<std::uint8_t>(i));
    return bytes;
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::wstring Wide(const fs::path& path) { return FromNative(path.native()); }

// A pseudo-file read to its end with the standard library. Such a file reports a size
// of 0 whatever it holds, so an empty result means the system has no such file.
Bytes ReadToItsEnd(const char* path) {
    std::ifstream in(path, std::ios::binary);
    Bytes bytes{std::istreambuf_iterator<char>(in), {}};
    if (bytes.empty())
        throw std::runtime_error(std::string(path) + " is missing or empty");
    return bytes;
}

Bytes Contents(const ByteBuffer& buffer) { return Bytes(buffer.data(), buffer.data() + buffer.size()); }

std::set<fs::path> Listing(const fs::path& folder) {
    std::set<fs::path> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        entries.insert(entry.path());
    return entries;
}

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/ks-files-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

struct ReadCase {
    const char* name;
    // Prepares the folder and returns the path to read.
    std::function<std::wstring(const fs::path& folder)> prepare;
    std::optional<Bytes> expected;  // nullopt: the read must fail
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class ReadAll : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadAll, GivesTheExactBytesOfARegularFileAndCreatesNothing) {
    TempFolder folder;
    const std::wstring path = GetParam().prepare(folder.path());
    const std::set<fs::path> before = Listing(folder.path());

    PosixFiles files;
    const std::optional<ByteBuffer> read = files.ReadAll(path);

    if (GetParam().expected) {
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(Contents(*read), *GetParam().expected);
        EXPECT_EQ(read->size(), GetParam().expected->size());
    } else {
        EXPECT_FALSE(read.has_value());
    }
    EXPECT_EQ(Listing(folder.path()), before);
}

std::wstring WithFile(const fs::path& folder, const char* name, const Bytes& bytes) {
    WriteFile(folder / name, bytes);
    return Wide(folder / name);
}

INSTANTIATE_TEST_SUITE_P(
    PosixFiles, ReadAll,
    ::testing::ValuesIn(std::vector<ReadCase>{
        {"EveryByteValue", [](const fs::path& f) { return WithFile(f, "all.bin", EveryByteValue()); },
         EveryByteValue()},
        {"LargeFileReadIntoMemoryOfItsOwn",
         [](const fs::path& f) { return WithFile(f, "large.bin", LargePattern()); }, LargePattern()},
        {"EmptyFileGivesAnEmptyBuffer", [](const fs::path& f) { return WithFile(f, "empty", {}); },
         Bytes{}},
        {"NameWithASpace", [](const fs::path& f) { return WithFile(f, "my file.prn", {1, 0, 2}); },
         Bytes{1, 0, 2}},
        {"NameThatIsNotUtf8",
         [](const fs::path& f) { return WithFile(f, "caf\xE9.prn", {0xE9, 0}); }, Bytes{0xE9, 0}},
        {"SymbolicLinkToAFile",
         [](const fs::path& f) {
             WithFile(f, "target", {7, 8});
             fs::create_symlink(f / "target", f / "link");
             return Wide(f / "link");
         },
         Bytes{7, 8}},
        {"Folder", [](const fs::path& f) { return Wide(f); }, std::nullopt},
        {"MissingFileIsNotCreated", [](const fs::path& f) { return Wide(f / "missing.prn"); },
         std::nullopt},
        {"MissingFolderIsNotCreated",
         [](const fs::path& f) { return Wide(f / "no-such-folder" / "x.prn"); }, std::nullopt},
        {"PathThroughAFile",
         [](const fs::path& f) { return WithFile(f, "plain", {1}) + L"/x.prn"; }, std::nullopt},
        {"EmptyPath", [](const fs::path&) { return std::wstring(); }, std::nullopt},
        // Pseudo-files report a size of 0 and were loaded as nothing.
        {"ProcFileThatReportsNoSize", [](const fs::path&) { return std::wstring(L"/proc/version"); },
         ReadToItsEnd("/proc/version")},
        // /dev/null reads as zero bytes: taken as a file it would print an empty job.
        {"CharacterDevice", [](const fs::path&) { return std::wstring(L"/dev/null"); },
         std::nullopt},
        // The system would see only the part before the NUL, which names a real file.
        {"NulInsideThePath",
         [](const fs::path& f) {
             return WithFile(f, "real", {1, 2}) + std::wstring(L"\0.txt", 5);
         },
         std::nullopt},
    }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PosixFiles, FifoWithoutWriterIsRefusedAtOnce) {
    TempFolder folder;
    const fs::path fifo = folder.path() / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    auto read = std::async(std::launch::async, [&] { return PosixFiles().ReadAll(Wide(fifo)); });
    if (read.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Release the blocked reader so the test can end, then fail.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
        read.wait();
        FAIL() << "reading a FIFO without a writer blocked";
    }
    EXPECT_FALSE(read.get().has_value());
}

// Checks, with the file-system rights of an ordinary user, that a file without read
// permission is refused while a readable one beside it is read. Root ignores
// permissions, so as root the reads run in a child that has given up root first.
TEST(PosixFiles, FileWithoutReadPermissionIsRefused) {
    TempFolder folder;
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_exec |
                                       fs::perms::others_exec);
    const std::wstring readable = WithFile(folder.path(), "readable", {4, 2});
    const std::wstring locked = WithFile(folder.path(), "locked", {4, 2});
    fs::permissions(folder.path() / "readable", fs::perms::all);
    fs::permissions(folder.path() / "locked", fs::perms::none);

    auto check = [&]() -> int {
        PosixFiles files;
        const auto good = files.ReadAll(readable);
        if (!good || Contents(*good) != Bytes{4, 2})
            return 1;
        if (files.ReadAll(locked).has_value())
            return 2;
        return 0;
    };
    if (::geteuid() != 0) {
        EXPECT_EQ(check(), 0);
        return;
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(3);
        ::_exit(check());
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "1: the readable file was not read, 2: the locked file was read, 3: no ordinary user";
}

}  // namespace
}  // namespace ks
