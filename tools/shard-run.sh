#!/bin/sh
# Renamed: the fleet runner is src/fleet/vornel-fleet.sh, installed as vornel-fleet.
exec "$(dirname "$0")/../src/fleet/vornel-fleet.sh" "$@"
