#ifndef VORNEL_PLATFORM_PRIVATE_FILES_H_
#define VORNEL_PLATFORM_PRIVATE_FILES_H_

namespace vornel {

// Makes every file and folder this process creates from now on readable by
// its user alone: a fleet's shards hold every device's password. On Linux
// the file mode creation mask becomes 077 (folders 0700, files 0600). On
// Windows a new file takes the access list of its folder, which a process
// can't narrow this way; nothing changes there.
void make_new_files_private();

}  // namespace vornel

#endif  // VORNEL_PLATFORM_PRIVATE_FILES_H_
