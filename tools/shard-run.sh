#!/bin/bash
# Works a large fleet with several Vornel processes side by side: cuts a
# batch list into shards of whole groups (vornel-shard, with Vornel's own list
# reader), gives each shard a working directory of its own, runs one Vornel
# per shard without a terminal (its answers on standard input) under GNU
# parallel, here or on other hosts over ssh, then prints one summary of every
# device in list order.
#
#   tools/shard-run.sh [-k JOBS] [-n SHARDS] [-m upload|download] [-b VORNEL]
#                      [-w WORKDIR] [-S HOSTS [-M SITEMAP] [-B REMOTE_VORNEL] [-r]] LIST
#
#   -k JOBS     how many Vornel processes run at once (default 8); with -S,
#               on each host that has no N/ count of its own
#   -n SHARDS   how many shards the list is cut into (default: eight per
#               job slot, -k or the hosts' counts, never more than devices). A
#               job that finishes early takes the next shard, so the finer the
#               cut, the less a shard slowed by silent devices holds up the
#               run; each job costs its start-up, though
#   -m MODE     upload (default) or download
#   -b VORNEL   the vornel binary here (default $VORNEL_BINARY, else
#               build/vornel beside this script, else vornel on PATH)
#   -w WORKDIR  where the shards go; must not exist yet (default
#               ./shards-YYYYmmdd-HHMMSS)
#   -S HOSTS    run the shards on these ssh hosts instead: GNU parallel's
#               --sshlogin list (comma-separated, N/login for N jobs on a
#               host) or a file of them, one a line. Each needs vornel
#               installed and rsync; ssh must log in without a question
#               ($PARALLEL_SSH is the ssh command, default ssh)
#   -M SITEMAP  which host works which devices: lines "HOST ADDRESS..." where
#               HOST is a login of -S and an address may be a prefix a.b.c.d/n.
#               A device goes only to a host whose line names it
#   -B VORNEL   the vornel on the hosts (default vornel, found on PATH there)
#   -r          run a shard again, on any host of its site, when its host was
#               lost while it ran (its first devices may then be worked twice)
#   LIST        the batch list; the INI files its groups name are taken from
#               the directory that holds it
#
# WORKDIR/shard-N/ holds the shard's list, copies of its INI files, Vornel's
# log.txt, console.txt (standard output), errors.txt and status; with -S they
# come back from the host, where the shard ran in a fresh directory under
# ~/.vornel-shards/ that is removed at the end of the run. In
# download mode each shard starts with a placeholder config.ini, so Vornel
# stores every fetched file as ADDRESS.ini; they are gathered into
# WORKDIR/fetched/. WORKDIR/jobs.log is GNU parallel's job log.
#
# A shard that could not reach its host is sent to another host of its site
# that answers; a shard whose host was lost while it ran is not run again
# unless -r says so, since its first devices may have been worked.
#
# Exit status:
#   0  every device succeeded
#   1  at least one device failed, or its group was skipped as malformed
#   2  nothing was run: bad options, unreadable list or site map, no group, a
#      device no host of the site map reaches, WORKDIR exists, or GNU
#      parallel, vornel-shard or the binary missing
#   3  a shard's Vornel ended abnormally (interrupted, or it could not run);
#      its devices without an outcome are listed as such
#   4  a host could not be reached or was lost: its devices are listed as not
#      run, with the host
#   130, 143  interrupted by SIGINT or SIGTERM (after the summary of what ran)
set -u
export LC_ALL=C

usage() {
  echo "usage: tools/shard-run.sh [-k JOBS] [-n SHARDS] [-m upload|download] [-b VORNEL] [-w WORKDIR] [-S HOSTS [-M SITEMAP] [-B REMOTE_VORNEL] [-r]] LIST" >&2
  exit 2
}

