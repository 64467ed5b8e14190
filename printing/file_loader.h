// Loading a file into the program's one buffer, all or nothing.
#pragma once

#include <string>

#include "platform/files.h"

namespace ks {

// Reads the file at `path` whole and, once it is read in full, makes it `buffer`.
// When it cannot be read, `buffer` becomes empty: it never keeps an earlier file's
// bytes under a new path. Never creates the file. When it cannot be read and `cause` is
// given, `*cause` says why ("no such file"); an empty path is "no file was named".
bool LoadFile(Files& files, const std::wstring& path, ByteBuffer& buffer, std::wstring* cause = nullptr);

// A byte count as plain decimal digits.
std::wstring ByteCountText(std::uint64_t count);

}  // namespace ks
