#ifndef VORNEL_PLATFORM_FILE_OWNER_H_
#define VORNEL_PLATFORM_FILE_OWNER_H_

#include <optional>
#include <string>

namespace vornel {

// Why path is not under the control of this process's user alone, as words
// after its name ("is a link", "belongs to another user", "can be written
// by other users"), or nothing when it is a folder (folder true) or else a
// regular file, named without a link, that belongs to the user this process
// runs as (its effective user) and that neither its group nor others may
// write. Windows does not check (the fleet keeps its archive on Linux):
// there it always says so.
std::optional<std::string> foreign_control(const std::string& path, bool folder);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_FILE_OWNER_H_
