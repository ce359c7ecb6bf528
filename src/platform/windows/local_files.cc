#include "platform/local_files.h"

#include <windows.h>

#include "platform/windows/system_error.h"

namespace vornel {
namespace {

class WindowsLocalFiles : public LocalFiles {
 public:
  // Binary: text mode would end a batch list at a stray Ctrl-Z byte (0x1A)
  // and hide nothing worth hiding, since every reader takes CR LF and LF.
  FileHandle open_for_reading(const char* name) override { return open_file(name, "rb"); }

  // GetFileAttributesW does not follow a link, so a dangling one still holds
  // the name. Only "there is nothing there" frees it: a name that can't be
  // examined counts as taken, so a fetched file never lands on top of it.
  bool name_taken(const char* name) override {
    if (GetFileAttributesW(wide_path(name).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
           error != ERROR_INVALID_NAME;
  }
};

}  // namespace

LocalFiles& working_directory_files() {
  static WindowsLocalFiles files;
  return files;
}

}  // namespace vornel
