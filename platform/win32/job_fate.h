// What the Windows spooler's job and printer status bits mean for a job the program handed over.
#pragma once

#include <string>

#include "platform/spooler.h"

namespace ks::win32 {

// One look at a job and its printer: the fields of JOB_INFO_2 and PRINTER_INFO_2 that
// tell what became of it. (unsigned long is unsigned long; no windows.h here, whose winspool.h
// renames Spooler::OpenPrinter.)
struct JobLook {
    std::wstring printer;           // the device name, for the detail lines
    unsigned long job_id = 0;
    bool job_listed = false;        // GetJob found the job; false once it left the queue
    unsigned long job_status = 0;           // JOB_INFO_2 Status
    std::wstring job_status_text;   // JOB_INFO_2 pStatus: the port monitor's or driver's words
    unsigned long position = 0;             // JOB_INFO_2 Position: 1 for the next job to print
    unsigned long printer_status = 0;       // PRINTER_INFO_2 Status
    unsigned long printer_attributes = 0;   // PRINTER_INFO_2 Attributes
};

// Printed: printed, or gone from the queue (the spooler passed it on; nothing here
// says more). Failed: the spooler is deleting it after an error. Waiting: the printer
// or the job reports a cause that holds it (paused, offline, in error, out of paper,
// needs a person, blocked); the lines name the cause, the remedy and how to remove
// the job. OnItsWay otherwise, with where the job stands. Never Stopped.
JobFate JudgeJob(const JobLook& look);

// The lines of a job that is still in the queue when a watch that waits for the end
// runs out: it counts as waiting, without a cause the spooler reported.
JobFate NotPrintedInTime(const JobLook& look);

}  // namespace ks::win32
