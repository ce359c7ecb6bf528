#!/bin/sh
# Cross-builds vornel.exe for 64-bit Windows into build-windows/, linked
# statically so that it imports only Windows' KnownDLLs, and makes the zip
# handed to Windows operators. Prints the path of vornel.exe as its last line.
#
#   tools/build-windows.sh [--libcurl-only]
#
# The FTP layer is libcurl on both platforms. Windows has none we could ship,
# so the first run builds libcurl as a static mingw library from Debian's own
# source package, the same version the Linux build links, and caches the
# install in ${XDG_CACHE_HOME:-$HOME/.cache}/vornel/, keyed on the source
# package's version; later runs only look the version up (a few seconds) and
# reuse it. --libcurl-only stops after that and prints the libcurl prefix.
# Run as root on a fresh machine (the mingw and wine packages get installed).
set -eu
cd "$(dirname "$0")/.."
top=$PWD
jobs=2  # the machines have two cores, shared

libcurl_only=no
[ "${1:-}" = "--libcurl-only" ] && libcurl_only=yes

# Quiet, but the whole output of a step that fails.
quietly() {
  what=$1
  shift
  out=$(mktemp)
  if ! "$@" >"$out" 2>&1; then
    cat "$out" >&2
    rm -f "$out"
    echo "build-windows: $what failed" >&2
    exit 1
  fi
  rm -f "$out"
}

./tools/install-deps.sh --windows

cache=${XDG_CACHE_HOME:-$HOME/.cache}/vornel
mkdir -p "$cache"
# Bumped whenever the way libcurl is built below changes, so that an install
# made the old way is not reused.
recipe=r2

# apt-get with a private set of source-package indexes: the machine's own
# sources turned into deb-src entries, the lists and apt's cache kept under
# our cache, so the system's apt state is neither needed nor touched.
aptdir=$cache/apt
private_apt() {
  apt-get -q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$aptdir/sources" \
    -o Dir::State::Lists="$aptdir/lists" -o Dir::Cache="$aptdir/cache" \
    -o APT::Sandbox::User="$(id -un)" "$@"
}

prepare_sources() {
  rm -rf "$aptdir/sources"
  mkdir -p "$aptdir/sources" "$aptdir/lists/partial" "$aptdir/cache/archives/partial"
  found=no
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed 's/^Types:.*/Types: deb-src/' "$f" >"$aptdir/sources/$(basename "$f")"
    found=yes
  done
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$aptdir/sources/system.list"
    found=yes
  fi
  [ "$found" = yes ] || { echo "build-windows: no apt sources on this machine" >&2; exit 1; }
}

# The version of Debian's curl source package, e.g. 7.88.1-10+deb12u15; empty
# when the indexes cannot be fetched (no network).
source_version() {
  prepare_sources
  private_apt update >/dev/null 2>&1 || return 0
  private_apt source --print-uris curl 2>/dev/null |
    sed -n "s/^'[^']*' curl_\(.*\)\.dsc .*/\1/p" | head -n 1
}

build_libcurl() {
  version=$1 prefix=$2
  work=$cache/work-$version
  rm -rf "$work"
  mkdir -p "$work"
  echo "build-windows: building libcurl $version for mingw (3 to 10 minutes, once)" >&2
  (cd "$work" && quietly "fetching the curl source package" private_apt source --download-only curl)
  quietly "unpacking the curl source package" dpkg-source -x "$work"/curl_*.dsc "$work/src"
  # dpkg-source applies Debian's TLS-flavour patches last, for its GnuTLS
  # and NSS packages; taken back, newest first, they leave the plain source
  # with every security fix.
  for patch in 99_nss 90_gnutls; do
    if [ -f "$work/src/debian/patches/$patch.patch" ]; then
      quietly "reversing $patch" patch -d "$work/src" -R -p1 -s -i "debian/patches/$patch.patch"
    fi
  done
  # No TLS (devices speak plain FTP), no compression (zlib would be linked
  # as a DLL), no IDN, PSL, SSH or LDAP. HTTP stays compiled in: Debian's
  # backported fixes make the FTP code call into http.c; the FTP layer
  # allows only ftp:// at run time.
  # Its random source (lib/rand.c, reached only by HTTP authentication, MIME
  # and DNS shuffling) is advapi32's CryptGenRandom, not bcrypt's
  # BCryptGenRandom: bcrypt.dll is no KnownDLL, so importing it would let a
  # bcrypt.dll beside vornel.exe run before main. libcurl takes that path for
  # the original mingw, so it is told it is built by one: the cache entry
  # keeps bcrypt off its link, the define picks the source in rand.c.
  quietly "configuring libcurl" cmake -S "$work/src" -B "$work/build" \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" -DCMAKE_CROSSCOMPILING_EMULATOR= \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF \
    -DHAVE_MINGW_ORIGINAL=ON -DCMAKE_C_FLAGS=-DHAVE_MINGW_ORIGINAL \
    -DCURL_ENABLE_SSL=OFF -DCURL_USE_OPENSSL=OFF -DCURL_USE_SCHANNEL=OFF -DCURL_WINDOWS_SSPI=OFF \
    -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF \
    -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF -DCURL_USE_LIBPSL=OFF \
    -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DCURL_USE_GSSAPI=OFF \
    -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON -DUSE_WIN32_LDAP=OFF \
    -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none \
    -DCURL_DISABLE_DICT=ON -DCURL_DISABLE_FILE=ON -DCURL_DISABLE_GOPHER=ON \
    -DCURL_DISABLE_IMAP=ON -DCURL_DISABLE_MQTT=ON -DCURL_DISABLE_POP3=ON \
    -DCURL_DISABLE_RTSP=ON -DCURL_DISABLE_SMB=ON -DCURL_DISABLE_SMTP=ON \
    -DCURL_DISABLE_TELNET=ON -DCURL_DISABLE_TFTP=ON
  quietly "building libcurl" cmake --build "$work/build" -j"$jobs"
  rm -rf "$prefix"
  quietly "installing libcurl" cmake --install "$work/build"
  touch "$prefix/.complete"
  rm -rf "$work"
}

