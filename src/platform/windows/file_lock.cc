#include "platform/file_lock.h"

namespace vornel {

FileLock::~FileLock() = default;

FileLock::Taken FileLock::take(const std::string&, unsigned, std::string* error) {
  *error = "files are not locked on Windows, where the fleet keeps no archive";
  return Taken::kNo;
}

}  // namespace vornel
