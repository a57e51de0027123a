#pragma once
// Opening the files the program reads and the scratch files it makes.
//
// Documents, master firmware files and bank files are read only when they are
// regular files (a link to one counts): a FIFO, a device or a socket put in
// their place must neither block the program nor feed it without end. The
// file is opened first, without waiting for a writer, and the opened handle is
// what is examined, so nothing swapped in between the look and the opening
// can pass. Scratch files are only ever created new: never through a link or
// over a file that is already there.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace fabrion {

// The largest document (pargen.xml, var.xml, the ini file) the program reads.
inline constexpr std::uint64_t kMaxDocumentBytes = 64ull * 1024 * 1024;

// Opens the regular file at path for reading ("rb"). Throws Error "Cannot open
// file "<path>". <why>" when it cannot be opened or is something else (a
// folder, a FIFO, a device, a socket); never blocks.
std::FILE* OpenRegularFile(std::string_view path);

// The bytes of the regular file at path, refused as OpenRegularFile refuses,
// and with Error "Cannot open file "<path>". It is larger than N MiB (<size>
// bytes)" before anything is read when it holds more than maxBytes (a whole
// number of MiB). Throws Error "Cannot read file ..." when reading fails.
std::string ReadRegularFile(std::string_view path, std::uint64_t maxBytes);

// Creates path as a new, empty file for writing ("wb"). Fails with EEXIST
// when anything at all is at path, a link (even a dangling one) included:
// nullptr with errno set. On Windows the file may be renamed or deleted
// through its own handle, and by nobody else while it is open.
std::FILE* CreateNewFile(std::string_view path);

}  // namespace fabrion
