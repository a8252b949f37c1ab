#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Idle cost of the running app: starts redozevuviva offscreen in a temporary HOME holding 1,000
# stored reminders, lets it settle, then measures the CPU time it uses over 60 seconds and its peak
# resident memory. Targets: under 0.1% of one core on average, peak RSS under 80 MB.
#
#   bench/idle.sh [path/to/redozevuviva] [seconds]
#
# Without a path it builds and uses build/release (RelWithDebInfo).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
APP=${1:-}
SECONDS_TO_RUN=${2:-60}
SETTLE=5

if [[ -z "$APP" ]]; then
  if [[ ! -f "$ROOT/build/release/build.ninja" ]]; then
    cmake --preset release -S "$ROOT" >/dev/null
  fi
  cmake --build "$ROOT/build/release" -j2 --target redozevuviva >/dev/null
  APP="$ROOT/build/release/src/app/redozevuviva"
fi

TMP=$(mktemp -d)
trap 'kill "$PID" 2>/dev/null || true; rm -rf "$TMP"' EXIT
DATA="$TMP/data/Tidewell/RedoZevuviva"
mkdir -p "$DATA" "$TMP/config"
# Signed in, with every service address on a closed loopback port: nothing leaves the machine.
python3 "$ROOT/bench/seed-reminders.py" "$DATA" --count 1000 \
  --settings OnlineOneNoteAccessToken=bench-token --settings OnlineOneNoteUserId=bench-user \
  --settings GraphEndpoint=http://127.0.0.1:9 --settings IdentityEndpoint=http://127.0.0.1:9 \
  --settings AccountEndpoint=http://127.0.0.1:9

HOME="$TMP" XDG_DATA_HOME="$TMP/data" XDG_CONFIG_HOME="$TMP/config" QT_QPA_PLATFORM=offscreen \
  DBUS_SESSION_BUS_ADDRESS=disabled: "$APP" >"$TMP/app.log" 2>&1 &
PID=$!

ticks() { awk '{print $14 + $15}' "/proc/$PID/stat"; }
HZ=$(getconf CLK_TCK)

sleep "$SETTLE"
kill -0 "$PID" 2>/dev/null || { echo "idle: the app exited early:"; cat "$TMP/app.log"; exit 1; }
START_TICKS=$(ticks)
sleep "$SECONDS_TO_RUN"
END_TICKS=$(ticks)
PEAK_KB=$(awk '/^VmHWM/ {print $2}' "/proc/$PID/status")
WEBENGINE=$(grep -c -i webengine "/proc/$PID/maps" || true)

awk -v s="$START_TICKS" -v e="$END_TICKS" -v hz="$HZ" -v t="$SECONDS_TO_RUN" -v kb="$PEAK_KB" \
    -v start="$SETTLE" -v we="$WEBENGINE" 'BEGIN {
  startup = s / hz; idle = (e - s) / hz;
  printf "start-up (first %d s): %.2f CPU s\n", start, startup;
  printf "idle over %d s: %.2f CPU s = %.3f%% of one core (target < 0.1%%)\n", t, idle, 100 * idle / t;
  printf "peak RSS: %.1f MB (target < 80 MB)\n", kb / 1024;
  printf "web engine mappings: %d (expected 0)\n", we;
}'
