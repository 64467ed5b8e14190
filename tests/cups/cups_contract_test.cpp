// Contract tests of CupsPrinters and CupsSpooler against a private CUPS scheduler and fake printer.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/cups/cups_printers.h"
#include "platform/cups/cups_spooler.h"
#include "platform/text.h"
#include "printing/print_job.h"
#include "printing/printer_selection.h"
#include "tests/cups/private_spooler.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kSpoolerDir = KS_SPOOLER_DIR;  // started by the test fixture
const std::string kSpoolerScript = KS_SPOOLER_SCRIPT;
const std::string kFakePrinter = KS_FAKE_PRINTER;
const std::string kSlowProxy = KS_SLOW_PROXY;
constexpr std::size_t kLarge = 50u * 1024 * 1024 + 123;  // odd size: no lucky block boundary

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::wstring Joined(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const std::wstring& line : lines)
        text += (text.empty() ? L"" : L"\n") + line;
    return text;
}

struct JobRecord {
    int id = 0;
    std::string title;
    std::string format;
    int kilobytes = 0;  // of documents the scheduler accepted
    ipp_jstate_t state = IPP_JSTATE_PENDING;
};

// Jobs of one queue as the scheduler reports them, oldest first.
std::vector<JobRecord> Jobs(const std::string& queue, int which) {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, which);
    std::vector<JobRecord> records;
    for (int i = 0; i < count; ++i)
        records.push_back({jobs[i].id, jobs[i].title ? jobs[i].title : "",
                           jobs[i].format ? jobs[i].format : "", jobs[i].size, jobs[i].state});
    cupsFreeJobs(count, jobs);
    std::sort(records.begin(), records.end(),
              [](const JobRecord& a, const JobRecord& b) { return a.id < b.id; });
    return records;
}

ByteBuffer BufferOf(const std::vector<std::uint8_t>& bytes) { return ByteBuffer::Copy(bytes.data(), bytes.size()); }

// A buffer of `size` bytes that count up, made in place.
ByteBuffer Counting(std::size_t size) {
    ByteBuffer buffer = ByteBuffer::ForOverwrite(size);
    for (std::size_t i = 0; i < size; ++i)
        buffer.data()[i] = static_cast<std::uint8_t>(i * 7);
    return buffer;
}

std::optional<JobRecord> NewestJob(const std::string& queue) {
    auto jobs = Jobs(queue, CUPS_WHICHJOBS_ALL);
    if (jobs.empty())
        return std::nullopt;
    return jobs.back();
}

class CupsContractTest : public ::testing::Test {
protected:
    void SetUp() override { jobs_ = test::UseSpooler(kSpoolerDir); }
    fs::path jobs_;
    CupsSpooler spooler_;
};

// ---- installed printers -------------------------------------------------------------

TEST_F(CupsContractTest, PrinterListAndDefaultMatchLpstatInstancesIncluded) {
    // An instance lives in the user's lpoptions (HOME is the spooler folder's here).
    ASSERT_TRUE(test::Run("lpoptions -p Kestrel-Raw/second -o media=a4 >/dev/null"));
    const auto lpstat = test::Run("lpstat -e");
    const auto lpstat_default = test::Run("lpstat -d");
    CupsPrinters printers;
    const auto listed = printers.List();
    const auto system_default = printers.SystemDefault();
    // The listed name of an instance is one the spooler opens.
    const bool instance_opens = spooler_.OpenPrinter(L"Kestrel-Raw/second") != nullptr;
    fs::remove(fs::path(getenv("HOME")) / ".cups" / "lpoptions");

    ASSERT_TRUE(lpstat && lpstat_default);
    std::vector<std::wstring> expected;
    for (const auto& line : Lines(*lpstat))
        expected.emplace_back(line.begin(), line.end());
    EXPECT_EQ(listed, expected);
    for (const wchar_t* name : {L"Kestrel-Raw", L"Kestrel-Raw/second", L"Kestrel-Dymo", L"Kestrel-Reject"})
        EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << "missing " << ToNative(name);

    EXPECT_EQ(*lpstat_default, "system default destination: Kestrel-Raw\n");
    EXPECT_EQ(system_default, std::optional<std::wstring>(L"Kestrel-Raw"));
    EXPECT_TRUE(instance_opens) << ToNative(spooler_.LastError());
}

