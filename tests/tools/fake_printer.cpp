// A fake AppSocket network printer: stores the bytes of each connection as one numbered file.
//
//   fake_printer --port PORT --jobs DIR [--port-file FILE] [--never-read | --close-after BYTES]
//
// --never-read: a printer that accepts each connection and then takes no byte.
// --close-after BYTES: a printer that closes each connection after reading BYTES of it
// (the job is kept as .broken); the data still on its way makes the sender see a reset.
// Listens on 127.0.0.1:PORT (0 picks a free port). Each accepted connection is read to its
// end into DIR/.job-NNNN.part, which is renamed to DIR/job-NNNN.bin once the sender closes,
// so a reader never sees half a job. The port actually bound is written to FILE (also by
// write-then-rename) once the socket listens: that file appearing means "ready".
// SIGTERM or SIGINT end it.

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "tests/tools/tool_io.h"

namespace {

using tool_io::g_stop;
using tool_io::WriteFully;

// Writes a small text file so that it appears complete or not at all.
bool WriteFileAtomically(const std::string& path, const std::string& text) {
    const std::string temp = path + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = WriteFully(fd, text.data(), text.size());
    close(fd);
    return ok && rename(temp.c_str(), path.c_str()) == 0;
}

std::string JobName(const std::string& dir, unsigned number, const char* prefix, const char* ext) {
    char name[64];
    std::snprintf(name, sizeof name, "%sjob-%04u%s", prefix, number, ext);
    return dir + "/" + name;
}

// Reads one connection to its end. The printer never answers: a sender that waits for
// the printer to close first (CUPS's socket backend does, after shutting down its side)
// gets that close as soon as its own data has ended.
// How the printer treats a connection: reads it to its end, never reads, or reads only so much.
struct Behaviour {
    bool never_read = false;
    long long close_after = -1;  // -1: read to the end
};

void Receive(int conn, std::string dir, unsigned number, Behaviour behaviour) {
    if (behaviour.never_read) {
        while (!g_stop)
            usleep(100000);
        close(conn);
        return;
    }
    const std::string part = JobName(dir, number, ".", ".part");
    const std::string done = JobName(dir, number, "", ".bin");
    const int out = open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        std::fprintf(stderr, "fake_printer: cannot create %s: %s\n", part.c_str(), std::strerror(errno));
        close(conn);
        return;
    }
    bool ok = true;
    char buffer[1 << 16];
    long long left = behaviour.close_after;
    for (;;) {
        if (left == 0) {
            ok = false;  // closed on purpose, in the middle of the job
            break;
        }
        const size_t want = left > 0 && left < static_cast<long long>(sizeof buffer) ? static_cast<size_t>(left)
                                                                                     : sizeof buffer;
        const ssize_t n = read(conn, buffer, want);
        if (n > 0 && left > 0)
            left -= n;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            std::fprintf(stderr, "fake_printer: job %u: read failed: %s\n", number, std::strerror(errno));
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (!WriteFully(out, buffer, static_cast<size_t>(n))) {
            std::fprintf(stderr, "fake_printer: job %u: write failed: %s\n", number, std::strerror(errno));
            ok = false;
            break;
        }
    }
    close(conn);
    if (close(out) != 0)
        ok = false;
    // A broken connection is kept under another name: it is not a job the printer accepted.
    const std::string final_name = ok ? done : JobName(dir, number, "", ".broken");
    if (rename(part.c_str(), final_name.c_str()) != 0)
        std::fprintf(stderr, "fake_printer: cannot rename %s: %s\n", part.c_str(), std::strerror(errno));
}

// The highest NNNN of the job-NNNN files in `dir` (finished, broken or still arriving); 0 for none.
unsigned HighestJobNumber(const std::string& dir) {
    unsigned highest = 0;
    DIR* folder = opendir(dir.c_str());
    if (!folder)
        return 0;
    while (const dirent* entry = readdir(folder)) {
        unsigned n = 0;
        const char* name = entry->d_name;
        if (name[0] == '.')
            ++name;  // a .job-NNNN.part
        if (std::sscanf(name, "job-%u.", &n) == 1 && n > highest)
            highest = n;
    }
    closedir(folder);
    return highest;
}

int Usage() {
    std::fprintf(stderr, "usage: fake_printer --port PORT --jobs DIR [--port-file FILE] "
                         "[--never-read | --close-after BYTES]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    long port = -1;
    std::string jobs;
    std::string port_file;
    Behaviour behaviour;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--never-read") {
            behaviour.never_read = true;
            continue;
        }
        if (i + 1 >= argc)
            return Usage();
        if (arg == "--port")
            port = std::strtol(argv[++i], nullptr, 10);
        else if (arg == "--jobs")
            jobs = argv[++i];
        else if (arg == "--port-file")
            port_file = argv[++i];
        else if (arg == "--close-after")
            behaviour.close_after = std::strtoll(argv[++i], nullptr, 10);
        else
            return Usage();
    }
    if (port < 0 || port > 65535 || jobs.empty())
        return Usage();

    tool_io::StopOnSignals();

    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        std::perror("fake_printer: socket");
        return 1;
    }
    const int yes = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener, 16) != 0) {
        std::fprintf(stderr, "fake_printer: cannot listen on 127.0.0.1:%ld: %s\n", port, std::strerror(errno));
        return 1;
    }
    socklen_t len = sizeof addr;
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    const unsigned bound = ntohs(addr.sin_port);
    if (!port_file.empty() && !WriteFileAtomically(port_file, std::to_string(bound) + "\n")) {
        std::fprintf(stderr, "fake_printer: cannot write %s: %s\n", port_file.c_str(), std::strerror(errno));
        return 1;
    }

    // Numbering goes on after the highest number already there, so a restart never
    // overwrites a job: tests remove the jobs they checked, so the numbers left have gaps.
    unsigned number = HighestJobNumber(jobs);

    while (!g_stop) {
        const int conn = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (conn < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            std::perror("fake_printer: accept");
            return 1;
        }
        // Two queues may print at once; each connection is its own job.
        std::thread(Receive, conn, jobs, ++number, behaviour).detach();
    }
    close(listener);
    return 0;
}