jobs=8 shards="" mode=upload binary=${VORNEL_BINARY:-} work="" hosts="" site_map="" remote_binary=vornel retry=""
while getopts "k:n:m:b:w:S:M:B:r" option; do
  case $option in
    k) jobs=$OPTARG ;;
    n) shards=$OPTARG ;;
    m) mode=$OPTARG ;;
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
for count in "$jobs" ${shards:+"$shards"}; do
  case $count in '' | *[!0-9]* | 0) echo "shard-run: -k and -n want a count of 1 or more" >&2; exit 2 ;; esac
done
case $mode in upload | download) ;; *) echo "shard-run: -m wants upload or download" >&2; exit 2 ;; esac
if [ -n "$site_map" ] && [ -z "$hosts" ]; then
  echo "shard-run: -M wants the hosts of -S" >&2
  exit 2
fi
if [ ! -r "$list" ] || [ ! -f "$list" ]; then
  echo "shard-run: cannot read the batch list $list" >&2
  exit 2
fi
if ! command -v parallel >/dev/null; then
  echo "shard-run: GNU parallel is missing (Debian package parallel)" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "$binary" ]; then
  if [ -x "$here/../build/vornel" ]; then binary=$here/../build/vornel; else binary=$(command -v vornel); fi
fi
# Over ssh the hosts' vornel runs (-B); none is needed here.
if [ -z "$hosts" ] && { [ -z "$binary" ] || [ ! -x "$binary" ]; }; then
  echo "shard-run: no vornel binary (give one with -b)" >&2
  exit 2
fi
[ -n "$binary" ] && binary=$(cd "$(dirname "$binary")" && pwd)/$(basename "$binary")
# vornel-shard: beside the binary, in the build beside this script, on PATH.
cutter=${VORNEL_SHARD:-}
for candidate in ${binary:+"$(dirname "$binary")/vornel-shard"} "$here/../build/vornel-shard" \
                 "$(command -v vornel-shard)"; do
  [ -z "$cutter" ] && [ -x "$candidate" ] && [ -f "$candidate" ] && cutter=$candidate
done
if [ -z "$cutter" ]; then
  echo "shard-run: vornel-shard is missing (installed beside vornel)" >&2
  exit 2
fi

