#include "platform/private_files.h"

#include <sys/stat.h>

namespace vornel {

void make_new_files_private() { umask(077); }

}  // namespace vornel
