#include "platform/private_files.h"

namespace vornel {

void make_new_files_private() {}

}  // namespace vornel
