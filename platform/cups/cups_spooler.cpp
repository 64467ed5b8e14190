// Raw print jobs through the CUPS destination API: create the job, start a raw document, write, finish.
#include "platform/cups/cups_spooler.h"

#include <cups/cups.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <utility>

#include "platform/cups/cups_address.h"
#include "platform/cups/cups_password.h"
#include "platform/text.h"

namespace ks {

namespace {

using Clock = std::chrono::steady_clock;
using Trouble = SchedulerConnection::Trouble;

// The raw format: the scheduler runs no filter, so even a queue with a driver hands the
// bytes to the printer unchanged. Named here because libcups 3 drops CUPS_FORMAT_RAW.
constexpr const char* kRawFormat = "application/vnd.cups-raw";

// The bytes of one write go to libcups in pieces of this size. Each piece that goes
// over is progress, which keeps a slow send from being taken for a stalled one (a
// scheduler that takes less than a kilobyte a second still counts as moving), and a
// send that breaks off can say how far it got.
constexpr std::uint64_t kPiece = std::uint64_t{256} << 10;

// Waits between attempts to cancel a job: doubled each time up to the last.
constexpr Milliseconds kFirstRetryPause{250};
constexpr Milliseconds kLongestRetryPause{4000};

bool Succeeded(ipp_status_t status) { return status <= IPP_STATUS_OK_EVENTS_COMPLETE; }

// The scheduler's own words for its last answer, as a detail line; "" when it gave none.
std::wstring Said() {
    const char* text = cupsLastErrorString();
    if (text == nullptr || *text == '\0')
        return {};
    return L"the scheduler said: " + FromNative(text);
}

// A request the scheduler did not carry out: what broke the connection, or else `what`
// and the scheduler's refusal.
void RecordRefusal(CupsScheduler& scheduler, const SchedulerConnection& connection,
                   SpoolerErrors& errors, std::wstring what) {
    if (connection.What() == Trouble::Stopped)
        return;  // the user's cancel: nothing failed
    if (std::optional<std::wstring> unanswered = TakeUnansweredPassword()) {
        if (!unanswered->empty())  // empty: the user's cancel
            errors.Failed(std::move(*unanswered));
        return;
    }
    if (auto failure = scheduler.LookupFailure(connection)) {
        errors.Failed(std::move(*failure));
        return;
    }
    errors.Failed(std::move(what));
    if (std::wstring said = Said(); !said.empty())
        errors.Add(std::move(said));
}

// The scheduler's address for a queue of this name.
std::string PrinterUri(const std::string& printer) {
    // A socket path is no host name; the scheduler behind it is local.
    const char* server = cupsServer();
    const char* host = server == nullptr || *server == '/' ? "localhost" : server;
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, host, ippPort(),
                     "/printers/%s", printer.c_str());
    return uri;
}

// What the scheduler says of a queue asked for by name.
struct QueueAnswer {
    // OtherCase: the scheduler, which ignores case in names, has a queue whose name
    // differs from the one asked for in case alone. It is not this printer.
    enum class Known { Yes, No, OtherCase, NoAnswer } known = Known::NoAnswer;
    bool accepting = true;
    std::string device_uri;
};

// Whether the scheduler has a printer or class of this name, asked over `connection`,
// with what a job needs to know of it. A known queue takes its job straight away: no
// cupsGetNamedDest and cupsCopyDestInfo, which ask for every attribute of the queue and
// would make each print cost as much again. For a name it has no queue for,
// cupsGetNamedDest looks further, and that one, when its own request gets no answer, asks
// again over libcups's default connection, which waits minutes on a silent scheduler:
// hence this question first.
QueueAnswer AskAboutQueue(const SchedulerConnection& connection, const std::string& printer) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 PrinterUri(printer).c_str());
    static const char* const attributes[] = {"printer-name", "printer-is-accepting-jobs", "device-uri"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr,
                  attributes);
    ipp_t* response = cupsDoRequest(connection.http(), request, "/");
    QueueAnswer answer;
    if (connection.What() != Trouble::None) {
        ippDelete(response);
        return answer;
    }
    answer.known = Succeeded(cupsLastError()) ? QueueAnswer::Known::Yes : QueueAnswer::Known::No;
    if (ipp_attribute_t* a = ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN))
        answer.accepting = ippGetBoolean(a, 0) != 0;
    if (ipp_attribute_t* a = ippFindAttribute(response, "device-uri", IPP_TAG_URI))
        answer.device_uri = ippGetString(a, 0, nullptr) ? ippGetString(a, 0, nullptr) : "";
    if (ipp_attribute_t* a = ippFindAttribute(response, "printer-name", IPP_TAG_NAME);
        a != nullptr && answer.known == QueueAnswer::Known::Yes) {
        const char* name = ippGetString(a, 0, nullptr);
        if (name != nullptr && printer != name)
            answer.known = QueueAnswer::Known::OtherCase;
    }
    ippDelete(response);
    return answer;
}

