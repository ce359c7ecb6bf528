#!/bin/bash
# vornel-fleet: works a large fleet with several Vornel processes side by
# side. vornel-shard cuts the batch list into shards of whole groups (with
# Vornel's own list reader); this script runs one Vornel per shard, without a
# terminal (its answers on standard input), under GNU parallel, here or on
# other hosts over ssh; then vornel-shard reads every shard's transcript,
# status and host record into one summary in list order, WORKDIR/results.csv
# and WORKDIR/rerun_list.txt, and gives the exit status; with -A it also
# commits the fetched files to the git repository ARCHIVE, and says what
# changed per device. This script only feeds GNU parallel: it reads no list,
# transcript, status, log or git output itself.
#
#   vornel-fleet [-k JOBS] [-n SHARDS] [-m upload|download] [-A ARCHIVE] [-b VORNEL]
#                [-w WORKDIR] [-S HOSTS|@FILE [-M SITEMAP] [-B REMOTE_VORNEL] [-r]] LIST
#
# Options, files and exit statuses: man vornel-fleet.
set -u
export LC_ALL=C
# The shards hold every device's password: everything made here is ours alone.
umask 077
me=vornel-fleet

usage() {
  echo "usage: vornel-fleet [-k JOBS] [-n SHARDS] [-m upload|download] [-A ARCHIVE] [-b VORNEL] [-w WORKDIR] [-S HOSTS|@FILE [-M SITEMAP] [-B REMOTE_VORNEL] [-r]] LIST" >&2
  exit 2
}

jobs=8 shards="" mode=upload binary=${VORNEL_BINARY:-} work="" hosts="" site_map="" remote_binary=vornel retry=""
archive=""
while getopts "k:n:m:A:b:w:S:M:B:r" option; do
  case $option in
    k) jobs=$OPTARG ;;
    n) shards=$OPTARG ;;
    m) mode=$OPTARG ;;
    A) archive=$OPTARG ;;
    b) binary=$OPTARG ;;
    w) work=$OPTARG ;;
    S) hosts=$OPTARG ;;
    M) site_map=$OPTARG ;;
    B) remote_binary=$OPTARG ;;
    r) retry=1 ;;
    *) usage ;;
  esac
done
shift $((OPTIND - 1))
[ $# -eq 1 ] || usage
list=$1
# vornel-shard checks the rest; the job count is GNU parallel's too.
case $jobs in '' | *[!0-9]* | 0) echo "$me: -k and -n want a count of 1 or more" >&2; exit 2 ;; esac
case $mode in upload | download) ;; *) echo "$me: -m wants upload or download" >&2; exit 2 ;; esac
if [ -n "$site_map" ] && [ -z "$hosts" ]; then
  echo "$me: -M wants the hosts of -S" >&2
  exit 2
fi
if [ -n "$archive" ] && [ "$mode" != download ]; then
  echo "$me: -A keeps the history of fetched files: it wants -m download" >&2
  exit 2
fi
if [ -n "$archive" ] && ! command -v git >/dev/null; then
  echo "$me: git is missing (Debian package git); -A needs it" >&2
  exit 2
fi
if ! command -v parallel >/dev/null; then
  echo "$me: GNU parallel is missing (Debian package parallel)" >&2
  exit 2
fi
# The vornel binary: -b, $VORNEL_BINARY, the one beside this script (where
# the package installs both), build/vornel of the source tree this script is
# in (src/fleet/vornel-fleet.sh), vornel on PATH.
here=$(cd "$(dirname "$0")" && pwd)
checkout=""
case $here in */src/fleet) checkout=${here%/src/fleet} ;; esac
if [ -z "$binary" ]; then
  for candidate in "$here/vornel" ${checkout:+"$checkout/build/vornel"}; do
    [ -z "$binary" ] && [ -f "$candidate" ] && [ -x "$candidate" ] && binary=$candidate
  done
  [ -n "$binary" ] || binary=$(command -v vornel)
