#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Memory after a sign-in: starts redozevuviva offscreen in a temporary HOME with no account and
# every service address on the Graph emulator (auto-consent, so the authorize page answers with a
# code at once). Start-up shows the sign-in window, which signs in and closes; 60 seconds later the
# resident memory of all the agent's processes together is reported. Target: under 80 MB.
#
#   bench/sign_in_idle.sh [path/to/redozevuviva] [seconds]
#
# Without a path it builds and uses build/release (RelWithDebInfo).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
APP=${1:-}
SECONDS_AFTER=${2:-60}

if [[ -z "$APP" ]]; then
  if [[ ! -f "$ROOT/build/release/build.ninja" ]]; then
    cmake --preset release -S "$ROOT" >/dev/null
  fi
  cmake --build "$ROOT/build/release" -j2 --target redozevuviva graph-emulator >/dev/null
  APP="$ROOT/build/release/src/app/redozevuviva"
fi
EMULATOR="$(dirname "$APP")/../../tools/graph-emulator/graph-emulator"

TMP=$(mktemp -d)
PID=
EMU=
trap 'kill $PID $EMU 2>/dev/null || true; rm -rf "$TMP"' EXIT
DATA="$TMP/data/Tidewell/RedoZevuviva"
mkdir -p "$DATA" "$TMP/config"

"$EMULATOR" --port 0 --fixture "$ROOT/tools/graph-emulator/fixtures/sample.json" --auto-consent \
  >"$TMP/port" 2>"$TMP/emulator.log" &
EMU=$!
for _ in $(seq 50); do [[ -s "$TMP/port" ]] && break; sleep 0.1; done
BASE="http://127.0.0.1:$(head -1 "$TMP/port")"
python3 "$ROOT/bench/seed-reminders.py" "$DATA" --count 1000 \
  --settings GraphEndpoint="$BASE" --settings IdentityEndpoint="$BASE" --settings AccountEndpoint="$BASE"

HOME="$TMP" XDG_DATA_HOME="$TMP/data" XDG_CONFIG_HOME="$TMP/config" QT_QPA_PLATFORM=offscreen \
  DBUS_SESSION_BUS_ADDRESS=disabled: "$APP" >"$TMP/app.log" 2>&1 &
PID=$!

# Every process the agent started, itself included.
family() {
  local list=$1 next
  for p in $1; do
    next=$(pgrep -P "$p" || true)
    [[ -n "$next" ]] && list="$list $(family "$next")"
  done
  echo "$list"
}

# Signed in once the account is saved and the window's process has ended.
START=$(date +%s)
while :; do
  kill -0 "$PID" 2>/dev/null || { echo "sign_in_idle: the app exited early:"; cat "$TMP/app.log"; exit 1; }
  if grep -q OnlineOneNoteUserId "$DATA/velaapp.plist" 2>/dev/null && [[ "$(family "$PID")" == "$PID" ]]; then
    break
  fi
  (( $(date +%s) - START > 60 )) && { echo "sign_in_idle: no sign-in within 60 s"; cat "$TMP/app.log"; exit 1; }
  sleep 0.2
done
echo "signed in after $(( $(date +%s) - START )) s; waiting ${SECONDS_AFTER} s"
sleep "$SECONDS_AFTER"

TOTAL_KB=0
for p in $(family "$PID"); do
  kb=$(awk '/^VmRSS/ {print $2}' "/proc/$p/status" 2>/dev/null || echo 0)
  TOTAL_KB=$((TOTAL_KB + kb))
  echo "  pid $p ($(cat /proc/$p/comm 2>/dev/null)): $((kb / 1024)) MB"
done
WEBENGINE=$(grep -c -i webengine "/proc/$PID/maps" || true)
awk -v kb="$TOTAL_KB" -v we="$WEBENGINE" -v s="$SECONDS_AFTER" 'BEGIN {
  printf "RSS of all the agent'"'"'s processes %d s after the sign-in window closed: %.1f MB (target < 80 MB)\n", s, kb / 1024;
  printf "web engine mappings in the agent: %d (expected 0)\n", we;
}'
