#!/bin/bash
# Works a large fleet with several Vornel processes side by side: splits a
# batch list into shards of whole groups, gives each shard a working
# directory of its own, runs one Vornel per shard without a terminal (its
# answers on standard input) under GNU parallel, then prints one summary of
# every device in list order.
#
#   tools/shard-run.sh [-k JOBS] [-n SHARDS] [-m upload|download] [-b VORNEL] [-w WORKDIR] LIST
#
#   -k JOBS     how many Vornel processes run at once (default 8)
#   -n SHARDS   how many shards the list is cut into (default: JOBS). More
#               shards than jobs evens the load out: a job that finishes early
#               takes the next shard, so a shard slowed by silent devices
#               holds up less of the run
#   -m MODE     upload (default) or download
#   -b VORNEL   the vornel binary (default $VORNEL_BINARY, else build/vornel
#               beside this script, else vornel on PATH)
#   -w WORKDIR  where the shards go; must not exist yet (default
#               ./shards-YYYYmmdd-HHMMSS)
#   LIST        the batch list; the INI files its groups name are taken from
#               the directory that holds it
#
# Groups are split as Vornel reads them: a line opening with "SystemIP=" and a
# value, plus the next three lines whatever they hold, lines being taken in
# pieces of at most 255 bytes. A device listed more than once stays in one
# shard, so its transfers keep their order. Groups go to the shards in turn.
#
# WORKDIR/shard-N/ holds the shard's list, copies of its INI files, Vornel's
# log.txt, console.txt (standard output), errors.txt and status. In download
# mode each shard starts with a placeholder config.ini, so Vornel stores every
# fetched file as ADDRESS.ini; they are gathered into WORKDIR/fetched/.
#
# Exit status:
#   0  every device succeeded
#   1  at least one device failed, or its group was skipped as malformed
#   2  nothing was run: bad options, unreadable list, no group, WORKDIR exists,
#      or GNU parallel or the binary missing
#   3  a shard's Vornel ended abnormally (interrupted, or it could not run);
#      its devices without an outcome are listed as such
#   130, 143  interrupted by SIGINT or SIGTERM (after the summary of what ran)
set -u
export LC_ALL=C

usage() {
  echo "usage: tools/shard-run.sh [-k JOBS] [-n SHARDS] [-m upload|download] [-b VORNEL] [-w WORKDIR] LIST" >&2
  exit 2
}

# One shard, run by GNU parallel: tools/shard-run.sh --run-shard MODE VORNEL DIR
if [ "${1:-}" = "--run-shard" ]; then
  mode=$2 binary=$3 dir=$4
  cd "$dir" || exit 1
  # Menu choice, then "use the batch file"; the end of input at the menu ends the run.
  if [ "$mode" = upload ]; then choice=1; else choice=2; fi
  start=$(date +%s)
  printf '%s\n1\n' "$choice" | "$binary" >console.txt 2>errors.txt
  status=$?
  echo "$status" >status
  echo "$(basename "$dir"): ended with status $status after $(($(date +%s) - start)) s"
  exit 0
fi

jobs=8 shards="" mode=upload binary=${VORNEL_BINARY:-} work=""
while getopts "k:n:m:b:w:" option; do
  case $option in
    k) jobs=$OPTARG ;;
    n) shards=$OPTARG ;;
    m) mode=$OPTARG ;;
    b) binary=$OPTARG ;;
    w) work=$OPTARG ;;
    *) usage ;;
  esac
done
shift $((OPTIND - 1))
[ $# -eq 1 ] || usage
list=$1
shards=${shards:-$jobs}
for count in "$jobs" "$shards"; do
  case $count in '' | *[!0-9]* | 0) echo "shard-run: -k and -n want a count of 1 or more" >&2; exit 2 ;; esac
done
case $mode in upload | download) ;; *) echo "shard-run: -m wants upload or download" >&2; exit 2 ;; esac
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
if [ -z "$binary" ] || [ ! -x "$binary" ]; then
  echo "shard-run: no vornel binary (give one with -b)" >&2
  exit 2
