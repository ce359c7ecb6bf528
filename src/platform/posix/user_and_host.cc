#include "platform/user_and_host.h"

#include <pwd.h>
#include <unistd.h>

namespace vornel {

std::string user_name() {
  struct passwd entry = {};
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
    return found->pw_name;
  return std::to_string(getuid());
}

std::string host_name() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

}  // namespace vornel