// Create-Job on a queue of the scheduler, as cupsCreateDestJob makes it; the job's id,
// or 0 (cupsLastError says why).
int CreateJobOnQueue(http_t* http, const std::string& queue, const std::string& title, int num_options,
                     cups_option_t* options) {
    ipp_t* request = ippNewRequest(IPP_OP_CREATE_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, PrinterUri(queue).c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.c_str());
    cupsEncodeOptions2(request, num_options, options, IPP_TAG_OPERATION);
    cupsEncodeOptions2(request, num_options, options, IPP_TAG_JOB);
    ipp_t* response = cupsDoRequest(http, request, ("/printers/" + queue).c_str());
    int job_id = 0;
    if (ipp_attribute_t* a = ippFindAttribute(response, "job-id", IPP_TAG_INTEGER))
        job_id = ippGetInteger(a, 0);
    ippDelete(response);
    return Succeeded(cupsLastError()) ? job_id : 0;
}

// How often a watched job is looked at: every few milliseconds at first, as a healthy
// queue prints a small job within some tens of them and the run ends only then; a quarter
// longer each time after, up to every 100 ms. A local scheduler answers in a millisecond
// or two.
constexpr Milliseconds kFirstWatchPoll{4};
constexpr Milliseconds kWatchPoll{100};
// A job that has been processing this long with no trouble reported has found its printer.
constexpr Milliseconds kSettled{2000};

// What the scheduler says of a job and its queue at one moment.
struct JobState {
    ipp_jstate_t job = IPP_JSTATE_PENDING;
    std::vector<std::string> job_reasons;
    ipp_pstate_t printer = IPP_PSTATE_IDLE;
    std::vector<std::string> printer_reasons;
    std::string printer_message;
    std::string device_uri;
    int queued = 0;  // pending and processing jobs of the queue, this one among them
};

std::vector<std::string> Keywords(ipp_attribute_t* attribute) {
    std::vector<std::string> words;
    for (int i = 0; i < ippGetCount(attribute); ++i)
        if (const char* word = ippGetString(attribute, i, nullptr))
            words.emplace_back(word);
    return words;
}

