#ifndef VORNEL_PLATFORM_POSIX_REGULAR_FILE_H_
#define VORNEL_PLATFORM_POSIX_REGULAR_FILE_H_

namespace vornel {

// For a descriptor opened with O_NONBLOCK, so that a FIFO under its name could
// not hold the open: why it is no file to read or write ("not a regular file",
// or the system's reason), or nullptr when it is a regular file, whose reads
// and writes then block again as usual. The descriptor stays the caller's.
const char* regular_file_refusal(int fd);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_POSIX_REGULAR_FILE_H_
