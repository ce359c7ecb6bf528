#include "platform/user_and_host.h"

#include <windows.h>

namespace vornel {

std::string user_name() {
  char name[257] = {};
  DWORD size = sizeof name;
  return GetUserNameA(name, &size) ? name : "";
}

std::string host_name() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? name : "";
}

}  // namespace vornel
