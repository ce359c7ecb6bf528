#ifndef VORNEL_PLATFORM_WINDOWS_SYSTEM_ERROR_H_
#define VORNEL_PLATFORM_WINDOWS_SYSTEM_ERROR_H_

#include <string>

namespace vornel {

// The system's one-line message for a GetLastError() code, without its line
// end, or "error <code>" when the system has none.
std::string system_error_text(unsigned long code);

// path (in the process's ANSI code page, as the console and the batch lists
// give names) as the UTF-16 the wide file functions take.
std::wstring wide_path(const char* path);

}  // namespace vornel

#endif  // VORNEL_PLATFORM_WINDOWS_SYSTEM_ERROR_H_