bool Has(const std::vector<std::string>& words, const std::string& word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

// Whether the printer's state message, while a job is processing, speaks of trouble. CUPS's
// backends report what goes wrong in words only (a socket printer that refuses the
// connection leaves printer-state-reasons at "none" and says "The printer may not exist
// or is unavailable at this time."); the words they use while all is well are these.
bool SpeaksOfTrouble(const std::string& message) {
    static const char* const kProgress[] = {"Connected to printer.", "Connecting to printer.",
                                            "Sending data to printer.", "Printing.",
                                            "Print file sent, waiting for printer to finish",
                                            "Ready to print.", "Spooling job"};
    if (message.empty())
        return false;
    for (const char* words : kProgress)
        if (message.rfind(words, 0) == 0)
            return false;
    return true;
}

// Whether the printer's state message says the backend has reached the printer and is
// handing it the job: the words CUPS's socket, IPP, LPD and USB backends use then.
bool SpeaksOfSending(const std::string& message) {
    static const char* const kSending[] = {"Connected to printer.", "Sending data to printer.", "Printing.",
                                           "Print file sent, waiting for printer to finish"};
    for (const char* words : kSending)
        if (message.rfind(words, 0) == 0)
            return true;
    return false;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Looks at one job the scheduler took whole, over the printer's own connection, until
// its state tells what became of it (see SpoolerPrinter::Watch).
class JobWatcher {
public:
    JobWatcher(SchedulerConnection& connection, const std::string& queue, std::string device_uri, int job_id,
               WatchUntil until, Milliseconds longest, const std::atomic<bool>* stop)
        : connection_(connection), queue_(queue), uri_(PrinterUri(queue)), device_uri_(std::move(device_uri)),
          job_id_(job_id), until_(until), deadline_(Clock::now() + longest), stop_(stop) {}

    JobFate Run() {
        connection_.WaitUntil(deadline_, std::chrono::duration_cast<Milliseconds>(deadline_ - Clock::now()));
        std::optional<JobFate> last;
        Milliseconds poll = kFirstWatchPoll;
        for (;;) {
            if (Stopped())
                return {JobFate::State::Stopped, {}};
            std::optional<JobState> state = Ask();
            if (!state) {
                if (Stopped())
                    return {JobFate::State::Stopped, {}};
                // The job was taken whole; only its fate is unknown.
                return {JobFate::State::OnItsWay,
                        {L"the scheduler did not say what became of job " + Id() + L" on " + Queue()}};
            }
            const Clock::time_point now = Clock::now();
            std::optional<JobFate> fate = Judge(*state, now);
            if (fate && (until_ == WatchUntil::Known || fate->state == JobFate::State::Printed ||
                         fate->state == JobFate::State::Failed))
                return *fate;
            if (fate)
                last = std::move(fate);
            if (now >= deadline_)
                return AtDeadline(*state, std::move(last));
            Pause(std::min<Clock::duration>(poll, deadline_ - now));
            poll = std::min(poll + std::max(poll / 4, Milliseconds(1)), kWatchPoll);
        }
    }

private:
    bool Stopped() const { return stop_ && stop_->load(); }

    void Pause(Clock::duration wait) {
        const Clock::time_point until = Clock::now() + wait;
        while (!Stopped() && Clock::now() < until)
            std::this_thread::sleep_for(std::min<Clock::duration>(Milliseconds(20), until - Clock::now()));
    }

    std::wstring Id() const { return std::to_wstring(job_id_); }
    std::wstring Queue() const { return FromNative(queue_); }
    std::wstring Device() const { return FromNative(state_device_.empty() ? device_uri_ : state_device_); }
    std::wstring RemoveIt() const { return L"to remove it instead: cancel " + Id(); }

    std::optional<JobState> Ask() {
        JobState state;
        ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri_.c_str());
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job_id_);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
        static const char* const job_attributes[] = {"job-state", "job-state-reasons"};
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr,
                      job_attributes);
        ipp_t* answer = cupsDoRequest(connection_.http(), request, "/");
        if (answer == nullptr || !Succeeded(ippGetStatusCode(answer))) {
            ippDelete(answer);
            return std::nullopt;
        }
        if (ipp_attribute_t* a = ippFindAttribute(answer, "job-state", IPP_TAG_ENUM))
            state.job = static_cast<ipp_jstate_t>(ippGetInteger(a, 0));
        state.job_reasons = Keywords(ippFindAttribute(answer, "job-state-reasons", IPP_TAG_KEYWORD));
        ippDelete(answer);
        if (state.job == IPP_JSTATE_COMPLETED)
            return state;  // printed: what the printer says now no longer matters

        request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri_.c_str());
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
        static const char* const printer_attributes[] = {"printer-state", "printer-state-reasons",
                                                         "printer-state-message", "queued-job-count",
                                                         "device-uri"};
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 5, nullptr,
                      printer_attributes);
        answer = cupsDoRequest(connection_.http(), request, "/");
        if (answer == nullptr || !Succeeded(ippGetStatusCode(answer))) {
            ippDelete(answer);
            return std::nullopt;
        }
        if (ipp_attribute_t* a = ippFindAttribute(answer, "printer-state", IPP_TAG_ENUM))
            state.printer = static_cast<ipp_pstate_t>(ippGetInteger(a, 0));
        state.printer_reasons = Keywords(ippFindAttribute(answer, "printer-state-reasons", IPP_TAG_KEYWORD));
        if (ipp_attribute_t* a = ippFindAttribute(answer, "printer-state-message", IPP_TAG_TEXT))
            state.printer_message = ippGetString(a, 0, nullptr) ? ippGetString(a, 0, nullptr) : "";
        if (ipp_attribute_t* a = ippFindAttribute(answer, "queued-job-count", IPP_TAG_INTEGER))
            state.queued = ippGetInteger(a, 0);
        if (ipp_attribute_t* a = ippFindAttribute(answer, "device-uri", IPP_TAG_URI))
            state_device_ = ippGetString(a, 0, nullptr) ? ippGetString(a, 0, nullptr) : "";
        ippDelete(answer);
        return state;
    }

    // The printer's own words, when it gave any.
    void AddMessage(const JobState& state, std::vector<std::wstring>& lines) const {
        if (!state.printer_message.empty())
            lines.push_back(L"the printer's state: " + FromNative(state.printer_message));
    }

    // What the state tells, or nullopt while it does not tell yet.
    std::optional<JobFate> Judge(const JobState& state, Clock::time_point now) {
        using State = JobFate::State;
        switch (state.job) {
        case IPP_JSTATE_COMPLETED:
            return JobFate{State::Printed, {L"the printer of " + Queue() + L" has received all of job " + Id()}};
        case IPP_JSTATE_CANCELED:
        case IPP_JSTATE_ABORTED: {
            JobFate fate{State::Failed,
                         {L"the scheduler " + std::wstring(state.job == IPP_JSTATE_ABORTED ? L"aborted" : L"cancelled") +
                          L" job " + Id() + L" on " + Queue()}};
            AddMessage(state, fate.lines);
            return fate;
        }
        case IPP_JSTATE_HELD: {
            std::wstring why = L"job " + Id() + L" is held";
            if (Has(state.job_reasons, "auth-info-required"))
                why += L" until its owner authenticates";
            else if (Has(state.job_reasons, "job-hold-until-specified"))
                why += L" until it is released: lp -i " + Id() + L" -H resume";
            else if (!state.job_reasons.empty())
                why += L" (" + FromNative(state.job_reasons.front()) + L")";
            return JobFate{State::Waiting, {why, RemoveIt()}};
        }
        default:
            break;
        }
        if (state.printer == IPP_PSTATE_STOPPED || Has(state.printer_reasons, "paused"))
            return JobFate{State::Waiting,
                           {L"the queue \"" + Queue() + L"\" is paused; it prints when resumed: cupsenable " + Queue(),
                            RemoveIt()}};
        for (const std::string& reason : state.printer_reasons) {
            if (reason == "offline-report" || EndsWith(reason, "-error")) {
                JobFate fate{State::Waiting,
                             {reason == "offline-report"
                                  ? L"the printer at " + Device() + L" is offline"
                                  : L"the printer at " + Device() + L" reports " + FromNative(reason)}};
                AddMessage(state, fate.lines);
                fate.lines.push_back(RemoveIt());
                return fate;
            }
        }
        if (state.job == IPP_JSTATE_STOPPED) {
            JobFate fate{State::Failed, {L"the scheduler stopped job " + Id() + L" on " + Queue()}};
            AddMessage(state, fate.lines);
            return fate;
        }
        if (state.job == IPP_JSTATE_PENDING) {
            processing_since_.reset();
            if (state.queued > 1) {
                const int ahead = state.queued - 1;
                return JobFate{State::OnItsWay, {L"job " + Id() + L" is queued for " + Queue() + L" behind " +
                                                 std::to_wstring(ahead) + (ahead == 1 ? L" other job" : L" other jobs")}};
            }
            return std::nullopt;  // the scheduler starts it in a moment
        }
        // Processing: on its way once the backend says it reached the printer, or once the
        // job has gone on for a while with no trouble reported; a printer that is not
        // reached may still answer before the watch ends.
        if (Unreached(state)) {
            processing_since_.reset();
            return std::nullopt;
        }
        if (!processing_since_)
            processing_since_ = now;
        if (SpeaksOfSending(state.printer_message) || now - *processing_since_ >= kSettled)
            return JobFate{State::OnItsWay, {L"the spooler is still sending job " + Id() + L" to " + Queue()}};
        return std::nullopt;
    }

    static bool Unreached(const JobState& state) {
        return Has(state.printer_reasons, "connecting-to-device") || SpeaksOfTrouble(state.printer_message);
    }

    // The watch is over and the state did not tell in time.
    JobFate AtDeadline(const JobState& state, std::optional<JobFate> last) const {
        using State = JobFate::State;
        if (state.job == IPP_JSTATE_PROCESSING && Unreached(state)) {
            JobFate fate{State::Waiting, {L"the printer at " + Device() + L" does not answer"}};
            AddMessage(state, fate.lines);
            fate.lines.push_back(RemoveIt());
            return fate;
        }
        if (until_ == WatchUntil::Known)
            return last ? *last : JobFate{State::OnItsWay, {L"job " + Id() + L" is queued for " + Queue()}};
        // Told to wait until it is printed: whatever keeps it, it is not printed yet.
        if (last && last->state == State::Waiting)
            return *last;
        return JobFate{State::Waiting, {L"job " + Id() + L" has not been printed yet on " + Queue(), RemoveIt()}};
    }

    SchedulerConnection& connection_;
    const std::string queue_;
    const std::string uri_;
    std::string device_uri_;
    std::string state_device_;
    const int job_id_;
    const WatchUntil until_;
    const Clock::time_point deadline_;
    const std::atomic<bool>* stop_;
    std::optional<Clock::time_point> processing_since_;
};