fi
# Over ssh the hosts' vornel runs (-B); none is needed here.
if [ -z "$hosts" ] && { [ -z "$binary" ] || [ ! -x "$binary" ]; }; then
  echo "$me: no vornel binary (give one with -b)" >&2
  exit 2
fi
[ -n "$binary" ] && binary=$(cd "$(dirname "$binary")" && pwd)/$(basename "$binary")
# vornel-shard: $VORNEL_SHARD, beside the binary, beside this script, in the
# source tree's build, on PATH.
cutter=${VORNEL_SHARD:-}
for candidate in ${binary:+"$(dirname "$binary")/vornel-shard"} "$here/vornel-shard" \
                 ${checkout:+"$checkout/build/vornel-shard"} "$(command -v vornel-shard)"; do
  [ -z "$cutter" ] && [ -f "$candidate" ] && [ -x "$candidate" ] && cutter=$candidate
done
if [ -z "$cutter" ]; then
  echo "$me: vornel-shard is missing (installed beside vornel)" >&2
  exit 2
fi

# A fresh working directory: mkdir makes no parent and refuses any name that
# exists, a link included, so no one else's files mix with the run's.
work=${work:-shards-$(date +%Y%m%d-%H%M%S)}
if [ -e "$work" ] || [ -L "$work" ]; then
  echo "$me: $work exists already; give a new working directory with -w" >&2
  exit 2
