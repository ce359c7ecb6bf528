#ifndef VORNEL_PLATFORM_POSIX_TRUSTED_PATH_H_
#define VORNEL_PLATFORM_POSIX_TRUSTED_PATH_H_

#include <sys/types.h>

#include <string>

namespace vornel {

// Why a link was not followed: the same words wherever a file is refused for it.
inline constexpr char kForeignLink[] =
    "a link owned by another user is on its way (only your own links and root's are followed)";

// True for the user running the program (its effective user) and for root:
// the owners whose links are followed and whose files are taken on trust.
bool trusted_owner(uid_t owner);

// Opens path with flags (and mode, for O_CREAT), walking it one name at a
// time: a symbolic link on the way, the last name included, is followed only
// when trusted_owner() holds for the link itself, so a user who may write the
// working directory (or a folder on the way) cannot lead the run to a file
// of their choosing. The descriptor, or -1 with *error saying why;
// *foreign_link, when given, tells whether another user's link was the reason.
int open_by_trusted_links(const char* path, int flags, mode_t mode, std::string* error,
                          bool* foreign_link = nullptr);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_POSIX_TRUSTED_PATH_H_
