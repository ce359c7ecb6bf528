#!/bin/sh
# Inside a network namespace of its own (run it under `unshare -n`): brings up
# loopback, starts one simulated device per --device ADDRESS (extra switches
# for the device follow the address up to the next --device or --), runs the
# command in the current directory, stops the devices and exits with the
# command's status. Device files live in ./devices/ADDRESS.
#   unshare -n sim/run-with-devices.sh --device 127.0.0.2 --device 127.0.0.3 --refuse-stor -- build/vornel
set -eu
here=$(cd "$(dirname "$0")" && pwd)
ip link set lo up

pids=""
stop_devices() {
  for pid in $pids; do kill "$pid" 2>/dev/null || true; done
  for pid in $pids; do wait "$pid" 2>/dev/null || true; done
}
trap stop_devices EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

start_device() {
  address=$1
  shift
  mkdir -p "devices/$address"
  rm -f "devices/$address/.ready"
  /usr/bin/python3 "$here/ftp_device.py" --address "$address" --root "devices/$address/root" \
    --ready-file "devices/$address/.ready" --command-log "devices/$address/commands.log" "$@" \
    >"devices/$address/server.log" 2>&1 &
  pids="$pids $!"
  tries=0
  until [ -s "devices/$address/.ready" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ]; then
      echo "simulated device $address did not start; see devices/$address/server.log" >&2
      exit 1
    fi
    sleep 0.05
  done
}

while [ $# -gt 0 ] && [ "$1" = "--device" ]; do
  address=$2
  shift 2
  args=""
  while [ $# -gt 0 ] && [ "$1" != "--device" ] && [ "$1" != "--" ]; do
    args="$args $1"
    shift
  done
  # shellcheck disable=SC2086
  start_device "$address" $args
done
[ "${1:-}" = "--" ] && shift
status=0
"$@" || status=$?
exit $status