// The scheduler finds a queue without regard to case; a remembered name must match exactly.
TEST_F(CupsContractTest, LookupMatchesNamesExactlyWhereTheSchedulerIgnoresCase) {
    ASSERT_TRUE(test::Run("lpadmin -p k-raw -E -v file:///dev/null"));
    ASSERT_TRUE(test::Run("lpoptions -p Kestrel-Raw/second -o media=a4 >/dev/null"));
    struct Case {
        const wchar_t* name;
        bool installed;
    };
    const Case cases[] = {
        {L"k-raw", true},         {L"K-RAW", false},
        {L"Kestrel-Raw", true},   {L"kestrel-raw", false},
        {L"Kestrel-Raw ", false}, {L"Kestrel-Nowhere", false},
        {L"", false},             {L"Kestrel-Raw/second", true},
        {L"Kestrel-Raw/SECOND", false},
    };
    CupsPrinters printers;
    std::vector<std::pair<std::wstring, std::optional<bool>>> got;
    for (const Case& c : cases)
        got.emplace_back(c.name, printers.Has(c.name));
    PrinterSelection selection(printers);
    const bool selected_by_case = selection.Select(L"K-RAW");
    test::Run("lpadmin -x k-raw");
    fs::remove(fs::path(getenv("HOME")) / ".cups" / "lpoptions");

    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i].second, std::optional<bool>(cases[i].installed)) << ToNative(got[i].first);
    EXPECT_FALSE(selected_by_case);
    EXPECT_EQ(printers.LastError(), L"") << "a name the scheduler does not have is no failure";
}