fi
binary=$(cd "$(dirname "$binary")" && pwd)/$(basename "$binary")
source_dir=$(cd "$(dirname "$list")" && pwd)
work=${work:-shards-$(date +%Y%m%d-%H%M%S)}
if [ -e "$work" ]; then
  echo "shard-run: $work exists already; give a new working directory with -w" >&2
  exit 2
fi
mkdir -p "$work" || exit 2
work=$(cd "$work" && pwd)
if [ "$mode" = upload ]; then list_name=upload_list.txt; else list_name=download_list.txt; fi
for n in $(seq "$shards"); do mkdir "$work/shard-$n" || exit 2; done

# Splits the list into WORK/shard-N/LIST_NAME and writes WORK/groups.tsv, one
# line per group in list order: shard, address, line in LIST, line of its
# opening in the shard's list, INI file name.
awk -v shards="$shards" -v work="$work" -v list_name="$list_name" '
  function value(text, key,    rest) {
    if (substr(text, 1, length(key) + 1) != key "=") return ""
    rest = substr(text, length(key) + 2)
    sub(/^[ \t\r\v\f]+/, "", rest)
    sub(/[ \t\r\v\f].*$/, "", rest)
    return rest
  }
  function put(dest, chunk, whole_line_start) {
    file = work "/shard-" dest "/" list_name
    # A piece that continues the last one written there, from the same line,
    # is written right after it, so Vornel sees the very same pieces.
    if (!(dangling[dest] == NR && !whole_line_start)) {
      if (dangling[dest] != "") printf "\n" > file
      lines[dest]++
    }
    printf "%s", chunk > file
    dangling[dest] = (substr(chunk, length(chunk)) == "\n") ? "" : NR
  }
  {
    full = $0 "\n"
    for (at = 1; at <= length(full); at += 255) {
      chunk = substr(full, at, 255)
      text = chunk
      sub(/\n$/, "", text)
      if (left == 0) {
        address = value(text, "SystemIP")
        if (address == "") continue
        if (!(address in home)) home[address] = (next_shard++ % shards) + 1
        dest = home[address]
        left = 3
        put(dest, chunk, at == 1)
        groups++
        group_shard[groups] = dest; group_address[groups] = address
        group_line[groups] = NR; group_shard_line[groups] = lines[dest]; group_ini[groups] = ""
        slot = 0
        continue
      }
      left--
      slot++
      if (slot == 1) group_ini[groups] = value(text, "IniFileName")
      put(dest, chunk, at == 1)
    }
  }
  END {
    for (dest in dangling) if (dangling[dest] != "") printf "\n" > (work "/shard-" dest "/" list_name)
    for (g = 1; g <= groups; g++)
      printf "%d\t%s\t%d\t%d\t%s\n", group_shard[g], group_address[g], group_line[g],
             group_shard_line[g], group_ini[g] > (work "/groups.tsv")
  }
' "$list" || exit 2
if [ ! -s "$work/groups.tsv" ]; then
  echo "shard-run: $list holds no group (a line starting SystemIP= and three more)" >&2
  exit 2
fi
# Fewer groups than shards leaves some shards empty.
for n in $(seq "$shards"); do
  [ -e "$work/shard-$n/$list_name" ] || rmdir "$work/shard-$n"
done

# Each shard gets copies of the INI files its groups name, from beside the
# list; a name leading out of the shard (absolute, or through ..) is not
# copied, and a missing file is left missing: Vornel then reports that device
# as it would anyway.
if [ "$mode" = upload ]; then
  while IFS=$'\t' read -r shard _ line _ ini; do
    [ -n "$ini" ] || continue
    case /$ini/ in
      //* | */../*) echo "shard-run: $list:$line: $ini is not copied into the shard (it leads outside)" >&2; continue ;;
    esac
    [ -f "$work/shard-$shard/$ini" ] && continue
    [ -f "$source_dir/$ini" ] || continue
    mkdir -p "$(dirname "$work/shard-$shard/$ini")" && cp -p "$source_dir/$ini" "$work/shard-$shard/$ini"
  done <"$work/groups.tsv"
