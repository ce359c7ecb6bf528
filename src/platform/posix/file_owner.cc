#include "platform/file_owner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vornel {

std::optional<std::string> foreign_control(const std::string& path, bool folder) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0)
    return std::string("cannot be read: ") + std::strerror(errno);
  if (S_ISLNK(info.st_mode)) return "is a link";
  if (folder && !S_ISDIR(info.st_mode)) return "is not a folder";
  if (!folder && !S_ISREG(info.st_mode)) return "is not a regular file";
  if (info.st_uid != geteuid()) return "belongs to another user";
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) return "can be written by other users";
  return std::nullopt;
}

}  // namespace vornel
