// Printer addresses: which names are addresses, where each goes, and what a socket job reports.
#include <gtest/gtest.h>

#include <functional>

#include "fakes/fakes.h"
#include "printing/address_routing.h"
#include "printing/failure_details.h"
#include "printing/job_report.h"
#include "printing/printer_address.h"
#include "printing/raw_job.h"
#include "printing/socket_spooler.h"

namespace ks {
namespace {

using Kind = AddressParse::Kind;
using Scheme = PrinterAddress::Scheme;
using Trouble = NetworkTrouble::Kind;

TEST(PrinterAddressParse, NamesAreReadAsAddressesOnlyWhenTheyAreOnes) {
    struct Case {
        const wchar_t* name;
        Kind kind;
        Scheme scheme = Scheme::Socket;
        const wchar_t* host = L"";
        std::uint16_t port = 0;
        const wchar_t* path = L"";
    };
    const Case cases[] = {
        {L"socket://127.0.0.1", Kind::Address, Scheme::Socket, L"127.0.0.1", 9100},
        {L"socket://label-printer.local:9101/", Kind::Address, Scheme::Socket, L"label-printer.local", 9101},
        {L"SOCKET://p1", Kind::Address, Scheme::Socket, L"p1", 9100},
        {L"socket://[::1]:9102", Kind::Address, Scheme::Socket, L"::1", 9102},
        {L"ipp://127.0.0.1:8631/printers/Kestrel-Raw", Kind::Address, Scheme::Ipp, L"127.0.0.1", 8631,
         L"/printers/Kestrel-Raw"},
        {L"ipps://printer/ipp/print", Kind::Address, Scheme::Ipps, L"printer", 631, L"/ipp/print"},
        // Queue names, as before.
        {L"Kestrel-Raw", Kind::NotAnAddress},
        {L"socket:/p1", Kind::NotAnAddress},
        {L"", Kind::NotAnAddress},
        {L"http://p1/ipp", Kind::NotAnAddress},
        // A scheme with no valid address after it.
        {L"socket://", Kind::Invalid},
        {L"socket://:9100", Kind::Invalid},
        {L"socket://p1:0", Kind::Invalid},
        {L"socket://p1:65536", Kind::Invalid},
        {L"socket://p1:91x", Kind::Invalid},
        {L"socket://p1:", Kind::Invalid},
        {L"socket://p1/queue", Kind::Invalid},
        {L"socket://me@p1", Kind::Invalid},
        {L"socket://p 1", Kind::Invalid},
        {L"socket://p1\n", Kind::Invalid},
        {L"socket://dr\u00fccker", Kind::Invalid},
        {L"socket://[::1", Kind::Invalid},
        {L"socket://[::1]x", Kind::Invalid},
        {L"ipp://p1", Kind::Invalid},
        {L"ipp://p1/", Kind::Invalid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "name: " << testing::PrintToString(std::wstring(c.name)));
        const AddressParse parse = ParsePrinterAddress(c.name);
        EXPECT_EQ(parse.kind, c.kind);
        EXPECT_EQ(LooksLikeAddress(c.name), c.kind != Kind::NotAnAddress);
        EXPECT_EQ(parse.trouble.empty(), c.kind != Kind::Invalid);
        if (c.kind != Kind::Address)
            continue;
        EXPECT_EQ(parse.address.scheme, c.scheme);
        EXPECT_EQ(parse.address.host, c.host);
        EXPECT_EQ(parse.address.port, c.port);
        EXPECT_EQ(parse.address.path, c.path);
    }
}

// A network whose one connection takes bytes until told otherwise.
struct FakeNetwork : Network {
    NetworkTrouble refuse;                 // Connect fails with this when set
    std::uint64_t take_at_most = UINT64_MAX;
    NetworkTrouble when_full{Trouble::Closed, L"connection reset by peer"};
    std::function<void()> on_full;         // runs when the limit is reached (a cancel)
    bool peer_closes = true;
    std::optional<std::uint64_t> unacknowledged = 0;

