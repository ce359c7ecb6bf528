#ifndef VORNEL_PLATFORM_APPEND_FILE_H_
#define VORNEL_PLATFORM_APPEND_FILE_H_

#include <string>

#include "base/file_handle.h"

namespace vornel {

// Opens path as a binary stdio stream on which every write lands at the end
// of the file, whatever other writers did meanwhile (O_APPEND, or
// FILE_APPEND_DATA on Windows); creates the file when it is missing. Returns
// an empty handle, with a reason in *error, when the file can't be opened or
// is not a regular file. On POSIX systems a symbolic link on the way, the
// name itself included, is followed only when it belongs to the user running
// the program or to root; any other link makes the file not openable, and so
// does a file that belongs to another user or has other names (hard links).
FileHandle open_append_stream(const char* path, std::string* error);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_APPEND_FILE_H_