// A printer opened by its destination (`dest` and `info`: a printer at an address, or one
// the scheduler found on the network), or a queue of the scheduler opened by its name
// alone (both nullptr), which is how a print to an installed queue goes.
class CupsPrinter : public SpoolerPrinter {
public:
    CupsPrinter(std::shared_ptr<CupsScheduler> scheduler,
                std::unique_ptr<SchedulerConnection> connection, cups_dest_t* dest,
                cups_dinfo_t* info, std::wstring name, std::shared_ptr<SpoolerErrors> errors)
        : scheduler_(std::move(scheduler)), connection_(std::move(connection)), dest_(dest),
          info_(info), name_(std::move(name)), errors_(std::move(errors)), queue_(dest->name) {
        if (const char* device = cupsGetOption("device-uri", dest->num_options, dest->options))
            device_uri_ = device;
    }

    CupsPrinter(std::shared_ptr<CupsScheduler> scheduler, std::unique_ptr<SchedulerConnection> connection,
                std::string queue, std::string device_uri, std::wstring name,
                std::shared_ptr<SpoolerErrors> errors)
        : scheduler_(std::move(scheduler)), connection_(std::move(connection)), dest_(nullptr), info_(nullptr),
          name_(std::move(name)), errors_(std::move(errors)), queue_(std::move(queue)),
          device_uri_(std::move(device_uri)) {}

