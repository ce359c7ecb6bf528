#!/bin/sh
# The Debian package on this machine: cpack makes it from the build directory,
# lintian finds no error or warning in it, dpkg installs it, its binaries are
# hardened, its postinst gives the binary CAP_NET_RAW, its man page renders,
# and an unprivileged user (nobody) runs the installed binary against a
# simulated device in a private network namespace, where nothing but the
# capability lets it open an ICMP socket, and holds no capability after the
# pass; nor does a run by root, once its raw socket is open. The package
# is removed again however the test ends. Installing a package needs root: CI runs as root on a
# throwaway machine.
#   package_test.sh SOURCE_DIR BUILD_DIR plain|sanitized
# Exit status 77: skipped, with the reason on standard output.
set -eu
src=$1
build=$2
kind=$3

skip() {
  echo "SKIPPED: $*"
  exit 77
}
fail() {
  echo "FAIL: $*"
  exit 1
}

[ "$kind" = plain ] || skip "a sanitizer build; packages are made from plain builds"
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
for tool in cpack dpkg-shlibdeps file setcap getcap man runuser unshare flock lintian \
  hardening-check readelf c++; do
  command -v "$tool" >/dev/null 2>&1 || skip "$tool is missing (tools/install-deps.sh --test)"
done
id nobody >/dev/null 2>&1 || skip "there is no user nobody to run the binary as"

# dpkg installs one package at a time, and two runs of this test would
# install and remove the same package under each other's feet.
lock_dir=/run/lock
[ -d "$lock_dir" ] || lock_dir=/tmp
exec 9>"$lock_dir/vornel-package-test.lock"
flock -w 600 9 || fail "another package test held the lock for 10 minutes"
if dpkg-query -W -f='${Status}' vornel 2>/dev/null | grep -q "ok installed"; then
  skip "a vornel package is installed on this machine; the test won't replace it"
fi

work=$(mktemp -d /tmp/vornel-package-XXXXXX)
chmod 755 "$work"
installed=no
cleanup() {
  [ "$installed" = no ] || dpkg --purge vornel >"$work/purge.log" 2>&1 ||
    { echo "dpkg --purge vornel failed:"; cat "$work/purge.log"; }
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/package/vornel_*.deb)
echo "package: $deb"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
case "$depends" in *libcurl4*) ;; *) fail "libcurl4 is not among the dependencies" ;; esac
case "$depends" in *libcap2-bin*) ;; *) fail "libcap2-bin is not among the dependencies" ;; esac
# As nobody: lintian unpacks the package, and warns against doing so as root.
runuser -u nobody -- lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.txt" 2>&1 ||
  { cat "$work/lintian.txt"; fail "lintian found errors or warnings"; }
echo "lintian: no error, no warning, $(grep -c '^I:' "$work/lintian.txt") information lines"
cat "$work/lintian.txt"

installed=yes
dpkg -i "$deb" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "dpkg -i failed"; }
binary=/usr/bin/vornel
for prober in "$binary" /usr/bin/vornel-batch; do
  capabilities=$(getcap "$prober")
  echo "getcap: $capabilities"
  case "$capabilities" in *cap_net_raw=ep*) ;; *) fail "$prober lacks cap_net_raw=ep" ;; esac
done
for file in /usr/share/doc/vornel/README.md /usr/share/doc/vornel/upload_list.example.txt; do
  dpkg -L vornel | grep -qx "$file" || fail "the package holds no $file"
done

# The CPU's control-flow marking (IBT, SHSTK) reaches a binary only when every
# object linked into it has it, the C library's start files included; where
# those lack it (Debian 12) no binary can have it, so that line is not asked.
cfi_option=--nocfprotection
readelf -n "$(c++ -print-file-name=Scrt1.o)" | grep -q "x86 feature: IBT, SHSTK" && cfi_option=
for file in $(dpkg -L vornel | grep '^/usr/bin/'); do
  [ -f "$file" ] || continue
  case $(file -b "$file") in ELF*) ;; *) continue ;; esac  # vornel-fleet is a script
  hardening-check $cfi_option "$file" >"$work/hardening.txt" 2>&1 ||
    { cat "$work/hardening.txt"; fail "$file is not built hardened"; }
  cat "$work/hardening.txt"
done

page=/usr/share/man/man1/vornel.1.gz
dpkg -L vornel | grep -qx "$page" || fail "the package holds no $page"
if [ ! -f "$page" ]; then
  # A dpkg path-exclude (minimal images drop man pages) left it out: read it from the package.
  dpkg-deb -x "$deb" "$work/root"
  page=$work/root$page
fi
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" >"$work/man.txt" 2>"$work/man.err" ||
  fail "man -l $page failed: $(cat "$work/man.err")"
[ ! -s "$work/man.err" ] || fail "the man page has faults: $(cat "$work/man.err")"
for heading in NAME SYNOPSIS DESCRIPTION DIALOGUE "BATCH LIST" FILES "EXIT STATUS" \
  "TIME-OUTS AND PAUSES"; do
  grep -qx "$heading" "$work/man.txt" || fail "the rendered man page has no $heading section"
done
echo "man -l: $(wc -l <"$work/man.txt") lines, no warnings"

