#!/bin/sh
# Builds Vornel and starts it, interactive, against a simulated device: a real
# FTP server at 127.0.0.2 inside a private network namespace, so nothing
# leaves this machine. The working directory (scratch/demo, or $1) gets an
# "upload_list.txt", a "download_list.txt" and "site.ini" aimed at the device.
# The device stops when Vornel ends. Run as root.
set -eu
cd "$(dirname "$0")/.."
top=$PWD
./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vornel >/dev/null

work=${1:-$top/scratch/demo}
mkdir -p "$work"
cd "$work"
work=$PWD
[ -f site.ini ] || printf '[Network]\r\nDHCP=1\r\n[System]\r\nDeviceName=demo\r\n' >site.ini
# A batch list holds passwords: private (0600), as Vornel asks of any list.
for list in upload_list.txt download_list.txt; do
  [ -f "$list" ] || (umask 077 && cat >"$list") <<LIST
# The simulated device. Groups of four lines; anything else is skipped.
SystemIP=127.0.0.2
IniFileName=site.ini
SystemUserName=admin
SystemPassword=secret
LIST
done
echo "Working directory: $work (device login admin / secret at 127.0.0.2)"
exec /usr/bin/python3 "$top/sim/devices.py" --device "127.0.0.2" -- "$top/build/vornel"