    // What happened to the connection.
    std::wstring host;
    std::uint16_t port = 0;
    std::uint64_t taken = 0;
    bool finished = false;
    bool aborted = false;
    const std::atomic<bool>* stop_seen = nullptr;

    struct Stream : NetworkStream {
        explicit Stream(FakeNetwork& n) : net(n) {}
        ~Stream() override { Abort(); }
        std::uint64_t Send(const std::uint8_t*, std::uint64_t size, std::chrono::milliseconds silence,
                           const std::atomic<bool>* stop) override {
            net.stop_seen = stop;
            const std::uint64_t room = net.take_at_most - net.taken;
            const std::uint64_t n = std::min(size, room);
            net.taken += n;
            if (n == size)
                return n;
            if (net.on_full)
                net.on_full();
            trouble = stop != nullptr && stop->load() ? NetworkTrouble{Trouble::Stopped, {}} : net.when_full;
            if (trouble.kind == Trouble::Stalled)
                trouble.words = DurationText(silence);
            return n;
        }
        bool Finish(std::chrono::milliseconds longest, const std::atomic<bool>*) override {
            net.finished = true;
            if (!net.peer_closes)
                trouble = {Trouble::Stalled, DurationText(longest)};
            return net.peer_closes;
        }
        std::optional<std::uint64_t> Unacknowledged() override { return net.unacknowledged; }
        void Abort() override {
            if (!done)
                net.aborted = !net.finished || !net.peer_closes;
            done = true;
        }
        const NetworkTrouble& Trouble() const override { return trouble; }
        FakeNetwork& net;
        NetworkTrouble trouble;
        bool done = false;
    };

