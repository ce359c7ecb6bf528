#include "platform/staged_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace vornel {

StagedFile::Opened StagedFile::open(const std::string& target) {
  discard();
  std::string::size_type slash = target.rfind('/');
  std::string pattern = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  pattern += ".vornel-XXXXXX.part";
  std::vector<char> path(pattern.begin(), pattern.end());
  path.push_back('\0');
  int fd = mkstemps(path.data(), 5);
  if (fd < 0) {
    return errno == EACCES || errno == EPERM || errno == EROFS ? Opened::kDirectoryRefuses
                                                               : Opened::kNo;
  }
  temp_path_ = path.data();
  target_ = target;
  // A fetched configuration holds the device's secrets, and a listing what
  // the device keeps: readable and writable by the operator alone (0600),
  // whatever the umask (mkstemps's 0600 is subject to it).
  file_ = fdopen(fd, "wb");
  if (file_ == nullptr || fchmod(fd, S_IRUSR | S_IWUSR) != 0) {
    if (file_ == nullptr) close(fd);
    discard();
    return Opened::kNo;
  }
  return Opened::kYes;
}

bool StagedFile::let_everyone_read() {
  return file_ != nullptr && fchmod(fileno(file_), 0644) == 0;
}

bool StagedFile::sync_to_disk(std::FILE* file) { return fsync(fileno(file)) == 0; }

bool StagedFile::replace(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

void StagedFile::remove_file(const std::string& path) { std::remove(path.c_str()); }

}  // namespace vornel
