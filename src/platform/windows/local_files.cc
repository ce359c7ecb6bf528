#include "platform/local_files.h"

#include <windows.h>

#include "platform/windows/file_stream.h"
#include "platform/windows/system_error.h"

namespace vornel {
namespace {

// A file on disk: not a directory, a pipe, a console or another device.
bool is_disk_file(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

class WorkingDirectoryFiles : public LocalFiles {
 public:
  // Binary: text mode would end a batch list at a stray Ctrl-Z byte (0x1A)
  // and hide nothing worth hiding, since every reader takes CR LF and LF.
  // CreateFileW, not fopen: the handle's type is checked before anything is
  // read (a directory does not open without FILE_FLAG_BACKUP_SEMANTICS).
  // Who may change a file is its access list's business here, not an owner's
  // alone: nothing is refused for its owner or its links, and there is never
  // a notice.
  FileHandle open_for_reading(const char* name, std::string* notice) override {
    if (notice != nullptr) notice->clear();
    HANDLE handle = CreateFileW(wide_path(name).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return FileHandle();
    if (!is_disk_file(handle)) {
      CloseHandle(handle);
      return FileHandle();
    }
    return FileHandle(stream_for_handle(handle, "rb"));
  }

  // GetFileAttributesW does not follow a link, so a dangling one still holds
  // the name. Only "there is nothing there" frees it: a name that can't be
  // examined counts as taken, so a fetched file never lands on top of it.
  bool name_taken(const char* name) override {
    if (GetFileAttributesW(wide_path(name).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
           error != ERROR_INVALID_NAME;
  }

  // Who may read a file is the folder's access list's business here; no
  // warning is given.
  bool shared_with_others(std::FILE*) override { return false; }
};

}  // namespace

LocalFiles& working_directory_files() {
  static WorkingDirectoryFiles files;
  return files;
}

}  // namespace vornel
