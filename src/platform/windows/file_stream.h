#ifndef VORNEL_PLATFORM_WINDOWS_FILE_STREAM_H_
#define VORNEL_PLATFORM_WINDOWS_FILE_STREAM_H_

#include <cstdio>

namespace vornel {

// A binary stdio stream over a file handle from CreateFileW, which it then
// owns (fclose() closes the handle). nullptr, with the handle closed, when no
// stream can be made. mode is an fdopen() mode ("rb", "ab", "wb"); a mode
// beginning with 'r' makes a stream for reading, any other one for writing.
std::FILE* stream_for_handle(void* handle, const char* mode);

// The Windows file handle under a stream.
void* handle_of_stream(std::FILE* file);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_WINDOWS_FILE_STREAM_H_
