#ifndef VORNEL_PLATFORM_LOCAL_FILES_H_
#define VORNEL_PLATFORM_LOCAL_FILES_H_

#include <cstdio>
#include <string>

#include "base/file_handle.h"

namespace vornel {

// The few things the passes do with the working directory's files
// themselves (the FTP client reads and writes its own).
class LocalFiles {
 public:
  virtual ~LocalFiles() = default;

  // The named file, open for reading in binary; an empty handle when it can't
  // be opened or is no regular file on disk (a directory, a FIFO, a device,
  // or a link to one of them). Opening never waits: a FIFO with no writer
  // is refused at once, not waited on.
  // Where files have owners (POSIX), the files the operator names are taken
  // on trust only from the running user and root: a symbolic link on the
  // way (as for the log) is followed only when it is theirs, and another
  // user's file is refused when the run is root's. *notice, when given, is
  // then a line for the operator (without program name or newline) that
  // names the file and says why it was refused, or that it was read although
  // it belongs to another user; it is left empty otherwise.
  virtual FileHandle open_for_reading(const char* name, std::string* notice) = 0;

  // True when anything at all stands under the name: a file that can't be
  // read, a directory, even a link that leads nowhere.
  virtual bool name_taken(const char* name) = 0;

  // True when users other than its owner may read the open file (its group
  // or everyone). Never on a system whose files have no such permission bits.
  virtual bool shared_with_others(std::FILE* file) = 0;
};

// This process's working directory, through this platform's file calls.
LocalFiles& working_directory_files();

}  // namespace vornel

#endif  // VORNEL_PLATFORM_LOCAL_FILES_H_
