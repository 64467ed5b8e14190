// The texts that show how far a print job got: sizes in binary units, the window's title, the meter's line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ks {

// A byte count as a person reads it: "0 bytes", "1 byte", "1023 bytes", then binary
// units, one decimal below ten and whole numbers from ten on: "1.0 KiB", "9.9 MiB",
// "10 MiB", "300 MiB", "1.0 GiB". A value that rounds up to 1024 of a unit is shown
// as 1.0 of the next.
std::wstring SizeText(std::uint64_t bytes);

// "12 MiB of 1.0 GiB".
std::wstring SentOfTotalText(std::uint64_t sent, std::uint64_t total);

// How far the bar stands, 0 to kProgressFull; full for a job of no bytes.
int ProgressValue(std::uint64_t sent, std::uint64_t total);

// The last part of a path: what follows the last of the `separators`.
std::wstring FileNameOf(std::wstring_view path, std::wstring_view separators);

// The progress window's title: "Printing firmware.bin"; "Printing" without a name.
std::wstring ProgressTitle(std::wstring_view file_name);

// The name a job of a run of several files is shown under: "b.prn (file 2 of 3)";
// the file's name alone when the run has one file.
std::wstring CountedName(std::wstring_view file_name, std::size_t number, std::size_t count);

// The terminal meter's line, "Printing NAME: 12 MiB of 1.0 GiB", no longer than
// `width` characters: a long name gives up its middle to "...", and keeps its end,
// where a counted name says "(file 2 of 3)". The name's control characters come escaped
// (EscapeControls): the line is written to a terminal.
std::wstring MeterLine(std::wstring_view file_name, std::uint64_t sent, std::uint64_t total,
                       std::size_t width);

}  // namespace ks
