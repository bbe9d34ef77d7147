#pragma once

#include <QtGlobal>

// Reads and writes of a whole buffer through a file descriptor, going on after
// an interrupted or partial call, as the kernel may return early for either.
namespace WholeIo {

// False when a write fails (errno tells why).
bool WriteAll(int fd, const char* data, qint64 size);

// False when a read fails (errno tells why) or the file ends before the buffer
// is full: then errno is EIO and shortened, when given, is set.
bool ReadAll(int fd, char* data, qint64 size, bool* shortened = nullptr);

} // namespace WholeIo