    ~CupsPrinter() override {
        Close();
        cupsFreeDestInfo(info_);
        cupsFreeDests(1, dest_);
    }

    CupsPrinter(const CupsPrinter&) = delete;
    CupsPrinter& operator=(const CupsPrinter&) = delete;

    bool StartDoc(const DocInfo& doc) override {
        if (!connection_ || job_id_ != 0 || delivered_) {
            errors_->Failed(L"one job per open printer");
            return false;
        }
        const std::string title = ToNative(doc.document_name);
        if (title.find('\0') != std::string::npos) {
            errors_->Failed(L"the document name holds a NUL character");
            return false;
        }
        const Milliseconds lookup = scheduler_->Deadlines().lookup;
        connection_->WaitUntil(Clock::now() + lookup, lookup);
        cups_option_t* options = nullptr;
        // A banner page must never be put in front of raw data.
        const int num_options = cupsAddOption("job-sheets", "none", 0, &options);
        int job_id = 0;
        bool created = false;
        if (info_) {
            created = Succeeded(cupsCreateDestJob(connection_->http(), dest_, info_, &job_id, title.c_str(),
                                                  num_options, options));
        } else {
            job_id = CreateJobOnQueue(connection_->http(), queue_, title, num_options, options);
            created = job_id > 0;
        }
        cupsFreeOptions(num_options, options);
        if (!created || job_id <= 0) {
            RecordRefusal(*scheduler_, *connection_, *errors_,
                          L"the scheduler did not create the job");
            return false;
        }
        job_id_ = job_id;
        created_ = true;
        const http_status_t started =
            info_ ? cupsStartDestDocument(connection_->http(), dest_, info_, job_id_, title.c_str(), kRawFormat,
                                          0, nullptr, 1)
                  : cupsStartDocument(connection_->http(), queue_.c_str(), job_id_, title.c_str(), kRawFormat, 1);
        if (started != HTTP_STATUS_CONTINUE) {
            RecordRefusal(*scheduler_, *connection_, *errors_,
                          L"the scheduler did not take the document");
            CancelCurrent();
            return false;
        }
        connection_->AllowSilence(scheduler_->Deadlines().stalled_send);
        sending_ = true;
        written_ = 0;
        return true;
    }

