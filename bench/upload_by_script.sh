#!/bin/bash
# The upload pass done the plain way, one standard tool per step, as the
# yardstick for Vornel's own: for each group of the batch list, list the login
# directory into foundfir.txt, read the firmware version from the image name,
# check the device with 20 echo requests, then put the INI file.
#   upload_by_script.sh [upload_list.txt]      (in the working directory)
# The groups come from vornel-shard (Vornel's own list reader; $VORNEL_SHARD,
# else beside the build's vornel), so the script works the very devices
# Vornel would. Prints one line per failed device; exits 1 when any failed.
set -u
here=$(cd "$(dirname "$0")" && pwd)
cutter=${VORNEL_SHARD:-${VORNEL_BENCH_BUILD:-$here/../build-bench}/vornel-shard}
failed=0
fail() {
  echo "$1: $2"
  failed=1
}
groups=$("$cutter" "${1:-upload_list.txt}") || exit 2
while IFS=$'\t' read -r _ ip ini user password; do
  [ -n "$ip" ] || continue
  if ! curl -s --list-only --user "$user:$password" "ftp://$ip/" -o foundfir.txt; then
    fail "$ip" "listing failed"
    continue
  fi
  name=$(grep -m1 '^qop' foundfir.txt | cut -d' ' -f1)
  version=$(printf '%s' "$name" | cut -c10-25 | tr -dc 0-9)
  if [ "$((10#${version:-0}))" -lt 250 ]; then
    fail "$ip" "firmware too old"
    continue
  fi
  if [ ! -r "$ini" ]; then
    fail "$ip" "cannot open $ini"
    continue
  fi
  if ! ping -c 20 -i 0 -q -W 1 "$ip" >/dev/null; then
    fail "$ip" "no response to ping"
    continue
  fi
  curl -s -T "$ini" --user "$user:$password" "ftp://$ip/" || fail "$ip" "upload failed"
done <<<"$groups"
exit $failed
