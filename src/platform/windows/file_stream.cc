#include "platform/windows/file_stream.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>

namespace vornel {

std::FILE* stream_for_handle(void* handle, const char* mode) {
  int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_BINARY | _O_WRONLY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, mode);
  if (file == nullptr) _close(fd);  // closes the handle too
  return file;
}

void* handle_of_stream(std::FILE* file) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
}

}  // namespace vornel
