#include "platform/folder_lock.h"

namespace vornel {

FolderLock::~FolderLock() = default;

FolderLock::Taken FolderLock::take(const std::string&, unsigned, std::string* error) {
  *error = "folders are not locked on Windows, where the fleet keeps no archive";
  return Taken::kNo;
}

}  // namespace vornel
