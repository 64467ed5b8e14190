// The account of a spooler's last failure, shared by a spooler and the printers it opened.
#pragma once

#include <string>
#include <vector>

namespace ks {

// Where a spooler and the printers it opened leave their account of the last failure,
// as lines for standard error: first what happened, in the program's own words, then
// the spooler's own words when it gave any, then anything left behind (a job that could
// not be cancelled, and how to remove it).
//
// A spooler creates one and hands it to every printer it opens, so that whichever of
// them failed last, the spooler's LastError reads it. They share it through a
// std::shared_ptr: a printer may outlive the spooler that opened it and still report.
// Used from one thread at a time (see Spooler).
class SpoolerErrors {
public:
    // A new failure: what happened. Whatever an earlier failure left is dropped.
    void Failed(std::wstring what);
    // A further line about the current failure.
    void Add(std::wstring line);
    void Clear() { lines_.clear(); }
    bool Empty() const { return lines_.empty(); }
    // The lines joined by '\n'; "" when nothing failed since the last Clear.
    std::wstring Text() const;

private:
    std::vector<std::wstring> lines_;
};

}  // namespace ks
