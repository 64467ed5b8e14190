// Each status the Windows spooler reports for a job and its printer, and the outcome it means.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/job_fate.h"

#include <windows.h>

namespace ks::win32 {
namespace {

using State = JobFate::State;

TEST(JudgeJob, EachWindowsStatusGivesItsOutcomeAndLines) {
    struct Case {
        const char* name;
        bool listed;
        DWORD job, printer, attributes, position;
        State state;
        std::wstring first_line;  // "" when the line does not matter
    };
    const std::wstring p = L"the printer \"Büro 2\"";
    const Case cases[] = {
        {"printed", true, JOB_STATUS_PRINTED, 0, 0, 1, State::Printed, L"job 42 has been printed on " + p},
        {"printed while being deleted", true, JOB_STATUS_PRINTED | JOB_STATUS_DELETING, 0, 0, 1, State::Printed, L""},
        {"gone from the queue", false, 0, 0, 0, 0, State::Printed,
         L"job 42 has left the queue of " + p + L": the spooler has passed it on"},
        {"gone, even from a paused printer", false, 0, PRINTER_STATUS_PAUSED, 0, 0, State::Printed, L""},
        {"deleted after an error", true, JOB_STATUS_ERROR | JOB_STATUS_DELETING, 0, 0, 1, State::Failed,
         L"job 42 failed at " + p + L", and the spooler removed it from the queue"},
        {"deleted with an error", true, JOB_STATUS_ERROR | JOB_STATUS_DELETED, 0, 0, 1, State::Failed, L""},
        {"deleting without an error is on its way out", true, JOB_STATUS_DELETING, 0, 0, 1, State::OnItsWay, L""},
        {"queued first", true, 0, 0, 0, 1, State::OnItsWay, L"job 42 is queued for " + p},
        {"queued behind one", true, 0, 0, 0, 2, State::OnItsWay, L"job 42 is queued for " + p + L" behind 1 other job"},
        {"queued behind three", true, 0, 0, 0, 4, State::OnItsWay,
         L"job 42 is queued for " + p + L" behind 3 other jobs"},
        {"printing", true, JOB_STATUS_PRINTING, 0, 0, 1, State::OnItsWay,
         L"the spooler is still sending job 42 to " + p},
        {"spooling", true, JOB_STATUS_SPOOLING, 0, 0, 1, State::OnItsWay, L""},
        {"printer busy is no trouble", true, 0, PRINTER_STATUS_BUSY | PRINTER_STATUS_PRINTING, 0, 1,
         State::OnItsWay, L""},
        {"printer paused", true, 0, PRINTER_STATUS_PAUSED, 0, 1, State::Waiting,
         p + L" is paused; it prints when resumed: Resume printing in the printer's queue window"},
        {"printer offline", true, 0, PRINTER_STATUS_OFFLINE, 0, 1, State::Waiting,
         p + L" is offline; the job prints once it is switched on and connected"},
        {"printer in error", true, 0, PRINTER_STATUS_ERROR, 0, 1, State::Waiting, L""},
        {"printer out of paper", true, 0, PRINTER_STATUS_PAPER_OUT, 0, 1, State::Waiting,
         p + L" is out of paper; the job prints once paper is loaded"},
        {"printer needs a person", true, 0, PRINTER_STATUS_USER_INTERVENTION, 0, 1, State::Waiting, L""},
        {"printer not available", true, 0, PRINTER_STATUS_NOT_AVAILABLE, 0, 1, State::Waiting,
         p + L" is not available; the job prints once the printer can be reached"},
        {"use printer offline", true, 0, 0, PRINTER_ATTRIBUTE_WORK_OFFLINE, 1, State::Waiting,
         p + L" is set to \"Use Printer Offline\"; the job prints once that is turned off in the printer's "
             L"queue window"},
        {"other attributes are no trouble", true, 0, 0, PRINTER_ATTRIBUTE_RAW_ONLY | PRINTER_ATTRIBUTE_SHARED, 1,
         State::OnItsWay, L""},
        {"job paused", true, JOB_STATUS_PAUSED, 0, 0, 1, State::Waiting,
         L"job 42 is paused; it prints when resumed: Resume it in the printer's queue window"},
        {"job offline", true, JOB_STATUS_OFFLINE | JOB_STATUS_PRINTING, 0, 0, 1, State::Waiting,
         L"job 42 waits for the printer, which is offline"},
        {"job in error", true, JOB_STATUS_ERROR, 0, 0, 1, State::Waiting, L""},
        {"job out of paper", true, JOB_STATUS_PAPEROUT, 0, 0, 1, State::Waiting, L""},
        {"job blocked", true, JOB_STATUS_BLOCKED_DEVQ, 0, 0, 1, State::Waiting,
         L"job 42 is blocked: the printer's driver cannot print it as it is"},
        {"job needs a person", true, JOB_STATUS_USER_INTERVENTION, 0, 0, 1, State::Waiting, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JobLook look;
        look.printer = L"Büro 2";
        look.job_id = 42;
        look.job_listed = c.listed;
        look.job_status = c.job;
        look.printer_status = c.printer;
        look.printer_attributes = c.attributes;
        look.position = c.position;
        const JobFate fate = JudgeJob(look);
        EXPECT_EQ(static_cast<int>(fate.state), static_cast<int>(c.state));
        ASSERT_FALSE(fate.lines.empty()) << "every outcome says where the job stands";
        if (!c.first_line.empty()) {
            EXPECT_EQ(fate.lines.front(), c.first_line);
        }
        if (c.state == State::Waiting) {
            EXPECT_EQ(fate.lines.back(), L"to remove it instead: cancel job 42 in the printer's queue window");
        }
    }
}

TEST(JudgeJob, AWaitingJobNamesEveryCauseAndTheSpoolersWords) {
    JobLook look;
    look.printer = L"k-raw";
    look.job_id = 7;
    look.job_listed = true;
    look.job_status = JOB_STATUS_PAUSED;
    look.printer_status = PRINTER_STATUS_OFFLINE;
    look.job_status_text = L"Port not found";
    const JobFate fate = JudgeJob(look);
    EXPECT_EQ(fate.lines, (std::vector<std::wstring>{
                              L"the printer \"k-raw\" is offline; the job prints once it is switched on and connected",
                              L"job 7 is paused; it prints when resumed: Resume it in the printer's queue window",
                              L"the spooler says: Port not found",
                              L"to remove it instead: cancel job 7 in the printer's queue window"}));
}

TEST(JudgeJob, AJobStillQueuedAtTheEndOfAWaitIsWaiting) {
    JobLook look;
    look.printer = L"k-raw";
    look.job_id = 7;
    look.job_listed = true;
    const JobFate fate = NotPrintedInTime(look);
    EXPECT_EQ(fate.state, State::Waiting);
    EXPECT_EQ(fate.lines.front(), L"job 7 has not printed yet: it is still in the queue of the printer \"k-raw\"");
}

}  // namespace
}  // namespace ks::win32
