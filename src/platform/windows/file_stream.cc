#include "platform/windows/file_stream.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>

namespace vornel {

std::FILE* stream_for_handle(void* handle, const char* mode) {
  int access = mode[0] == 'r' ? _O_RDONLY : _O_WRONLY;
  int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_BINARY | access);
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