// Something that answers in the scheduler's place with an HTTP error: every connection gets
// "500 Internal Server Error" once its request has arrived.
class FailingScheduler {
public:
    FailingScheduler() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
        ::listen(listener_, 8);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~FailingScheduler() {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    std::string Server() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    void Serve() {
        while (!stop_) {
            pollfd wanted{listener_, POLLIN, 0};
            if (::poll(&wanted, 1, 50) <= 0)
                continue;
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0)
                continue;
            // The request's head, then as many bytes as its Content-Length says.
            std::string request;
            char buffer[4096];
            size_t end = std::string::npos;
            while (end == std::string::npos) {
                const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
                if (got <= 0)
                    break;
                request.append(buffer, static_cast<size_t>(got));
                end = request.find("\r\n\r\n");
            }
            const size_t length_at = request.find("Content-Length: ");
            size_t body = length_at == std::string::npos || length_at > end ? 0 : std::stoul(request.substr(length_at + 16));
            size_t have = end == std::string::npos ? 0 : request.size() - end - 4;
            while (have < body) {
                const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
                if (got <= 0)
                    break;
                have += static_cast<size_t>(got);
            }
            const std::string answer =
                "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            ::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
            ::close(client);
        }
    }

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// An error in answer to the list or the lookup is a failed lookup, with the status that
// came back; it never passes for a printer that does not exist.
TEST_F(CupsContractTest, AnHttpErrorIsAFailedLookupNeverAMissingPrinter) {
    FailingScheduler failing;
    test::UseServer(failing.Server());
    CupsPrinters printers(std::make_shared<CupsScheduler>(SpoolerDeadlines{}));
    const std::optional<bool> has = printers.Has(L"Kestrel-Raw");
    const std::wstring lookup_error = printers.LastError();
    const std::vector<std::wstring> listed = printers.List();
    const std::wstring list_error = printers.LastError();
    test::UseServer(test::ReadSpoolerEnv(kSpoolerDir).at("CUPS_SERVER"));

    const std::wstring status = L"answered HTTP 500 (Internal Server Error)";
    EXPECT_EQ(has, std::nullopt);
    EXPECT_NE(lookup_error.find(L"the printer \"Kestrel-Raw\" could not be looked up"), std::wstring::npos)
        << ToNative(lookup_error);
    EXPECT_NE(lookup_error.find(status), std::wstring::npos) << ToNative(lookup_error);
    EXPECT_TRUE(listed.empty());
    EXPECT_NE(list_error.find(L"the printer list could not be read"), std::wstring::npos) << ToNative(list_error);
    EXPECT_NE(list_error.find(status), std::wstring::npos) << ToNative(list_error);
}

// ---- delivery -------------------------------------------------------------------------

struct Delivery {
    const char* name;
    std::wstring queue;
    std::vector<std::uint8_t> (*payload)();
};

void PrintTo(const Delivery& d, std::ostream* os) { *os << d.name; }

class CupsDeliveryTest : public CupsContractTest, public ::testing::WithParamInterface<Delivery> {};

// The bytes reach the printer unchanged: no driver filter, no banner page, no auto-typing,
// nothing lost at a write boundary or a chunk's; the job carries the document name and the
// raw format. Sent as the program sends it: in chunks, on a worker thread of its own.
TEST_P(CupsDeliveryTest, BytesArriveUnchangedInOneRawJobNamedCommandPrint) {
    const Delivery& d = GetParam();
    const auto bytes = d.payload();
    const auto before = test::JobFiles(jobs_);

    const ByteBuffer buffer = BufferOf(bytes);
    PrintJob sending(spooler_, d.queue, buffer, {});
    const JobResult& ending = sending.Wait();
    ASSERT_EQ(ending.outcome, JobOutcome::Delivered) << ToNative(Joined(ending.lines));
    EXPECT_EQ(ending.sent, bytes.size());

    const auto job = NewestJob(ToNative(d.queue));
    ASSERT_TRUE(job);
    EXPECT_EQ(job->title, "Command Print");
    EXPECT_EQ(job->format, "application/vnd.cups-raw");

    const auto received = test::WaitForNewJob(jobs_, before, 120s);
    ASSERT_TRUE(received) << "the printer received no job";
    EXPECT_EQ(received->extension(), ".bin") << "the connection broke";
    const auto got = test::ReadFileBytes(*received);
    fs::remove(*received);
    EXPECT_EQ(got.size(), bytes.size());
    EXPECT_TRUE(got == bytes) << "the printer received other bytes than were sent";
}

std::vector<std::uint8_t> SmallPayload() { return test::AllByteValues(); }
std::vector<std::uint8_t> LargePayload() { return test::RandomBytes(kLarge, 20240607); }

INSTANTIATE_TEST_SUITE_P(
    Queues, CupsDeliveryTest,
    ::testing::Values(Delivery{"RawQueueAllByteValues", L"Kestrel-Raw", SmallPayload},
                      Delivery{"DriverQueueAllByteValues", L"Kestrel-Dymo", SmallPayload},
                      Delivery{"RawQueue50MB", L"Kestrel-Raw", LargePayload},
                      Delivery{"DriverQueue50MB", L"Kestrel-Dymo", LargePayload}),
    [](const auto& info) { return std::string(info.param.name); });

// CUPS refuses a document of zero bytes and would leave its job waiting for ever: the
// job is cancelled and the failure says that nothing was printed.
TEST_F(CupsContractTest, EmptyDocumentFailsAndLeavesNoJobWaiting) {
    auto printer = spooler_.OpenPrinter(L"Kestrel-Raw");
    ASSERT_TRUE(printer);
    ASSERT_TRUE(printer->StartDoc(DocInfo{L"Command Print", std::nullopt, std::nullopt}));
    ASSERT_TRUE(printer->StartPage());
    const std::uint8_t none[1] = {};
    EXPECT_EQ(printer->Write(none, 0), 0u);
    EXPECT_TRUE(printer->EndPage());
    EXPECT_FALSE(printer->EndDoc());
    EXPECT_NE(spooler_.LastError().find(L"nothing was printed"), std::wstring::npos)
        << ToNative(spooler_.LastError());
    printer->Abort();
    EXPECT_TRUE(printer->Close());
    EXPECT_EQ(printer->JobTrace(), SpoolerPrinter::Trace::Cancelled);

    const auto job = NewestJob("Kestrel-Raw");
    ASSERT_TRUE(job);
    EXPECT_EQ(job->title, "Command Print");
    EXPECT_EQ(job->state, IPP_JSTATE_CANCELED);
    EXPECT_TRUE(Jobs("Kestrel-Raw", CUPS_WHICHJOBS_ACTIVE).empty());
}

// ---- refusal --------------------------------------------------------------------------

struct Refusal {
    const char* name;
    std::wstring device_name;
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

class CupsRefusalTest : public CupsContractTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(CupsRefusalTest, OpenRefusesAndNoJobIsCreated) {
    const auto before = Jobs("Kestrel-Reject", CUPS_WHICHJOBS_ALL).size();
    EXPECT_EQ(spooler_.OpenPrinter(GetParam().device_name), nullptr);
    const std::wstring here = spooler_.LastError();
    EXPECT_FALSE(here.empty());
    EXPECT_EQ(Jobs("Kestrel-Reject", CUPS_WHICHJOBS_ALL).size(), before);