    bool StartPage() override { return true; }

    std::uint64_t Write(const std::uint8_t* data, std::uint64_t size) override {
        if (!sending_ || write_failed_ || size == 0)
            return 0;
        std::uint64_t taken = 0;
        while (taken < size) {
            // A cancel takes hold from one piece to the next, not one chunk to the next.
            if (connection_->StopAsked()) {
                write_failed_ = true;
                break;
            }
            const std::uint64_t piece = std::min(size - taken, kPiece);
            // libcups ignores SIGPIPE (httpInitialize), so a scheduler that went away
            // makes the write fail instead of ending the program.
            const http_status_t status =
                cupsWriteRequestData(connection_->http(), reinterpret_cast<const char*>(data + taken),
                                     static_cast<size_t>(piece));
            if (status != HTTP_STATUS_CONTINUE) {
                SendFailed(L"the scheduler refused the document");
                write_failed_ = true;
                break;
            }
            taken += piece;
            connection_->Progressed();
        }
        written_ += taken;
        return taken;  // fewer than offered after a failure; the next write then takes none
    }

    bool EndPage() override { return true; }

    bool EndDoc() override {
        // After a failed write the document is incomplete: finishing it would release a
        // truncated job.
        if (!sending_ || write_failed_)
            return false;
        const ipp_status_t finished = info_ ? cupsFinishDestDocument(connection_->http(), dest_, info_)
                                            : cupsFinishDocument(connection_->http(), queue_.c_str());
        sending_ = false;
        if (Succeeded(finished)) {
            delivered_ = true;
            delivered_id_ = std::exchange(job_id_, 0);
            return true;
        }
        if (written_ == 0 && connection_->What() == Trouble::None) {
            // CUPS refuses a document of zero bytes ("No file in print request.") and
            // leaves the job waiting for one: it is cancelled, and nothing was printed.
            errors_->Failed(L"the scheduler accepts no empty document; nothing was printed");
            CancelCurrent();
            return false;
        }
        SendFailed(L"the scheduler did not accept the document");
        return false;
    }

    void Abort() override { CancelCurrent(); }

    void StopWaitingWhen(const std::atomic<bool>* stop) override {
        StopPasswordQuestionsWhen(stop);
        if (connection_)
            connection_->StopWhen(stop);
    }

    bool Close() override {
        CancelCurrent();
        connection_.reset();
        return true;
    }

    bool CancelJob() override {
        if (job_id_ != 0)
            return CancelCurrent();
        if (delivered_id_ == 0)
            return true;
        connection_.reset();
        return CancelById(std::exchange(delivered_id_, 0));
    }