else
  for dir in "$work"/shard-*/; do
    echo "placeholder, so that Vornel names every fetched file after its device" >"$dir/config.ini"
  done
fi

interrupted=""
trap 'interrupted=130' INT
trap 'interrupted=143' TERM
count=$(wc -l <"$work/groups.tsv")
used=$(printf '%s\n' "$work"/shard-*/ | wc -l)
echo "shard-run: $count groups of $list in $used shards, $jobs at a time, under $work"
for n in $(seq "$shards"); do
  [ -d "$work/shard-$n" ] && echo "$work/shard-$n"
done |
  parallel --will-cite --quote --jobs "$jobs" "$here/$(basename "$0")" --run-shard "$mode" "$binary" {}

if [ "$mode" = download ]; then
  mkdir -p "$work/fetched"
  for dir in "$work"/shard-*; do
    for file in "$dir"/*.ini; do
      name=$(basename "$file")
      case $name in config.ini) continue ;; esac
      # Only files Vornel fetched are named after an address.
      case $name in *[!0-9.]*.ini) ;; *) mv -f "$file" "$work/fetched/$name" ;; esac
    done 2>/dev/null
  done
fi

# The merged summary, in list order, from each shard's console transcript
# (processed devices and their summary lines), its errors (skipped groups)
# and its exit status.
files=()
for dir in "$work"/shard-*; do
  # A shard that never ran has none of them; the summary says so.
  for name in status errors.txt console.txt; do
    [ -f "$dir/$name" ] && files+=("$dir/$name")
  done
done
awk -v mode="$mode" -v work="$work" -v list="$list" '
  function shard_of(path,    name) {
    name = path
    sub(/\/[^\/]*$/, "", name)
    sub(/.*\/shard-/, "", name)
    return name + 0
  }
  FILENAME != work "/groups.tsv" {
    # The Windows build (vornel.exe, under wine here) ends its lines with CRLF.
    sub(/\r$/, "")
    s = shard_of(FILENAME)
    if (FILENAME ~ /\/status$/) { status[s] = $0 + 0; next }
    if (FILENAME ~ /\/errors\.txt$/) {
      if (match($0, /^vornel: [^:]*:[0-9]+: /)) {
        head = substr($0, 1, RLENGTH - 2)
        line = head; sub(/.*:/, "", line)
        refused[s, line + 0] = substr($0, RLENGTH + 1)
      }
      next
    }
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
    group_shard[n] = field[1] + 0; group_address[n] = field[2]
    group_line[n] = field[3]; group_shard_line[n] = field[4] + 0
  }
  END {
    failed = 0; abnormal = 0
    for (s in status) if (status[s] != 0) abnormal = 1
    for (g = 1; g <= n; g++) if (!(group_shard[g] in status)) abnormal = 1
    for (g = 1; g <= n; g++) {
      s = group_shard[g]; address = group_address[g]; outcome = ""
      for (l = group_shard_line[g]; l <= group_shard_line[g] + 3; l++)
        if ((s, l) in refused)
          outcome = "skipped: " list ":" group_line[g] + l - group_shard_line[g] ": " refused[s, l]
      if (outcome == "") {
        b = ++taken[s]
        if (!(s in status)) {
          outcome = "no outcome: the shard did not run"
        } else if (b > blocks[s]) {
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
      printf "  %-15s  shard %-3d %s\n", address, s, outcome
    }
    printf "shard-run: %d devices, %d OK, %d failed; logs in %s/shard-N/log.txt\n",
           n, n - failed, failed, work
    exit abnormal ? 3 : (failed ? 1 : 0)
  }
' "${files[@]}" "$work/groups.tsv"
result=$?
[ -n "$interrupted" ] && exit "$interrupted"
exit $result
