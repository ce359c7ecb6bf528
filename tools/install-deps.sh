#!/bin/sh
# Installs the Debian packages Vornel needs to build, run and be tested, when
# any is missing. Run as root on Debian 12.
set -eu

packages="build-essential cmake pkg-config libcurl4-openssl-dev libgtest-dev
  python3 python3-pyftpdlib iproute2 nftables util-linux parallel rsync openssh-client git"
# The Windows build (tools/build-windows.sh): the mingw-w64 cross compilers
# with POSIX threads, GoogleTest's sources to build it for Windows, wine to
# run the result, dpkg-dev to unpack Debian's curl source package and patch
# to reverse its TLS-flavour patches.
windows="g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 googletest dpkg-dev patch"
for option in "$@"; do
  case $option in
    --test)
      # The suite, the sanitizer and fuzz builds, valgrind, the live-line
      # test's tmux, and the Windows leg.
      packages="$packages clang libclang-rt-14-dev valgrind tmux $windows"
      # Hosts for vornel-fleet -S: sshd instances in namespaces of their own.
      packages="$packages openssh-server"
      # The package test: cpack's DEB dependencies (file, dpkg-dev), the
      # capability tools, man to render the page, lintian, and hardening-check
      # (devscripts).
      packages="$packages file dpkg-dev libcap2-bin man-db groff-base lintian devscripts"
      # The fleet report's browser test (a headless chromium driven by
      # selenium) and promtool, which checks the metrics file.
      packages="$packages chromium chromium-driver python3-selenium prometheus"
      ;;
    --windows) packages="$packages $windows" ;;
    # The yardsticks bench/run.sh measures Vornel against.
    --bench) packages="$packages curl iputils-ping vsftpd" ;;
  esac
done

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "vornel: these packages are missing:$missing; run this script as root" >&2
  exit 1
fi
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# shellcheck disable=SC2086
apt-get install -y -qq --no-install-recommends $missing >/dev/null