# The hosts: login (without its N/ count) and the parallel --sshlogin entry.
host_login=() host_entry=()
if [ -n "$hosts" ]; then
  if [ -f "$hosts" ]; then entries=$(grep -v '^[[:space:]]*\(#\|$\)' "$hosts"); else entries=${hosts//,/$'\n'}; fi
  while IFS= read -r entry; do
    entry=${entry#"${entry%%[![:space:]]*}"}
    entry=${entry%"${entry##*[![:space:]]}"}
    [ -n "$entry" ] || continue
    login=$entry
    case $entry in [0-9]*/*) login=${entry#*/} ;; *) entry="$jobs/$entry" ;; esac
    if [ "$login" = ":" ]; then
      echo "shard-run: -S takes ssh hosts; leave -S out to run here" >&2
      exit 2
    fi
    host_login+=("$login") host_entry+=("$entry")
  done <<<"$entries"
  if [ ${#host_login[@]} -eq 0 ]; then
    echo "shard-run: -S names no host" >&2
    exit 2
  fi
fi

work=${work:-shards-$(date +%Y%m%d-%H%M%S)}
if [ -e "$work" ]; then
  echo "shard-run: $work exists already; give a new working directory with -w" >&2
  exit 2
fi
mkdir -p "$work" || exit 2
work=$(cd "$work" && pwd)

# Eight shards a job slot (or one a device, when there are fewer): a job that
# finishes early takes the next, so no shard holding several silent devices
# is left to finish on its own at the end, while the cost of a job (GNU
# parallel's start of it and Vornel's own start-up, some tens of
# milliseconds; over ssh its transfers and sessions, most of a second) stays
# small against the run.
if [ -z "$shards" ]; then
  slots=$jobs
  if [ -n "$hosts" ]; then
    slots=0
    for entry in "${host_entry[@]}"; do slots=$((slots + ${entry%%/*})); done
  fi
  shards=$((8 * slots))
fi

# The cut: WORK/shard-N/ with its list and files, WORK/groups.tsv (per group
# in list order: shard, address, line in LIST, line of its opening in the
# shard's list, INI file, why Vornel refuses it) and WORK/shards.tsv (per
# shard: number, the hosts that reach its devices).
"$cutter" -o "$work" -m "$mode" ${shards:+-n "$shards"} ${site_map:+-M "$site_map"} "$list" ||
  { echo "shard-run: $list was not cut into shards" >&2; exit 2; }
if [ ! -s "$work/groups.tsv" ]; then
  echo "shard-run: $list holds no group (a line starting SystemIP= and three more)" >&2
  exit 2
fi
if [ -n "$site_map" ]; then
  # Every host of the map must be one of -S.
  while IFS=$'\t' read -r _ site; do
    for login in ${site//,/ }; do
      known=""
      for h in "${host_login[@]}"; do [ "$h" = "$login" ] && known=1; done
      if [ -z "$known" ]; then
        echo "shard-run: the site map names $login, which -S does not list" >&2
        exit 2
      fi
    done
  done <"$work/shards.tsv"
fi

interrupted=""
trap 'interrupted=130' INT
trap 'interrupted=143' TERM
count=$(wc -l <"$work/groups.tsv")
used=$(wc -l <"$work/shards.tsv")
if [ "$mode" = upload ]; then choice=1; else choice=2; fi
# Menu choice, then "use the batch file"; the end of input at the menu ends the run.
answers="printf '$choice\\n1\\n'"
cd "$work" || exit 2

if [ -z "$hosts" ]; then
  echo "shard-run: $count groups of $list in $used shards, $jobs at a time, under $work"
  # The job is one line of sh, no script of ours to start: GNU parallel's own
  # start-up per job is the cost that remains.
  cut -f1 shards.tsv |
    VORNEL_SHARD_BINARY=$binary PARALLEL_SHELL=/bin/sh \
    parallel --will-cite -u --jobs "$jobs" --joblog jobs.log \
      "cd shard-{} && { $answers | \"\$VORNEL_SHARD_BINARY\" >console.txt 2>errors.txt; echo \$? >status; }"
else
  echo "shard-run: $count groups of $list in $used shards on ${#host_login[@]} hosts, under $work"
  # One ssh connection per host, shared by every transfer and job: a login
  # costs far more than the job it starts.
  sockets=$(mktemp -d /tmp/vornel-ssh-XXXXXX) || exit 2
  ssh_command="${PARALLEL_SSH:-ssh} -o ControlMaster=auto -o ControlPath=$sockets/%C -o ControlPersist=600"
  remote="$answers | $(printf '%q' "$remote_binary") >console.txt 2>errors.txt; echo \$? >status"
  # Each shard runs in a fresh directory of this run's on its host.
  remote_work=.vornel-shards/$(date +%Y%m%d-%H%M%S)-$$-$RANDOM
  : >tried.tsv
  : >started.tsv
  declare -A site_of=() began=() retried=()
  while IFS=$'\t' read -r n site; do site_of[$n]=$site; done <shards.tsv
  pending=$(cut -f1 shards.tsv)
  round=0
  while [ -n "$pending" ] && [ -z "$interrupted" ] && [ $round -lt 4 ]; do
    round=$((round + 1))
    # The hosts that let us in now.
    live=()
    for i in "${!host_login[@]}"; do
      $ssh_command "${host_login[$i]}" true </dev/null >/dev/null 2>>"ssh-errors.txt" &
      pids[i]=$!
    done
    for i in "${!host_login[@]}"; do
      if wait "${pids[$i]}"; then live+=("$i"); else
        echo "shard-run: ${host_login[$i]} could not be reached" >&2
      fi
    done
    logins=() arguments=()
    for i in "${live[@]}"; do
      if [ -n "$site_map" ]; then logins+=(-S "@h$i/${host_entry[$i]}"); else logins+=(-S "${host_entry[$i]}"); fi
    done
    for n in $pending; do
      if [ -z "$site_map" ]; then
        [ ${#live[@]} -gt 0 ] && arguments+=("$n")
        continue
      fi
      # Only the live hosts of the shard's site: a host that can't reach a
      # device never gets it.
      site=${site_of[$n]}
      tags=""
      for i in "${live[@]}"; do
        case ",$site," in *",${host_login[$i]},"*) tags=${tags:+$tags+}h$i ;; esac
      done
      [ -n "$tags" ] && arguments+=("$n@$tags")
    done
    [ ${#arguments[@]} -gt 0 ] || break
    # The first line the job prints says it began on its host: a shard that
    # never began may go to another host, one that did has worked devices.
    printf '%s\n' "${arguments[@]}" |
      parallel --will-cite --jobs "$jobs" --hostgroups "${logins[@]}" --ssh "$ssh_command" \
        --joblog "jobs-$round.log" --tag --workdir "$remote_work/{}" \
        --transferfile 'shard-{}/./' --return 'shard-{}/./' \
        ": {}; echo started; $remote" >"started-$round.txt" 2>>"ssh-errors.txt"
    # Who ran what: shard, host, exit value of the job.
    awk -F'\t' 'NR > 1 && match($9, /^: [0-9]+;/) {
                  print substr($9, 3, RLENGTH - 3) "\t" $2 "\t" $7 }' "jobs-$round.log" >>tried.tsv
    while IFS=$'\t' read -r n word; do
      [ "$word" = started ] && began[$n]=1 && echo "$n" >>started.tsv
    done <"started-$round.txt"
    next_round=""
    for n in $pending; do
      [ -f "shard-$n/status" ] && continue
      if [ -n "${began[$n]:-}" ]; then
        # Lost while it ran: again only when asked, and once.
        if [ -n "$retry" ] && [ -z "${retried[$n]:-}" ]; then
          retried[$n]=1 next_round="$next_round $n"
          unset "began[$n]"
        fi
      else
        next_round="$next_round $n"
      fi
    done
    pending=$next_round
  done
  cat jobs-*.log >jobs.log 2>/dev/null
  # What this run left on the hosts goes at once, one session a host: GNU
  # parallel's --cleanup would spend three on every job.
  for login in "${host_login[@]}"; do
    $ssh_command "$login" "rm -rf $remote_work; rmdir .vornel-shards 2>/dev/null" \
      </dev/null >/dev/null 2>&1 &
  done
  wait
  for login in "${host_login[@]}"; do $ssh_command -O exit "$login" 2>/dev/null; done
  rm -rf "$sockets"
fi

if [ "$mode" = download ]; then
  mkdir -p fetched
  fetched=()
  for file in shard-*/*.ini; do
    # Only files Vornel fetched are named after an address.
    case ${file##*/} in config.ini | *[!0-9.]*.ini) ;; *) fetched+=("$file") ;; esac
  done
  [ ${#fetched[@]} -eq 0 ] || mv -f -t fetched -- "${fetched[@]}"
fi

# The merged summary, in list order, from each shard's console transcript
# (processed devices and their summary lines) and exit status, and for hosts
# from who ran each shard.
files=()
for dir in shard-*; do
  # A shard that never ran has neither; the summary says so.
  for name in status console.txt; do
    [ -f "$dir/$name" ] && files+=("$dir/$name")
  done
done
if [ -z "$hosts" ]; then : >tried.tsv; : >started.tsv; fi
awk -v mode="$mode" -v work="$work" -v remote="${hosts:+1}" -v interrupted="$interrupted" '
  function shard_of(path,    name) {
    name = path
    sub(/\/[^\/]*$/, "", name)
    sub(/^shard-/, "", name)
    return name + 0
  }
  FILENAME == "shards.tsv" { site[$1 + 0] = $2; next }
  FILENAME == "tried.tsv" { host[$1 + 0] = $2; exit_value[$1 + 0] = $3; next }
  FILENAME == "started.tsv" { started[$1 + 0] = 1; next }
  FILENAME != "groups.tsv" {
    # The Windows build (vornel.exe, under wine here) ends its lines with CRLF.
    sub(/\r$/, "")
    s = shard_of(FILENAME)
    if (FILENAME ~ /\/status$/) { status[s] = $0 + 0; next }
    if ($0 ~ /^\t(Uploading|Downloading) /) {
      blocks[s]++; block_address[s, blocks[s]] = $NF; block_ok[s, blocks[s]] = 0
    } else if ($0 ~ /^\tINI (upload|download) +Successful$/) {
      block_ok[s, blocks[s]] = 1
    } else if ($0 == "  ** Summary **") {
      in_summary[s] = 1
    } else if (in_summary[s] && $0 ~ /^\t[^ \t]+: /) {
      at = index($0, ": ")
      reason = substr($0, at + 2); sub(/^ +/, "", reason)
      entries[s]++; entry_address[s, entries[s]] = substr($0, 2, at - 2)
      entry_reason[s, entries[s]] = reason
    }
    next
  }
  {
    n++
    split($0, field, "\t")
    group_shard[n] = field[1] + 0; group_address[n] = field[2]; group_refusal[n] = field[6]
  }
  END {
    failed = 0; abnormal = 0; lost = 0
    for (g = 1; g <= n; g++) {
      s = group_shard[g]; address = group_address[g]; outcome = ""; where = "-"
      if (s in host) where = host[s]
      else if (remote && s in site) where = site[s]
      if (group_refusal[g] != "") {
        outcome = "skipped: " group_refusal[g]
      } else if (!(s in status)) {
        if (interrupted) { outcome = "no outcome: the run was interrupted"; abnormal = 1 }
        else if (!remote) { outcome = "no outcome: the shard did not run"; abnormal = 1 }
        else if (!(s in host)) { outcome = "not run: no host of its site could be reached"; lost = 1 }
        else if (exit_value[s] == 255) {
          outcome = "not run to the end: the host was lost while its shard ran"; lost = 1
          # A shard that never began was sent on; the host named is the last that failed it.
          if (!started[s]) outcome = "not run: the host could not be reached"
        } else { outcome = "no outcome: the shard ended with exit value " exit_value[s]; abnormal = 1 }
      } else {
        if (status[s] != 0) abnormal = 1
        b = ++taken[s]
        if (b > blocks[s]) {
          outcome = "no outcome: the shard ended with status " status[s] " before it"
        } else if (block_address[s, b] != address) {
          outcome = "no outcome: see shard-" s "/log.txt"
        } else if (block_ok[s, b]) {
          outcome = mode == "download" ? "OK  fetched/" address ".ini" : "OK"
        } else {
          e = ++reported[s]
          if (e <= entries[s] && entry_address[s, e] == address) outcome = entry_reason[s, e]
          else outcome = "failed: see shard-" s "/log.txt"
        }
      }
      if (outcome !~ /^OK/) failed++
      if (remote) printf "  %-15s  shard %-3d %-20s %s\n", address, s, where, outcome
      else printf "  %-15s  shard %-3d %s\n", address, s, outcome
    }
    printf "shard-run: %d devices, %d OK, %d failed; logs in %s/shard-N/log.txt\n",
           n, n - failed, failed, work
    exit lost ? 4 : abnormal ? 3 : (failed ? 1 : 0)
  }
' shards.tsv tried.tsv started.tsv "${files[@]}" groups.tsv
result=$?
[ -n "$interrupted" ] && exit "$interrupted"
exit $result
