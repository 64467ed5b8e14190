// The running program as its starter sees it: the command line it was given, its folder, stderr, exit status.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

struct ProbeRun {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// Starts the probe with these arguments in `folder`, its output going to files.
ProbeRun RunProbe(const std::vector<std::string>& arguments, const fs::path& folder,
                  int exit_status = 0) {
    char pattern[] = "/tmp/ks-probe-XXXXXX";
    const fs::path scratch = ::mkdtemp(pattern);
    const fs::path out = scratch / "out", err = scratch / "err";
    std::vector<std::string> args{KS_PROCESS_PROBE};
    args.insert(args.end(), arguments.begin(), arguments.end());

    const pid_t child = ::fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (o < 0 || e < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0 || ::chdir(folder.c_str()) != 0)
            ::_exit(127);
        ::setenv("PROBE_STATUS", std::to_string(exit_status).c_str(), 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ProbeRun run;
    int raw = 0;
    if (child > 0 && ::waitpid(child, &raw, 0) == child && WIFEXITED(raw))
        run.status = WEXITSTATUS(raw);
    run.out = Slurp(out);
    run.err = Slurp(err);
    fs::remove_all(scratch);
    return run;
}

struct JoinCase {
    const char* name;
    std::vector<std::string> arguments;
    std::string command_line;
};

void PrintTo(const JoinCase& c, std::ostream* os) { *os << c.name; }

class CommandLine : public ::testing::TestWithParam<JoinCase> {};

TEST_P(CommandLine, IsTheArgumentsJoinedBySingleSpaces) {
    const ProbeRun run = RunProbe(GetParam().arguments, "/");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "[" + GetParam().command_line + "]");
}

INSTANTIATE_TEST_SUITE_P(
    PosixProcess, CommandLine,
    ::testing::ValuesIn(std::vector<JoinCase>{
        {"NoArguments", {}, ""},
        {"OnePathWithASpace", {"/data/my file.bin"}, "/data/my file.bin"},
        {"TwoNamesJoined", {"a.bin", "b.bin"}, "a.bin b.bin"},
        {"QuotesKept", {"\"/data/my file.bin\""}, "\"/data/my file.bin\""},
        {"OnlyAPairOfQuotes", {"\"\""}, "\"\""},
        {"EmptyArgumentKeepsItsSpaces", {"a", "", "b"}, "a  b"},
        {"NonUtf8ByteSurvives", {"/data/caf\xE9.bin"}, "/data/caf\xE9.bin"},
    }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PosixProcess, CurrentFolderHasNoTrailingSlashExceptAtTheRoot) {
    char pattern[] = "/tmp/ks-folder-XXXXXX";
    const fs::path folder = fs::canonical(::mkdtemp(pattern));
    const ProbeRun in_folder = RunProbe({}, folder);
    const ProbeRun at_root = RunProbe({}, "/");
    fs::remove_all(folder);
    EXPECT_NE(in_folder.out.find("<" + folder.string() + ">\n"), std::string::npos) << in_folder.out;
    EXPECT_NE(at_root.out.find("</>\n"), std::string::npos) << at_root.out;
}

TEST(PosixProcess, EndFlushesOutputAndSkipsDestructorsAndExitHandlers) {
    for (int status : {0, 1, 3}) {
        SCOPED_TRACE(status);
        const ProbeRun run = RunProbe({"x"}, "/", status);
        EXPECT_EQ(run.status, status);
        EXPECT_TRUE(run.out.ends_with("buffered")) << run.out;
        EXPECT_EQ(run.out.find("ran"), std::string::npos) << run.out;
    }
}

TEST(PosixProcess, ErrorLineIsOneUtf8LineOnStandardError) {
    const ProbeRun run = RunProbe({}, "/");
    EXPECT_EQ(run.err, "The file could not be read. \xC3\xA4\n");
}

}  // namespace
