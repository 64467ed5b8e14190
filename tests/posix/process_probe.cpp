// A program that runs PosixProcess as the real one does, for the tests to watch from outside.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/posix/posix_process.h"
#include "platform/text.h"

namespace {

// Ending through Process::End must skip these: no destructor or exit handler may
// run once the program has decided to end.
struct Witness {
    ~Witness() { std::fputs("destructor ran\n", stdout); }
} witness;

}  // namespace

// stdout: "[COMMAND LINE]", "<CURRENT FOLDER>", then "buffered" without a line
// break (left in stdio's buffer for End to flush). stderr: one ErrorLine.
// The exit status comes from PROBE_STATUS.
int main(int argc, char** argv) {
    std::atexit([] { std::fputs("exit handler ran\n", stdout); });
    ks::PosixProcess process(argc, argv);
    std::printf("[%s]\n", ks::ToNative(process.CommandLine()).c_str());
    std::printf("<%s>\n", ks::ToNative(process.CurrentFolder()).c_str());
    std::printf("buffered");
    process.ErrorLine(L"The file could not be read. \u00e4");
    const char* status = std::getenv("PROBE_STATUS");
    process.End(status ? std::atoi(status) : 0);
}