# The companions: vornel-batch, vornel-fleet and vornel-shard installed beside
# vornel, their pages render clean, vornel-shard reads the example list as
# Vornel does, and vornel-fleet finds the installed vornel and vornel-shard
# on its own (a list without a group stops it in vornel-shard's cut).
for program in vornel-batch vornel-shard vornel-fleet; do
  dpkg -L vornel | grep -qx "/usr/bin/$program" || fail "the package holds no /usr/bin/$program"
  [ -x "/usr/bin/$program" ] || fail "/usr/bin/$program is not executable"
  program_page=/usr/share/man/man1/$program.1.gz
  dpkg -L vornel | grep -qx "$program_page" || fail "the package holds no $program_page"
  if [ ! -f "$program_page" ]; then
    [ -d "$work/root" ] || dpkg-deb -x "$deb" "$work/root"
    program_page=$work/root$program_page
  fi
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$program_page" >/dev/null 2>"$work/man.err" &&
    [ ! -s "$work/man.err" ] || fail "the $program man page has faults: $(cat "$work/man.err")"
done
groups=$(/usr/bin/vornel-shard /usr/share/doc/vornel/upload_list.example.txt | cut -f1,2 | tr '\t\n' ': ')
[ "$groups" = "9:10.20.0.5 15:10.20.0.6 " ] || fail "vornel-shard read the example list as: $groups"
if command -v parallel >/dev/null 2>&1; then
  printf 'no group here\n' >"$work/empty_list.txt"
  status=0
  (cd "$work" && env -u VORNEL_BINARY -u VORNEL_SHARD /usr/bin/vornel-fleet -w fleet empty_list.txt) \
    >"$work/fleet.out" 2>&1 || status=$?
  [ "$status" -eq 2 ] && grep -q "^vornel-shard: empty_list.txt holds no group" "$work/fleet.out" ||
    { cat "$work/fleet.out"; fail "vornel-fleet did not reach the installed vornel-shard"; }
  [ ! -e "$work/fleet" ] || fail "vornel-fleet left the working directory of a cut that failed"
fi
echo "vornel-batch, vornel-fleet, vornel-shard: installed, man pages clean, example list read as $groups"

# One download by nobody, answers on stdin. In the test's own network
# namespace net.ipv4.ping_group_range starts as "1 0" (nobody's group is not
# in it), so only the capability opens an ICMP socket; a copy of the binary
# without it is the control that shows so. The capability is needed only to
# open that socket, before the first prompt: once the pass is over, while the
# run waits at the main menu, its capability sets are read from /proc.
answers() {  # DIRECTORY BINARY
  printf '2\n127.0.0.2\nadmin\nsecret\n1\n'
  tries=0
  until [ "$(grep -c '3\. Exit' "$work/$1.out" 2>/dev/null)" = 2 ] || [ "$tries" = 300 ]; do
    tries=$((tries + 1))
    sleep 0.1
  done
  for process in /proc/[0-9]*; do
    if [ "$(readlink "$process/cwd" 2>/dev/null)" = "$work/$1" ] &&
      [ "$(readlink "$process/exe" 2>/dev/null)" = "$2" ]; then
      grep '^Cap\(Prm\|Eff\):' "$process/status" >"$work/$1.caps" || true
    fi
  done
  printf '3\n'
}
run_pass() {  # USER DIRECTORY BINARY
  mkdir "$work/$2"
  chown "$1" "$work/$2"
  answers "$2" "$3" | (cd "$work/$2" && /usr/bin/python3 "$src/sim/devices.py" --device 127.0.0.2 -- \
    runuser -u "$1" -- "$3" >"$work/$2.out" 2>"$work/$2.err")
}
cp "$binary" "$work/vornel-without-capability"
run_pass nobody control "$work/vornel-without-capability" || true
grep -q "cannot open an ICMP socket" "$work/control.err" ||
  fail "without the capability nobody could still probe; the test proves nothing here"

run_pass nobody operator "$binary" || { cat "$work/operator.out" "$work/operator.err"; fail "vornel failed"; }
grep -q "Testing connection                 Successful" "$work/operator.out" ||
  { cat "$work/operator.out" "$work/operator.err"; fail "the probe failed for nobody"; }
grep -q "INI download                       Successful" "$work/operator.out" ||
  { cat "$work/operator.out"; fail "the download failed"; }
[ "$(stat -c %U "$work/operator/config.ini")" = nobody ] || fail "config.ini is not nobody's"
none=$(printf 'CapPrm:\t%016x\nCapEff:\t%016x' 0 0)
[ "$(cat "$work/operator.caps" 2>/dev/null)" = "$none" ] ||
  fail "after the pass nobody's run still holds capabilities: $(cat "$work/operator.caps" 2>/dev/null)"
echo "nobody probed 127.0.0.2 and fetched config.ini with the installed binary, holding no" \
  "capability after the pass"

# Root opens its raw socket with CAP_NET_RAW, then keeps no capability at all
# (in a folder of root's, which needs none).
run_pass root root "$binary" || { cat "$work/root.out" "$work/root.err"; fail "vornel failed for root"; }
grep -q "Testing connection                 Successful" "$work/root.out" ||
  { cat "$work/root.out" "$work/root.err"; fail "the probe failed for root"; }
grep -q "INI download                       Successful" "$work/root.out" ||
  { cat "$work/root.out" "$work/root.err"; fail "the download failed for root"; }
[ "$(cat "$work/root.caps" 2>/dev/null)" = "$none" ] ||
  fail "after the pass root's run still holds capabilities: $(cat "$work/root.caps" 2>/dev/null)"
echo "root probed 127.0.0.2 and fetched config.ini, holding no capability after the pass"
echo "PASS"
