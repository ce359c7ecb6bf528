#ifndef VORNEL_PLATFORM_FTP_LOCAL_FILES_H_
#define VORNEL_PLATFORM_FTP_LOCAL_FILES_H_

#include <cstdint>
#include <cstdio>

#include "base/file_handle.h"

namespace vornel {

// Local-file operations the FTP layer needs beyond portable stdio; each
// platform provides them in its own file.

// An existing regular file, opened for writing in binary mode without
// following a link at its name, and emptied. Empty handle otherwise.
FileHandle open_for_rewrite(const char* path);

// Cuts an open file back to nothing. False when that fails.
bool empty_file(std::FILE* file);

// The size of the open file in *size. False when it is not a regular file
// or its size can't be had.
bool regular_file_size(std::FILE* file, std::int64_t* size);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_FTP_LOCAL_FILES_H_