fi
# The archive, checked (and made, when new or empty) before anything is
# fetched: it must be a git work tree of its own without uncommitted changes,
# and not hold the working directory.
if [ -n "$archive" ]; then
  case $archive in /*) ;; *) archive=$PWD/$archive ;; esac
  if ! "$cutter" archive -- "$archive" "$work"; then
    echo "$me: $archive cannot keep the run's history; nothing was run" >&2
    exit 2
  fi
fi
mkdir -- "$work" || exit 2
work=$(cd "$work" && pwd)

# The cut: WORK/list.txt, WORK/shard-N/ with its list and files, and the
# tables the later steps read (groups.tsv, shards.tsv, hosts.tsv).
if ! plan=$("$cutter" -o "$work" -m "$mode" -k "$jobs" ${shards:+-n "$shards"} \
              ${hosts:+-S "$hosts"} ${site_map:+-M "$site_map"} -- "$list"); then
  rmdir -- "$work" 2>/dev/null
  echo "$me: $list was not cut into shards" >&2
  exit 2
fi

# A signal stops the rounds, not the clean-up: the lists with passwords on
# the hosts, the ssh masters and their folder go whatever ends the run.
interrupted=""
trap 'interrupted=129' HUP
trap 'interrupted=130' INT
trap 'interrupted=143' TERM
if [ "$mode" = upload ]; then choice=1; else choice=2; fi
# Menu choice, then "use the batch file"; the end of input at the menu ends the run.
answers="printf '$choice\\n1\\n'"
cd "$work" || exit 2

if [ -z "$hosts" ]; then
  echo "$me: $plan, $jobs at a time, under $work"
  # The job is one line of sh, no script of ours to start: GNU parallel's own
  # start-up per job is the cost that remains.
  "$cutter" jobs . |
    VORNEL_SHARD_BINARY=$binary PARALLEL_SHELL=/bin/sh \
    parallel --will-cite -u --jobs "$jobs" --joblog jobs.log \
      "cd shard-{} && { $answers | \"\$VORNEL_SHARD_BINARY\" >console.txt 2>errors.txt; echo \$? >status; }"
else
  # A login is [user@]host[:port] (vornel-shard took no other); ssh itself
  # takes a port only in its ssh:// form.
  host_login=() host_entry=() host_ssh=()
  while IFS=$'\t' read -r login entry; do
    host_login+=("$login") host_entry+=("$entry")
    case $login in *:*) host_ssh+=("ssh://$login") ;; *) host_ssh+=("$login") ;; esac
  done <hosts.tsv
  echo "$me: $plan on ${#host_login[@]} hosts, under $work"
  # One ssh connection per host, shared by every transfer and job: a login
  # costs far more than the job it starts.
  sockets=$(mktemp -d /tmp/vornel-ssh-XXXXXX) || exit 2
  ssh_command="${PARALLEL_SSH:-ssh} -o ControlMaster=auto -o ControlPath=$sockets/%C -o ControlPersist=600"
  remote="umask 077; $answers | $(printf '%q' "$remote_binary") >console.txt 2>errors.txt; echo \$? >status"
  # Each shard runs in a fresh directory of this run's on its host, inside
  # one that only the login can enter.
  remote_work=.vornel-shards/$(date +%Y%m%d-%H%M%S)-$$-$RANDOM
  # What comes back is plain files only: no links, devices or specials.
  export PARALLEL_RSYNC_OPTS=-rzR
  prepared=()
  round=0
  while [ -z "$interrupted" ] && [ $round -lt 4 ]; do
    round=$((round + 1))
    # The hosts that let us in now, each with this run's directory made.
    live=() pids=()
    for i in "${!host_login[@]}"; do
      $ssh_command "${host_ssh[$i]}" "umask 077 && mkdir -p $remote_work" \
        </dev/null >/dev/null 2>>ssh-errors.txt &
      pids[i]=$!
    done
    for i in "${!host_login[@]}"; do
      if wait "${pids[$i]}"; then live+=("$i") prepared[i]=1; else
        echo "$me: ${host_login[$i]} could not be reached" >&2
      fi
    done
    logins=()
    for i in "${live[@]}"; do
      if [ -n "$site_map" ]; then logins+=(-S "@h$i/${host_entry[$i]}"); else logins+=(-S "${host_entry[$i]}"); fi
    done
    # The shards still to run, each only to the live hosts of its site.
    job_lines=$("$cutter" jobs ${retry:+-r} . "${live[@]}") || break
    [ -n "$job_lines" ] || break
    # The first line a job prints says it began on its host (started-R.txt):
    # a shard that never began may go to another host, one that did has
    # worked devices. Each host runs as many at once as its entry's count
    # (100% of the "CPUs" its N/ gives; --jobs N would be N on every host).
    printf '%s\n' "$job_lines" |
      parallel --will-cite --jobs 100% --hostgroups "${logins[@]}" --ssh "$ssh_command" \
        --joblog "jobs-$round.log" --tag --workdir "$remote_work/{}" \
        --transferfile 'shard-{}/./' --return 'shard-{}/./' \
        ": {}; echo started; $remote" >"started-$round.txt" 2>>ssh-errors.txt
  done
  cat jobs-*.log >jobs.log 2>/dev/null
  # What this run left on the hosts goes at once, one session a host, failed
  # run or not: GNU parallel's --cleanup would spend three on every job.
  for i in "${!prepared[@]}"; do
    login=${host_login[$i]}
    { $ssh_command "${host_ssh[$i]}" \
        "rm -rf $remote_work && { rmdir .vornel-shards 2>/dev/null; true; }" </dev/null >/dev/null 2>&1 ||
        echo "$me: could not remove $remote_work on $login; remove it by hand" >&2; } &
  done
  wait
  for login in "${host_ssh[@]}"; do $ssh_command -O exit "$login" 2>/dev/null; done
  rm -rf "$sockets"
fi

if [ "$mode" = download ]; then
  mkdir -p fetched
  fetched=()
  for file in shard-*/*.ini; do
    # Only files Vornel fetched are named after an address.
    case ${file##*/} in config.ini | *[!0-9.]*.ini) ;; *) [ -f "$file" ] && fetched+=("$file") ;; esac
  done
  [ ${#fetched[@]} -eq 0 ] || mv -f -t fetched -- "${fetched[@]}"
fi

# The merged summary, results.csv and the rerun list; the exit status.
"$cutter" outcomes ${interrupted:+-i} ${archive:+-A "$archive"} "$work"
result=$?
[ -n "$interrupted" ] && exit "$interrupted"
exit $result
