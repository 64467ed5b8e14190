// What the Windows spooler's job and printer status bits mean for a job the program handed over.
#include "platform/win32/job_fate.h"

#include <windows.h>

namespace ks::win32 {

namespace {

struct Cause {
    DWORD bit;
    const wchar_t* text;  // after the printer's or the job's name
};

// In the order a person would deal with them: a printer that is switched off or set
// aside first, then what it asks of someone.
constexpr Cause kPrinterCauses[] = {
    {PRINTER_STATUS_NOT_AVAILABLE, L" is not available; the job prints once the printer can be reached"},
    {PRINTER_STATUS_OFFLINE, L" is offline; the job prints once it is switched on and connected"},
    {PRINTER_STATUS_PAUSED, L" is paused; it prints when resumed: Resume printing in the printer's queue window"},
    {PRINTER_STATUS_PAPER_OUT, L" is out of paper; the job prints once paper is loaded"},
    {PRINTER_STATUS_USER_INTERVENTION, L" needs attention at the printer; the job prints once that is dealt with"},
    {PRINTER_STATUS_ERROR, L" reports an error; the job prints once the error is cleared"},
};

constexpr Cause kJobCauses[] = {
    {JOB_STATUS_PAUSED, L" is paused; it prints when resumed: Resume it in the printer's queue window"},
    {JOB_STATUS_OFFLINE, L" waits for the printer, which is offline"},
    {JOB_STATUS_PAPEROUT, L" waits for paper to be loaded"},
    {JOB_STATUS_USER_INTERVENTION, L" waits for someone to deal with the printer"},
    {JOB_STATUS_BLOCKED_DEVQ, L" is blocked: the printer's driver cannot print it as it is"},
    {JOB_STATUS_ERROR, L" ran into an error at the printer and is left in the queue"},
};

std::wstring JobName(const JobLook& look) { return L"job " + std::to_wstring(look.job_id); }
std::wstring PrinterName(const JobLook& look) { return L"the printer \"" + look.printer + L"\""; }

void AddSpoolersWords(const JobLook& look, JobFate& fate) {
    if (!look.job_status_text.empty())
        fate.lines.push_back(L"the spooler says: " + look.job_status_text);
}

std::wstring WayOut(const JobLook& look) {
    return L"to remove it instead: cancel " + JobName(look) + L" in the printer's queue window";
}

}  // namespace

JobFate JudgeJob(const JobLook& look) {
    JobFate fate;
    if (!look.job_listed || (look.job_status & JOB_STATUS_PRINTED)) {
        fate.state = JobFate::State::Printed;
        fate.lines.push_back(look.job_listed
                                 ? JobName(look) + L" has been printed on " + PrinterName(look)
                                 : JobName(look) + L" has left the queue of " + PrinterName(look) +
                                       L": the spooler has passed it on");
        return fate;
    }
    constexpr DWORD kGoing = JOB_STATUS_DELETING | JOB_STATUS_DELETED;
    if ((look.job_status & kGoing) && (look.job_status & JOB_STATUS_ERROR)) {
        fate.state = JobFate::State::Failed;
        fate.lines.push_back(JobName(look) + L" failed at " + PrinterName(look) +
                             L", and the spooler removed it from the queue");
        AddSpoolersWords(look, fate);
        return fate;
    }
    if (!(look.job_status & kGoing)) {
        for (const Cause& cause : kPrinterCauses)
            if (look.printer_status & cause.bit)
                fate.lines.push_back(PrinterName(look) + cause.text);
        if (look.printer_attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE)
            fate.lines.push_back(PrinterName(look) +
                                 L" is set to \"Use Printer Offline\"; the job prints once that is turned off "
                                 L"in the printer's queue window");
        for (const Cause& cause : kJobCauses)
            if (look.job_status & cause.bit)
                fate.lines.push_back(JobName(look) + cause.text);
        if (!fate.lines.empty()) {
            fate.state = JobFate::State::Waiting;
            AddSpoolersWords(look, fate);
            fate.lines.push_back(WayOut(look));
            return fate;
        }
    }
    fate.state = JobFate::State::OnItsWay;
    if (look.job_status & (JOB_STATUS_PRINTING | JOB_STATUS_SPOOLING | kGoing))
        fate.lines.push_back(L"the spooler is still sending " + JobName(look) + L" to " + PrinterName(look));
    else if (look.position > 1)
        fate.lines.push_back(JobName(look) + L" is queued for " + PrinterName(look) + L" behind " +
                             std::to_wstring(look.position - 1) +
                             (look.position == 2 ? L" other job" : L" other jobs"));
    else
        fate.lines.push_back(JobName(look) + L" is queued for " + PrinterName(look));
    return fate;
}

JobFate NotPrintedInTime(const JobLook& look) {
    JobFate fate;
    fate.state = JobFate::State::Waiting;
    fate.lines.push_back(JobName(look) + L" has not printed yet: it is still in the queue of " + PrinterName(look));
    AddSpoolersWords(look, fate);
    fate.lines.push_back(WayOut(look));
    return fate;
}

}  // namespace ks::win32