    std::unique_ptr<NetworkStream> Connect(const std::wstring& h, std::uint16_t p, std::chrono::milliseconds,
                                           NetworkTrouble& trouble) override {
        host = h;
        port = p;
        if (refuse.kind != Trouble::None) {
            trouble = refuse;
            return nullptr;
        }
        return std::make_unique<Stream>(*this);
    }
};

TEST(SocketJob, TheOutcomeIsExecutedOnlyWhenThePrinterTookEveryByteAndClosedCleanly) {
    constexpr std::uint64_t kSize = 10'000;
    const SpoolerDeadlines deadlines = SpoolerDeadlines::Parse("stall=2");
    struct Case {
        const char* name;
        std::function<void(FakeNetwork&, JobControl&)> arrange;
        JobOutcome outcome;
        std::uint64_t taken;
        bool aborted;
        std::vector<std::wstring> details;
    };
    const Case cases[] = {
        {"timed out", [](FakeNetwork& n, JobControl&) { n.refuse = {Trouble::TimedOut, L"30 s"}; },
         JobOutcome::OpenRefused, 0, false, {L"could not connect to socket://127.0.0.1:9: no answer within 30 s"}},
        {"never reads",
         [](FakeNetwork& n, JobControl&) {
             n.take_at_most = 0;
             n.when_full = {Trouble::Stalled, {}};
             n.unacknowledged = std::nullopt;
         },
         JobOutcome::Cancelled, 0, true,
         {L"the printer at socket://127.0.0.1:9 took no byte for 2 s after 0 of 10,000 bytes",
          L"the connection to socket://127.0.0.1:9 was closed; the printer had taken no byte of the job"}},
        {"cancel closes the connection",
         [](FakeNetwork& n, JobControl& control) {
             n.take_at_most = 6000;
             n.unacknowledged = 1000;
             n.on_full = [&control] { control.Cancel(); };
         },
         JobOutcome::CancelledByUser, 6000, true,
         {L"the connection to socket://127.0.0.1:9 was closed; the printer had already taken 5,000 bytes, "
          L"which a raw socket cannot take back"}},
        {"no close but every byte acknowledged", [](FakeNetwork& n, JobControl&) { n.peer_closes = false; },
         JobOutcome::Delivered, kSize, true, {}},
        {"no close, bytes left",
         [](FakeNetwork& n, JobControl&) {
             n.peer_closes = false;
             n.unacknowledged = 300;
         },
         JobOutcome::Cancelled, kSize, true,
         {L"the printer at socket://127.0.0.1:9 did not close the connection within 10 s after the last byte; "
          L"it had not taken the last 300 bytes after 10,000 of 10,000 bytes",
          L"the connection to socket://127.0.0.1:9 was closed; the printer had already taken 9,700 bytes, "
          L"which a raw socket cannot take back"}},
        {"no close, nothing known",
         [](FakeNetwork& n, JobControl&) {
             n.peer_closes = false;
             n.unacknowledged = std::nullopt;
         },
         JobOutcome::Cancelled, kSize, true,
         {L"the printer at socket://127.0.0.1:9 did not close the connection within 10 s after the last byte; "
          L"whether it took every byte is not known after 10,000 of 10,000 bytes",
          L"the connection to socket://127.0.0.1:9 was closed; the printer had already taken up to 10,000 bytes, "
          L"which a raw socket cannot take back"}},
    };
    const std::vector<std::uint8_t> content(kSize, 0x1b);
    const ByteBuffer bytes = ByteBuffer::Copy(content.data(), content.size());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeNetwork network;
        JobControl control;
        c.arrange(network, control);
        SocketSpooler spooler(network, deadlines);
        const JobResult result = SendRawJob(spooler, L"socket://127.0.0.1:9", bytes, control, {}, 4096);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(network.host, L"127.0.0.1");
        EXPECT_EQ(network.port, 9);
        EXPECT_EQ(network.taken, c.taken);
        EXPECT_EQ(network.aborted, c.aborted);
        if (result.outcome != JobOutcome::OpenRefused) {
            EXPECT_EQ(network.stop_seen, &control.CancelFlag());
        }
        EXPECT_EQ(ReportJob(result, kSize).details, c.details);
    }
}

TEST(AddressRouting, AnInstalledPrinterWinsAndEachAddressGoesWhereItCanBeSent) {
    struct Case {
        const wchar_t* name;
        bool queues_take_ipp;
        const char* opened_by;  // "queues", "sockets" or "nobody"
        const wchar_t* refusal = L"";
    };
    const Case cases[] = {
        {L"Kestrel-Raw", false, "queues"},
        {L"socket://installed:9100", false, "queues"},
        {L"socket://127.0.0.1:9100", false, "sockets"},
        {L"ipp://127.0.0.1:631/printers/q", true, "queues"},
        {L"ipps://127.0.0.1/ipp/print", false, "nobody",
         L"cannot print to ipps://127.0.0.1/ipp/print: only socket:// addresses work on Windows "
         L"(ipp:// and ipps:// need an installed printer)"},
        {L"socket://127.0.0.1:0", true, "nobody",
         L"\"socket://127.0.0.1:0\" is not a printer address: the port must be a number from 1 to 65535"},
        // A typed name is data: a line break in it stays on the one detail line.
        {L"socket://p1\n\x1b[2J\u2028", true, "nobody",
         L"\"socket://p1\\n\\x1b[2J\\u2028\" is not a printer address: an address holds no spaces, control "
         L"characters or letters outside ASCII"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
        fakes::FakePrinters printers;
        printers.installed = {L"Kestrel-Raw", L"socket://installed:9100"};
        fakes::FakeSpooler queues;
        fakes::FakeSpooler sockets;
        queues.last_error = L"queues said";
        sockets.last_error = L"sockets said";
        AddressRoutingSpooler router(queues, printers, sockets, c.queues_take_ipp);
        const bool opened = router.OpenPrinter(c.name) != nullptr;
        const std::string by = c.opened_by;
        EXPECT_EQ(opened, by != "nobody");
        EXPECT_EQ(queues.calls.size(), by == "queues" ? 1u : 0u);
        EXPECT_EQ(sockets.calls.size(), by == "sockets" ? 1u : 0u);
        EXPECT_EQ(router.LastError(), by == "queues" ? L"queues said" : by == "sockets" ? L"sockets said" : c.refusal);
    }
}

}  // namespace
}  // namespace ks