    Trace JobTrace() const override {
        if (left_)
            return Trace::LeftInQueue;
        return created_ ? Trace::Cancelled : Trace::NeverCreated;
    }

    JobFate Watch(WatchUntil until, Milliseconds longest, const std::atomic<bool>* stop) override {
        if (delivered_id_ == 0 || !connection_)
            return {};
        return JobWatcher(*connection_, queue_, device_uri_, delivered_id_, until, longest, stop).Run();
    }

private:
    // The hand-over of the document broke off. `refused` is for a scheduler that
    // answered with a refusal of its own.
    void SendFailed(const wchar_t* refused) {
        switch (connection_->What()) {
        case Trouble::Stopped:
            return;  // the user's cancel: nothing failed
        case Trouble::TimedOut:
            errors_->Failed(L"the scheduler made no progress for " +
                            DurationText(connection_->Budget()));
            return;
        case Trouble::Closed:
            errors_->Failed(L"the scheduler closed the connection");
            return;
        case Trouble::Failed:
            errors_->Failed(L"the connection to the scheduler failed: " + connection_->Reason());
            return;
        case Trouble::None:
            break;
        }
        errors_->Failed(refused);
        if (std::wstring said = Said(); !said.empty())
            errors_->Add(std::move(said));
    }

    // A line about cleaning up after a failure, which stays the first line.
    void Also(std::wstring line) {
        if (errors_->Empty())
            errors_->Failed(std::move(line));
        else
            errors_->Add(std::move(line));
    }

    // Cancels the job being sent, when there is one. A document still being sent is
    // first cut off by dropping the connection in the middle of it, so the scheduler
    // discards what it received instead of accepting a truncated document (finishing it
    // first, then cancelling, would let the scheduler start printing in between).
    bool CancelCurrent() {
        if (job_id_ == 0)
            return true;
        const int job_id = std::exchange(job_id_, 0);
        sending_ = false;
        connection_.reset();
        return CancelById(job_id);
    }

    // The cancel goes over a fresh connection, again and again while the scheduler
    // cannot be reached, until the deadline for cancelling has passed.
    bool CancelById(int job_id) {
        const Milliseconds budget = scheduler_->Deadlines().cancel_retries;
        const Clock::time_point give_up = Clock::now() + budget;
        Milliseconds pause = kFirstRetryPause;
        std::wstring trouble;
        for (;;) {
            if (auto connection = scheduler_->ConnectUntil(give_up, budget, trouble)) {
                const ipp_status_t status =
                    dest_ ? cupsCancelDestJob(connection->http(), dest_, job_id)
                          : cupsCancelJob2(connection->http(), queue_.c_str(), job_id, 0);
                // A job the scheduler no longer has, or has already ended, is not left behind.
                if (Succeeded(status) || status == IPP_STATUS_ERROR_NOT_FOUND ||
                    status == IPP_STATUS_ERROR_NOT_POSSIBLE)
                    return true;
                std::optional<std::wstring> failure = scheduler_->LookupFailure(*connection);
                if (!failure) {  // the scheduler answered: asking again will not change its mind
                    Also(L"the scheduler did not cancel job " + std::to_wstring(job_id));
                    if (std::wstring said = Said(); !said.empty())
                        errors_->Add(std::move(said));
                    break;
                }
                trouble = std::move(*failure);
            }
            const Clock::time_point now = Clock::now();
            if (now >= give_up) {
                Also(std::move(trouble));
                break;
            }
            std::this_thread::sleep_for(std::min<Clock::duration>(pause, give_up - now));
            pause = std::min(pause * 2, kLongestRetryPause);
        }
        left_ = true;
        errors_->Add(L"job " + std::to_wstring(job_id) + L" is left in the queue of " + name_ +
                     L"; remove it with: cancel " + std::to_wstring(job_id));
        return false;
    }