    // On a job's worker thread, where libcups keeps its last error and its settings
    // apart from this thread's: the same refusal in the same words.
    const ByteBuffer nothing;
    PrintJob job(spooler_, GetParam().device_name, nothing, {});
    const JobResult& ending = job.Wait();
    EXPECT_EQ(ending.outcome, JobOutcome::OpenRefused);
    EXPECT_EQ(Joined(ending.lines), here);
    EXPECT_EQ(Jobs("Kestrel-Reject", CUPS_WHICHJOBS_ALL).size(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CupsRefusalTest,
    ::testing::Values(Refusal{"UnknownPrinter", L"Kestrel-Nowhere"},
                      Refusal{"QueueRejectingJobs", L"Kestrel-Reject"},
                      Refusal{"EmptyName", L""},
                      // Cut at the NUL, the name would open Kestrel-Raw.
                      Refusal{"NameWithNul", std::wstring(L"Kestrel-Raw\0x", 13)},
                      Refusal{"UnknownPrinterWithInstance", L"Kestrel-Nowhere/Kestrel-Raw"},
                      // The scheduler would take it for Kestrel-Raw; the program must not.
                      Refusal{"NameInAnotherCase", L"kestrel-raw"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- a started job that is not finished ------------------------------------------------

enum class Ending { Abort, Close, Destroy, AbortAfterFailedEndDoc };

struct CutOff {
    const char* name;
    Ending ending;
};

void PrintTo(const CutOff& c, std::ostream* os) { *os << c.name; }

// What a cancelled job leaves: a cancelled job in the queue that the scheduler accepted no
// document of, and nothing at the printer.
void ExpectCancelledAndNothingPrinted(const fs::path& jobs, const std::set<std::string>& before) {
    const auto job = NewestJob("Kestrel-Raw");
    ASSERT_TRUE(job);
    EXPECT_EQ(job->state, IPP_JSTATE_CANCELED);
    EXPECT_EQ(job->kilobytes, 0) << "the scheduler accepted the document";
    EXPECT_TRUE(Jobs("Kestrel-Raw", CUPS_WHICHJOBS_ACTIVE).empty());
    EXPECT_EQ(test::WaitForNewJob(jobs, before, 2s), std::nullopt) << "part of the job was printed";
}

class CupsCutOffTest : public CupsContractTest, public ::testing::WithParamInterface<CutOff> {};

// Half a firmware image must never reach the printer: a job that is abandoned half-way,
// however it is abandoned, is cancelled and nothing of it is printed.
TEST_P(CupsCutOffTest, HalfSentDocumentIsCancelledAndNothingArrives) {
    const auto bytes = test::RandomBytes(4 * 1024 * 1024, 7);
    const auto before = test::JobFiles(jobs_);

    auto printer = spooler_.OpenPrinter(L"Kestrel-Raw");
    ASSERT_TRUE(printer);
    ASSERT_TRUE(printer->StartDoc(DocInfo{L"Command Print", std::nullopt, std::nullopt}));
    ASSERT_TRUE(printer->StartPage());
    ASSERT_EQ(printer->Write(bytes.data(), bytes.size() / 2), bytes.size() / 2);
    switch (GetParam().ending) {
        case Ending::Abort:
            printer->Abort();
            printer->Close();
            break;
        case Ending::Close:
            printer->Close();
            break;
        case Ending::Destroy:
            break;
        case Ending::AbortAfterFailedEndDoc:
            // Writes after a failure take nothing, and the document cannot then be ended.
            printer->Abort();
            EXPECT_EQ(printer->Write(bytes.data(), bytes.size()), 0u);
            EXPECT_FALSE(printer->EndDoc());
            break;
    }
    printer.reset();
    // Had the half document been finished before the cancel, the scheduler could have
    // started printing it in between: it must have accepted none of it.
    ExpectCancelledAndNothingPrinted(jobs_, before);
}

INSTANTIATE_TEST_SUITE_P(Endings, CupsCutOffTest,
                         ::testing::Values(CutOff{"Abort", Ending::Abort},
                                           CutOff{"CloseWithoutEndDoc", Ending::Close},
                                           CutOff{"DestroyWithoutClose", Ending::Destroy},
                                           CutOff{"WritesAfterAbort", Ending::AbortAfterFailedEndDoc}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the user cancels ---------------------------------------------------------------------

TEST_F(CupsContractTest, ACancelledLargeJobEndsCancelledAndNothingReachesThePrinter) {
    constexpr std::uint64_t kTotal = 200u << 20;
    const ByteBuffer buffer = Counting(kTotal);
    const auto before = test::JobFiles(jobs_);
    PrintJob job(spooler_, L"Kestrel-Raw", buffer, {});
    while (job.Sent() < 2 * kChunkBytes && !job.Finished())
        std::this_thread::sleep_for(1ms);
    job.Cancel();
    const JobResult& ending = job.Wait();
    EXPECT_EQ(ending.outcome, JobOutcome::CancelledByUser);
    EXPECT_LT(ending.sent, kTotal);
    EXPECT_TRUE(ending.lines.empty()) << "a cancel is no failure";
    ExpectCancelledAndNothingPrinted(jobs_, before);
}

// A scheduler that stops reading holds a send for up to five minutes before the job
// fails; the user's cancel does not wait for that.
TEST_F(CupsContractTest, ACancelDuringAStalledSendStopsWaitingAtOnce) {
    const fs::path road = kSpoolerDir / "stalling.sock";
    const std::string direct = test::ReadSpoolerEnv(kSpoolerDir).at("CUPS_SERVER");
    test::Background proxy({kSlowProxy, "--listen", road.string(), "--to", direct, "--stall-after",
                            std::to_string(2u << 20)});
    ASSERT_TRUE(proxy.Started());
    for (int i = 0; i < 100 && !fs::exists(road); ++i)
        std::this_thread::sleep_for(50ms);
    test::UseServer(road.string());
    const ByteBuffer buffer = Counting(16u << 20);
    const auto before = test::JobFiles(jobs_);

    PrintJob job(spooler_, L"Kestrel-Raw", buffer, {});
    std::this_thread::sleep_for(1500ms);
    EXPECT_FALSE(job.Finished()) << "the send did not stall";
    const auto asked = std::chrono::steady_clock::now();
    job.Cancel();
    const JobResult& ending = job.Wait();
    const auto waited = std::chrono::steady_clock::now() - asked;
    test::UseServer(direct);

    EXPECT_LT(waited, 10s) << "the cancel waited for the stalled send";
    EXPECT_EQ(ending.outcome, JobOutcome::CancelledByUser);
    EXPECT_TRUE(ending.lines.empty()) << "a cancel is no failure";
    ExpectCancelledAndNothingPrinted(jobs_, before);
}

// ---- the scheduler goes away ------------------------------------------------------------

// A scheduler of its own, so the shared one keeps running for the other tests.
class CupsStoppedSchedulerTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = kSpoolerDir.parent_path() / "spooler-stopped";
        ASSERT_TRUE(test::Run(kSpoolerScript + " start '" + dir_.string() + "' --fake-printer '" +
                              kFakePrinter + "' >/dev/null"));
        jobs_ = test::UseSpooler(dir_);
    }
    void TearDown() override {
        Signal(SIGCONT);  // a stopped scheduler would not hear the stop
        test::Run(kSpoolerScript + " stop '" + dir_.string() + "'");
    }
    void Signal(int signal) const {
        if (const int pid = test::SchedulerPid(dir_); pid > 0)
            ::kill(pid, signal);
    }
    // The scheduler starts again on its old queues and jobs.
    bool Restart() const {
        return test::Run(kSpoolerScript + " restart '" + dir_.string() + "'").has_value();
    }
    std::wstring Address() const { return FromNative(test::ReadSpoolerEnv(dir_).at("CUPS_SERVER")); }

    // Deadlines of seconds instead of minutes, each test with the ones it needs.
    static std::shared_ptr<CupsScheduler> Scheduler(const char* deadlines) {
        return std::make_shared<CupsScheduler>(SpoolerDeadlines::Parse(deadlines));
    }

    fs::path dir_;
    fs::path jobs_;
};

TEST_F(CupsStoppedSchedulerTest, StoppingTheSchedulerInTheMiddleOfAHandOverFailsTheJob) {
    const auto bytes = test::RandomBytes(kLarge, 99);
    const auto before = test::JobFiles(jobs_);
    const auto scheduler = Scheduler("cancel=1");
    CupsSpooler spooler(scheduler);
    auto printer = spooler.OpenPrinter(L"Kestrel-Raw");
    ASSERT_TRUE(printer);
    ASSERT_TRUE(printer->StartDoc(DocInfo{L"Command Print", std::nullopt, std::nullopt}));
    const std::uint64_t first = 8 * 1024 * 1024;
    ASSERT_EQ(printer->Write(bytes.data(), first), first);

    ASSERT_TRUE(test::Run(kSpoolerScript + " stop '" + dir_.string() + "'"));

    // The rest goes after the scheduler has gone: a write or the end of the document must
    // fail (and the process must survive the broken connection).
    std::uint64_t done = first;
    bool failed = false;
    while (done < bytes.size()) {
        const std::uint64_t taken = printer->Write(bytes.data() + done, bytes.size() - done);
        if (taken == 0) {
            failed = true;
            break;
        }
        done += taken;
    }
    if (!failed)
        failed = !printer->EndDoc();
    EXPECT_TRUE(failed) << "the job was reported as delivered";
    EXPECT_FALSE(spooler.LastError().empty());
    printer->Abort();
    printer.reset();
    EXPECT_EQ(test::WaitForNewJob(jobs_, before, 1s), std::nullopt);

    // With no scheduler to ask there are no printers and nothing opens, and each says why.
    CupsPrinters printers(scheduler);
    const std::wstring refused = L"could not reach the scheduler at " + Address() + L": no such socket";
    EXPECT_TRUE(printers.List().empty());
    EXPECT_EQ(printers.LastError(), refused);
    EXPECT_EQ(printers.SystemDefault(), std::nullopt);
    EXPECT_EQ(printers.LastError(), refused);
    EXPECT_EQ(spooler.OpenPrinter(L"Kestrel-Raw"), nullptr);
    EXPECT_FALSE(spooler.LastError().empty());
    EXPECT_EQ(spooler.LastError(), refused);
}

// A scheduler that stops answering (SIGSTOP) made each lookup wait five minutes and then
// blame the printer name. Each call now gives up at its deadline and says why, and once
// the scheduler has been silent the calls after it do not wait again.
TEST_F(CupsStoppedSchedulerTest, ASchedulerThatDoesNotAnswerIsWaitedForOnceAndUntilTheDeadline) {
    using Call = std::function<bool(CupsPrinters&, CupsSpooler&)>;  // true when it failed
    const std::pair<const char*, Call> calls[] = {
        {"List", [](CupsPrinters& p, CupsSpooler&) { return p.List().empty(); }},
        {"SystemDefault", [](CupsPrinters& p, CupsSpooler&) { return !p.SystemDefault(); }},
        {"OpenPrinter", [](CupsPrinters&, CupsSpooler& s) { return !s.OpenPrinter(L"Kestrel-Raw"); }},
    };
    const std::wstring silent = L"could not reach the scheduler at " + Address() + L": timed out after 1 s";
    for (const auto& [first, first_call] : calls) {
        SCOPED_TRACE(std::string("first ") + first);
        const auto scheduler = Scheduler("lookup=1,run=60");
        CupsPrinters printers(scheduler);
        CupsSpooler spooler(scheduler);
        auto words = [&](const char* call) {
            return std::string(call) == "OpenPrinter" ? spooler.LastError() : printers.LastError();
        };
        Signal(SIGSTOP);
        auto started = std::chrono::steady_clock::now();
        EXPECT_TRUE(first_call(printers, spooler));
        const auto waited = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(words(first), silent);
        EXPECT_GE(waited, 900ms);
        EXPECT_LT(waited, 5s) << "the deadline was 1 s";
        for (const auto& [later, later_call] : calls) {
            started = std::chrono::steady_clock::now();
            EXPECT_TRUE(later_call(printers, spooler)) << later;
            EXPECT_LT(std::chrono::steady_clock::now() - started, 500ms) << later << " waited again";
            EXPECT_EQ(words(later), silent) << later;
        }
        Signal(SIGCONT);
    }
}

// Faults of the scheduler in the middle of a document: what the sender is told, and
// whether the job is left behind. The figures are seconds here; they are minutes in use.
struct MidSend {
    const char* name;
    int signal;                           // sent to the scheduler after the first 8 MiB
    std::optional<Milliseconds> back_in;  // then it continues (SIGSTOP) or restarts (others)
    const char* deadlines;
    std::optional<std::wstring> failure;  // the first line of the failure; nullopt: delivered
    bool left_behind;                     // the job stays in the queue, and the last line says so
};

void PrintTo(const MidSend& m, std::ostream* os) { *os << m.name; }

class CupsMidSendTest : public CupsStoppedSchedulerTest, public ::testing::WithParamInterface<MidSend> {};

TEST_P(CupsMidSendTest, TheSenderIsToldWhatHappenedAndNoJobIsLeftUnsaid) {
    const MidSend& m = GetParam();
    const auto bytes = test::RandomBytes(kLarge, 4711);
    const auto before = test::JobFiles(jobs_);
    CupsSpooler spooler(Scheduler(m.deadlines));
    auto printer = spooler.OpenPrinter(L"Kestrel-Raw");
    ASSERT_TRUE(printer) << ToNative(spooler.LastError());
    ASSERT_TRUE(printer->StartDoc(DocInfo{L"Command Print", std::nullopt, std::nullopt}));
    const std::uint64_t first = 8 * 1024 * 1024;
    ASSERT_EQ(printer->Write(bytes.data(), first), first);
    const auto job = NewestJob("Kestrel-Raw");
    ASSERT_TRUE(job);

    const int pid = test::SchedulerPid(dir_);
    Signal(m.signal);
    std::thread comeback([&] {
        if (!m.back_in)
            return;
        std::this_thread::sleep_for(*m.back_in);
        if (m.signal == SIGSTOP)
            ::kill(pid, SIGCONT);
        else
            Restart();
    });
    std::uint64_t done = first;
    while (done < bytes.size()) {
        const std::uint64_t taken = printer->Write(bytes.data() + done, bytes.size() - done);
        if (taken == 0)
            break;
        done += taken;
    }
    const bool delivered = done == bytes.size() && printer->EndDoc();
    if (!delivered)
        printer->Abort();
    const std::vector<std::string> lines = Lines(ToNative(spooler.LastError()));
    printer.reset();
    comeback.join();
    if (m.signal != SIGSTOP && !m.back_in) {
        ASSERT_TRUE(Restart()) << "to look at the queue";
    }

    ASSERT_EQ(delivered, !m.failure) << ToNative(spooler.LastError());
    if (delivered) {
        const auto received = test::WaitForNewJob(jobs_, before, 60s);
        ASSERT_TRUE(received);
        EXPECT_TRUE(test::ReadFileBytes(*received) == bytes) << "the printer received other bytes";
        return;
    }
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), ToNative(*m.failure));
    const std::string left = "job " + std::to_string(job->id) + " is left in the queue of Kestrel-Raw; " +
                             "remove it with: cancel " + std::to_string(job->id);
    EXPECT_EQ(lines.back() == left, m.left_behind) << lines.back();
    const auto active = Jobs("Kestrel-Raw", CUPS_WHICHJOBS_ACTIVE);
    const bool still_there = std::any_of(active.begin(), active.end(),
                                         [&](const JobRecord& r) { return r.id == job->id; });
    EXPECT_EQ(still_there, m.left_behind);
    if (still_there)
        cupsCancelJob2(CUPS_HTTP_DEFAULT, "Kestrel-Raw", job->id, 1);
    EXPECT_EQ(test::WaitForNewJob(jobs_, before, 1s), std::nullopt) << "part of the job was printed";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CupsMidSendTest,
    ::testing::Values(
        // The cancel reaches the scheduler once it is back.
        MidSend{"KilledAndBackWithinTheCancelRetries", SIGKILL, 1500ms, "cancel=20",
                L"the scheduler closed the connection", false},
        // It used to leave the job held in the queue without a word.
        MidSend{"StoppedGracefullyAndNotBack", SIGTERM, std::nullopt, "cancel=1",
                L"the scheduler closed the connection", true},
        MidSend{"PausedForLessThanTheStallAllows", SIGSTOP, 2000ms, "stall=10", std::nullopt, false},
        MidSend{"PausedPastTheStall", SIGSTOP, 4000ms, "stall=1,cancel=20",
                L"the scheduler made no progress for 1 s", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ks
