#ifndef VORNEL_BASE_LOCAL_NAME_H_
#define VORNEL_BASE_LOCAL_NAME_H_

#include <optional>
#include <string_view>

namespace vornel {

// An INI file name must name a file of the working directory and nothing
// else, on every system alike: the same name is read here and sent as the
// name the device stores, so a folder in it would read outside the working
// directory and write outside the device's login folder.
//
// Refused, whichever system runs the check:
//   - the empty name;
//   - any '/' or '\' (a folder part; so also absolute names, "..", "\\server\share"
//     and "\\.\device" names);
//   - any ':' (a drive, "C:x", or an alternate stream, "a.ini:hidden");
//   - a name ending in a dot or a blank (Windows drops them and opens another file);
//   - the device names CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9 and LPT1-9
//     (also with a superscript 1-3), in any case, alone or before an extension.
//
// Returns why the name is refused, as words that follow "the name" ("is
// empty", "names a folder"), or nothing when it is a plain file name.
std::optional<std::string_view> local_name_refusal(std::string_view name);

}  // namespace vornel

#endif  // VORNEL_BASE_LOCAL_NAME_H_
