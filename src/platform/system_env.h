#ifndef VORNEL_PLATFORM_SYSTEM_ENV_H_
#define VORNEL_PLATFORM_SYSTEM_ENV_H_

#include "platform/env.h"
#include "platform/local_files.h"

namespace vornel {

// The Env over one platform's parts: each platform's System holds parts of
// its own types under the same member names, and hands them out alike.
template <typename Parts>
Env env_of_parts(Parts& parts) {
  return Env{.console = &parts.console,
             .clock = &parts.clock,
             .sleeper = &parts.sleeper,
             .echo = &parts.echo,
             .progress = parts.live_line,
             .files = &working_directory_files()};
}

}  // namespace vornel

#endif  // VORNEL_PLATFORM_SYSTEM_ENV_H_
