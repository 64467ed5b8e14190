// The print spooler: one raw job on one printer, in the order open, document, page, writes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ks {

// What a document is started with. A missing output file or data type reaches the
// platform as "none", never as an empty text.
struct DocInfo {
    std::wstring document_name;
    std::optional<std::wstring> output_file;
    std::optional<std::wstring> data_type;
};

// An open printer. Destroying it closes the handle when Close was not called, and
// a document that was started but neither ended nor aborted is aborted first, so
// nothing half-written is ever released to the printer.
class SpoolerPrinter {
public:
    virtual ~SpoolerPrinter() = default;

    virtual bool StartDoc(const DocInfo& doc) = 0;
    virtual bool StartPage() = 0;

    // Hands bytes to the spooler and returns how many it took: all of them, fewer
    // (the caller writes the rest), or 0 when the write failed. An implementation
    // may take at most what one platform call can carry.
    virtual std::uint64_t Write(const std::uint8_t* data, std::uint64_t size) = 0;

    virtual bool EndPage() = 0;

    // Releases the document to the printer. A document of zero bytes counts as
    // delivered even where the platform refuses empty documents.
    virtual bool EndDoc() = 0;

    // Cancels the started document: nothing of it reaches the printer.
    virtual void Abort() = 0;

    virtual bool Close() = 0;
};

class Spooler {
public:
    virtual ~Spooler() = default;

    // Opens the printer with this device name. nullptr when the spooler does not
    // know the name or the printer does not accept jobs.
    virtual std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::wstring& device_name) = 0;

    // The spooler's own words for the last failure, for a diagnostic line; "" if none.
    virtual std::wstring LastError() = 0;
};

}  // namespace ks
