#include "platform/append_file.h"

#include <windows.h>

#include "platform/windows/file_stream.h"
#include "platform/windows/system_error.h"

namespace vornel {

FileHandle open_append_stream(const char* path, std::string* error) {
  // FILE_APPEND_DATA without FILE_WRITE_DATA: the system puts every write at
  // the end of the file, as O_APPEND does. The C runtime's "a" mode instead
  // seeks to the end and then writes, so two runs sharing one log could
  // overwrite each other's lines.
  HANDLE handle = CreateFileW(wide_path(path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *error = system_error_text(GetLastError());
    return FileHandle();
  }
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    *error = "not a regular file";
    return FileHandle();
  }
  FileHandle file(stream_for_handle(handle, "ab"));
  if (!file) *error = "cannot make a stream of it";
  return file;
}

}  // namespace vornel
