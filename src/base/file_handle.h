#ifndef VORNEL_BASE_FILE_HANDLE_H_
#define VORNEL_BASE_FILE_HANDLE_H_

#include <cstdio>
#include <memory>

namespace vornel {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// A stdio stream that is closed when its owner goes.
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

inline FileHandle open_file(const char* path, const char* mode) {
  return FileHandle(std::fopen(path, mode));
}

}  // namespace vornel

#endif  // VORNEL_BASE_FILE_HANDLE_H_
