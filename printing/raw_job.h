// One raw spooler job that carries a whole buffer, cancelled rather than left half-sent.
#pragma once

#include <cstdint>
#include <string>

#include "../platform/files.h"
#include "../platform/spooler.h"

namespace ks {

enum class JobOutcome {
    Delivered,     // the spooler took every byte and released the document
    OpenRefused,   // the spooler would not open the printer; nothing was started
    Cancelled,     // a step after the open failed; the job was cancelled
};

struct JobResult {
    JobOutcome outcome = JobOutcome::Delivered;
    std::uint64_t sent = 0;   // bytes the spooler took
    bool broke_off = false;   // the failure came while the bytes were handed over or released
};

// Opens `device_name`, starts the document "Command Print" with no output file and no
// data type, one page, writes the whole buffer (the rest again while each write takes
// bytes), ends page and document and closes the printer.
JobResult SendRawJob(Spooler& spooler, const std::wstring& device_name, const ByteBuffer& bytes);

}  // namespace ks
