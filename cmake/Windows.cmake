# The Windows build (cross-built with cmake/mingw-w64-x86_64.cmake): one
# vornel.exe that runs on a bare Windows machine, so everything is linked in
# statically and the exe imports only Windows system DLLs (the build script
# checks that).

# Our own static libcurl (tools/build-windows.sh makes it), found through
# -DCURL_DIR=<prefix>/lib/cmake/CURL: its config brings CURL_STATICLIB and the
# Windows Sockets libraries it needs.
find_package(CURL CONFIG REQUIRED)

# libstdc++, libgcc and winpthread inside the exe, not as DLLs beside it.
add_link_options(-static -static-libgcc -static-libstdc++)
