#include "platform/staged_file.h"

namespace vornel {

StagedFile::~StagedFile() { discard(); }

bool StagedFile::commit() {
  if (file_ == nullptr) return false;
  bool ok = std::fflush(file_) == 0 && sync_to_disk(file_);
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  ok = ok && replace(temp_path_, target_);
  if (!ok) {
    discard();
    return false;
  }
  temp_path_.clear();
  return true;
}

void StagedFile::discard() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  if (!temp_path_.empty()) remove_file(temp_path_);
  temp_path_.clear();
}

}  // namespace vornel
