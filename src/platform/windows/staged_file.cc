#include "platform/staged_file.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

#include "platform/windows/file_stream.h"
#include "platform/windows/system_error.h"

namespace vornel {
namespace {

constexpr int kNameAttempts = 100;

// Six characters for ".vornel-XXXXXX.part", different for every attempt of
// this process and, through the process id and the clock, from those of
// another run in the same directory.
std::string unique_part() {
  static std::atomic<unsigned long long> counter{0};
  unsigned long long seed = (static_cast<unsigned long long>(GetCurrentProcessId()) << 32) ^
                            GetTickCount64() ^ (++counter * 0x9E3779B97F4A7C15ull);
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string part;
  for (int i = 0; i < 6; ++i) {
    part.push_back(kLetters[seed % 36]);
    seed /= 36;
  }
  return part;
}

}  // namespace

StagedFile::Opened StagedFile::open(const std::string& target) {
  discard();
  std::string::size_type slash = target.find_last_of("/\\");
  std::string directory = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string path = directory + ".vornel-" + unique_part() + ".part";
    HANDLE handle = CreateFileW(wide_path(path.c_str()).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT
                 ? Opened::kDirectoryRefuses
                 : Opened::kNo;
    }
    temp_path_ = path;
    target_ = target;
    file_ = stream_for_handle(handle, "wb");
    if (file_ == nullptr) {
      discard();
      return Opened::kNo;
    }
    return Opened::kYes;
  }
  return Opened::kNo;
}

bool StagedFile::let_everyone_read() { return file_ != nullptr; }

bool StagedFile::sync_to_disk(std::FILE* file) {
  return FlushFileBuffers(handle_of_stream(file)) != 0;
}

// Replaces a file of the target's name, as rename() does on POSIX systems;
// a directory of that name stays, and the commit fails.
bool StagedFile::replace(const std::string& from, const std::string& to) {
  return MoveFileExW(wide_path(from.c_str()).c_str(), wide_path(to.c_str()).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void StagedFile::remove_file(const std::string& path) {
  DeleteFileW(wide_path(path.c_str()).c_str());
}

}  // namespace vornel