# One build of libcurl at a time, also across worktrees; the lock's
# descriptor is not handed to anything started later.
exec 9>"$cache/libcurl.lock"
flock 9
version=$(source_version)
if [ -n "$version" ]; then
  case $version in
    7.88.1-*) ;;
    *) echo "build-windows: note: Debian's curl source is $version, not 7.88.1" >&2 ;;
  esac
  libcurl=$cache/libcurl-$version-mingw64-$recipe
  [ -f "$libcurl/.complete" ] || build_libcurl "$version" "$libcurl"
else
  # Offline: the newest install made by this recipe, if there is one.
  libcurl=$(ls -d "$cache"/libcurl-*-mingw64-$recipe 2>/dev/null | sort -V | tail -n 1)
  if [ -z "$libcurl" ] || [ ! -f "$libcurl/.complete" ]; then
    echo "build-windows: cannot fetch Debian's curl source package, and none is cached" >&2
    exit 1
  fi
  echo "build-windows: offline; using the cached $(basename "$libcurl")" >&2
fi
exec 9>&-

if [ "$libcurl_only" = yes ]; then
  echo "$libcurl"
  exit 0
fi

build=$top/build-windows
quietly "configuring the Windows build" cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" -DCURL_DIR="$libcurl/lib/cmake/CURL"
cmake --build "$build" -j"$jobs"
exe=$build/vornel.exe

# The exes import at load time only KnownDLLs: the DLLs that Windows 10 and 11
# list under HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs
# and always map from the system folder. Any other DLL would be looked for in
# the folder the exe sits in first, and a copy planted there (a USB stick, a
# downloads folder) would run as the operator before main(); one that a bare
# Windows lacks would keep the exe from starting. Other system DLLs are loaded
# at run time from the system folder only (platform/windows/icmp_echo.cc).
# vornel-batch.exe's and vornel-shard.exe's imports count with vornel.exe's.
imports=$(x86_64-w64-mingw32-objdump -p "$exe" "$build/vornel-batch.exe" "$build/vornel-shard.exe" |
  sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u)
unsafe=""
for dll in $imports; do
  case $(echo "$dll" | tr '[:upper:]' '[:lower:]') in
    advapi32.dll | clbcatq.dll | combase.dll | comdlg32.dll | coml2.dll | difxapi.dll | \
      gdi32.dll | gdiplus.dll | imagehlp.dll | imm32.dll | kernel32.dll | msctf.dll | \
      msvcrt.dll | normaliz.dll | nsi.dll | ole32.dll | oleaut32.dll | psapi.dll | rpcrt4.dll | \
      sechost.dll | setupapi.dll | shcore.dll | shell32.dll | shlwapi.dll | user32.dll | \
      wldap32.dll | ws2_32.dll) ;;
    *) unsafe="$unsafe $dll" ;;
  esac
done
if [ -n "$unsafe" ]; then
  echo "build-windows: vornel.exe, vornel-batch.exe or vornel-shard.exe imports DLLs that are not KnownDLLs:$unsafe" >&2
  exit 1
fi
echo "build-windows: imports only KnownDLLs:" $imports >&2

# The zip for Windows operators (CPack, cmake/WindowsPackage.cmake).
quietly "making the zip" cmake --build "$build" --target package
echo "build-windows: $(ls "$build"/vornel-*-win64.zip)" >&2
echo "$exe"