    std::shared_ptr<CupsScheduler> scheduler_;
    std::unique_ptr<SchedulerConnection> connection_;
    cups_dest_t* dest_;
    cups_dinfo_t* info_;
    std::wstring name_;
    std::shared_ptr<SpoolerErrors> errors_;
    std::string queue_;
    std::string device_uri_;  // where the queue sends its jobs, for the watch's words
    int job_id_ = 0;        // the job being sent
    int delivered_id_ = 0;  // the job the scheduler took whole
    bool created_ = false;
    bool left_ = false;     // a job could not be cancelled
    bool sending_ = false;
    bool write_failed_ = false;
    bool delivered_ = false;
    std::uint64_t written_ = 0;
};

}  // namespace

CupsSpooler::CupsSpooler() : CupsSpooler(CupsScheduler::Shared()) {}

CupsSpooler::CupsSpooler(std::shared_ptr<CupsScheduler> scheduler)
    : scheduler_(std::move(scheduler)), errors_(std::make_shared<SpoolerErrors>()) {}

std::unique_ptr<SpoolerPrinter> CupsSpooler::OpenPrinter(const std::wstring& device_name) {
    errors_->Clear();
    const std::string name = ToNative(device_name);
    // A NUL would cut the name short and open some other queue.
    if (name.empty() || name.find('\0') != std::string::npos) {
        errors_->Failed(name.empty() ? L"no printer name was given"
                                     : L"the printer name holds a NUL character");
        return nullptr;
    }
    if (IsIppAddress(name)) {
        std::optional<IppAddressPrinter> at = OpenIppAddress(name, scheduler_->Deadlines(), *errors_);
        return at ? std::make_unique<CupsPrinter>(at->server, std::move(at->connection), at->dest,
                                                  at->info, device_name, errors_)
                  : nullptr;
    }
    // Printer names cannot hold a slash; the part after one is the instance.
    const size_t slash = name.find('/');
    const std::string printer = name.substr(0, slash);
    const std::string instance = slash == std::string::npos ? "" : name.substr(slash + 1);

    AskPasswordsOnThisThread(password_prompt_, device_name, scheduler_->Deadlines().lookup);
    std::wstring why;
    std::unique_ptr<SchedulerConnection> connection = scheduler_->Connect(why);
    if (!connection) {
        errors_->Failed(std::move(why));
        return nullptr;
    }
    const QueueAnswer queue = AskAboutQueue(*connection, printer);
    if (queue.known == QueueAnswer::Known::Yes && instance.empty()) {
        if (!queue.accepting) {
            errors_->Failed(L"the printer \"" + device_name + L"\" is not accepting jobs");
            return nullptr;
        }
        return std::make_unique<CupsPrinter>(scheduler_, std::move(connection), printer, queue.device_uri,
                                             device_name, errors_);
    }
    cups_dest_t* dest = nullptr;
    if (queue.known == QueueAnswer::Known::Yes || queue.known == QueueAnswer::Known::No) {
        // A name the scheduler has no queue for may still be a printer found on the
        // network, which cupsGetNamedDest looks for; an instance is the user's own.
        dest = cupsGetNamedDest(connection->http(), printer.c_str(),
                                instance.empty() ? nullptr : instance.c_str());
    }
    if (dest == nullptr) {
        RecordRefusal(*scheduler_, *connection, *errors_,
                      L"the scheduler has no printer named \"" + device_name + L"\"");
        return nullptr;
    }
    const char* accepting =
        cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    if (accepting != nullptr && std::strcmp(accepting, "false") == 0) {
        errors_->Failed(L"the printer \"" + device_name + L"\" is not accepting jobs");
        cupsFreeDests(1, dest);
        return nullptr;
    }
    cups_dinfo_t* info = cupsCopyDestInfo(connection->http(), dest);
    if (info == nullptr) {
        RecordRefusal(*scheduler_, *connection, *errors_,
                      L"the scheduler did not describe the printer \"" + device_name + L"\"");
        cupsFreeDests(1, dest);
        return nullptr;
    }
    return std::make_unique<CupsPrinter>(scheduler_, std::move(connection), dest, info,
                                         device_name, errors_);
}

std::wstring CupsSpooler::LastError() { return errors_->Text(); }

}  // namespace ks
