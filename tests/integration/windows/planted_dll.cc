// A stand-in for a DLL that someone planted beside vornel.exe under the name
// of a system DLL (built as IPHLPAPI.dll and bcrypt.dll). Loaded into a
// process, it leaves the file "planted-NAME-ran" in the working directory;
// its exports let an exe that imports them start, and fail every call.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    HANDLE marker = CreateFileA("planted-" VORNEL_PLANTED_NAME "-ran", GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  }
  return TRUE;
}

extern "C" {
__declspec(dllexport) HANDLE WINAPI IcmpCreateFile() { return INVALID_HANDLE_VALUE; }
__declspec(dllexport) BOOL WINAPI IcmpCloseHandle(HANDLE) { return FALSE; }
__declspec(dllexport) DWORD WINAPI
    IcmpSendEcho(HANDLE, ULONG, LPVOID, WORD, LPVOID, LPVOID, DWORD, DWORD) {
  return 0;
}
__declspec(dllexport) LONG WINAPI BCryptGenRandom(LPVOID, PUCHAR, ULONG, ULONG) { return -1; }
}
