#include "platform/ftp_local_files.h"

#include <windows.h>

#include "platform/windows/file_stream.h"
#include "platform/windows/system_error.h"

namespace vornel {
namespace {

// A plain file: on disk, not a directory, not a link or other reparse point.
bool is_plain_file(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
         (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

bool cut_to_nothing(HANDLE handle) {
  LARGE_INTEGER start = {};
  return SetFilePointerEx(handle, start, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
}

}  // namespace

FileHandle open_for_rewrite(const char* path) {
  // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself, which is then refused.
  HANDLE handle = CreateFileW(wide_path(path).c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FileHandle();
  if (!is_plain_file(handle) || !cut_to_nothing(handle)) {
    CloseHandle(handle);
    return FileHandle();
  }
  return FileHandle(stream_for_handle(handle, "wb"));
}

bool empty_file(std::FILE* file) { return cut_to_nothing(handle_of_stream(file)); }

bool regular_file_size(std::FILE* file, std::int64_t* size) {
  HANDLE handle = handle_of_stream(file);
  LARGE_INTEGER bytes;
  if (handle == INVALID_HANDLE_VALUE || !is_plain_file(handle) || !GetFileSizeEx(handle, &bytes)) {
    return false;
  }
  *size = bytes.QuadPart;
  return true;
}

}  // namespace vornel
