#!/bin/bash
# vornel-fleet: works a large fleet with several vornel-batch processes side
# by side, here or on other hosts over ssh. This script only feeds GNU
# parallel: vornel-shard reads and checks the options, cuts the batch list
# into shards with Vornel's own list reader, says what each round runs,
# keeps each device's record as it comes, stops at --max-fail, cleans up on
# the hosts and judges the run (summary, results.csv, the lists,
# report.html, the archive with -A). It reads no list, record, status or
# git output itself.
#
#   vornel-fleet [-k JOBS] [-n SHARDS] [-m upload|download|check|check-download]
#                [-A ARCHIVE] [-b VORNEL_BATCH] [-w WORKDIR]
#                [-S HOSTS|@FILE [-M SITEMAP] [-B REMOTE_VORNEL_BATCH] [-r]]
#                [--waves STEPS] [--max-fail N|P%] [--confirm] [--metrics FILE] LIST
#
# Options, files and exit statuses: man vornel-fleet.
set -u
export LC_ALL=C
# The shards hold every device's password: everything made here is ours alone.
umask 077
me=vornel-fleet

# vornel-shard: $VORNEL_SHARD, beside this script (where the package installs
# both), in the build of the source tree this script is in
# (src/fleet/vornel-fleet.sh), on PATH.
here=$(cd "$(dirname "$0")" && pwd)
cutter=${VORNEL_SHARD:-}
for candidate in "$here/vornel-shard" "${here%/src/fleet}/build/vornel-shard" \
                 "$(command -v vornel-shard)"; do
  [ -z "$cutter" ] && [ -f "$candidate" ] && [ -x "$candidate" ] && cutter=$candidate
done
if [ -z "$cutter" ]; then
  echo "$me: vornel-shard is missing (installed beside vornel)" >&2
  exit 2
fi
if ! command -v parallel >/dev/null; then
  echo "$me: GNU parallel is missing (Debian package parallel)" >&2
  exit 2
fi

# The options checked and the list cut into a new working folder, whose
# path is the last line said.
case ${1:-} in -h | --help) exec "$cutter" start --help ;; esac
started=$("$cutter" start "$@") || exit $?
work=${started##*$'\n'}
printf '%s\n' "${started%$'\n'*}"
cd "$work" || exit 2

# A signal stops the rounds, not the clean-up: the lists with passwords on
# the hosts, the ssh masters and their folder go whatever ends the run.
interrupted=""
trap 'interrupted=129' HUP
trap 'interrupted=130' INT
trap 'interrupted=143' TERM

# Each round: GNU parallel's arguments from vornel-shard, the jobs' output
# (each device's record, tagged with its shard) to vornel-shard again. What
# comes back from a host is plain files only (no links, devices or
# specials), none above the fetch limit.
export PARALLEL_SHELL=/bin/sh PARALLEL_RSYNC_OPTS="-rzR --max-size=256M"
while [ -z "$interrupted" ]; do
  mapfile -t round < <("$cutter" round .)
  [ ${#round[@]} -gt 0 ] || break
  parallel "${round[@]}" | "$cutter" watch .
done

"$cutter" finish ${interrupted:+-i "$interrupted"} .
