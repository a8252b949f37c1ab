#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up with a keyring that never answers: a private session bus whose gnome-keyring-daemon is
# stopped (SIGSTOP) before the app starts, a signed-in user whose tokens are in that keyring, 1,000
# stored reminders, and a tray (trayer) on Xvfb. Prints the time from the app's start to its tray
# icon on screen, and how the status reads meanwhile. Needs Xvfb, trayer, xdotool, dbus-daemon and
# gnome-keyring (scripts/install-deps installs the last two).
#
#   bench/keyring_start.sh [path/to/redozevuviva]
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
APP=${1:-$ROOT/build/dev/src/app/redozevuviva}
for tool in Xvfb trayer xdotool dbus-daemon gnome-keyring-daemon; do
  command -v "$tool" >/dev/null || { echo "keyring_start: $tool is missing" >&2; exit 2; }
done

TMP=$(mktemp -d)
PIDS=()
cleanup() {
  for pid in "${PIDS[@]}"; do kill -CONT "$pid" 2>/dev/null || true; kill "$pid" 2>/dev/null || true; done
  rm -rf "$TMP"
}
trap cleanup EXIT
DATA="$TMP/data/Tidewell/RedoZevuviva"
mkdir -p "$DATA" "$TMP/config" "$TMP/keyring"
python3 "$ROOT/bench/seed-reminders.py" "$DATA" --count 1000 \
  --settings OnlineOneNoteUserId=bench-user \
  --settings GraphEndpoint=http://127.0.0.1:9 --settings IdentityEndpoint=http://127.0.0.1:9 \
  --settings AccountEndpoint=http://127.0.0.1:9

DISPLAY_NUMBER=97
Xvfb ":$DISPLAY_NUMBER" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
PIDS+=($!)
export DISPLAY=":$DISPLAY_NUMBER"
dbus-daemon --session --nofork --nopidfile --print-address=1 --address="unix:path=$TMP/bus" >"$TMP/bus.address" &
PIDS+=($!)
for _ in $(seq 100); do [[ -s "$TMP/bus.address" ]] && break; sleep 0.05; done
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$TMP/bus.address")
sleep 0.5
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
PIDS+=($!)
printf 'bench-password' | HOME="$TMP/keyring" XDG_DATA_HOME="$TMP/keyring/data" XDG_RUNTIME_DIR="$TMP/keyring" \
  setsid gnome-keyring-daemon --foreground --components=secrets --unlock >/dev/null 2>&1 &
KEYRING=$!
PIDS+=($KEYRING)
sleep 1.5
kill -STOP "$KEYRING"

START=$(date +%s.%N)
HOME="$TMP" XDG_DATA_HOME="$TMP/data" XDG_CONFIG_HOME="$TMP/config" XDG_RUNTIME_DIR="$TMP" \
  QT_QPA_PLATFORM=xcb "$APP" >"$TMP/app.log" 2>&1 &
APP_PID=$!
PIDS+=($APP_PID)
SHOWN=""
for _ in $(seq 1200); do
  if xdotool search --onlyvisible --pid "$APP_PID" >/dev/null 2>&1; then
    SHOWN=$(date +%s.%N)
    break
  fi
  sleep 0.05
done
if [[ -z "$SHOWN" ]]; then
  echo "keyring_start: no window of the app within 60 s" >&2
  cat "$TMP/app.log" >&2
  exit 1
fi
python3 -c "import sys; print(f'start to tray icon, keyring not answering: {float(sys.argv[2]) - float(sys.argv[1]):.2f} s')" "$START" "$SHOWN"
# With KEYRING_START_SCREENSHOT=file.png: the tray menu opened on the icon, on screen in that file.
if [[ -n "${KEYRING_START_SCREENSHOT:-}" ]]; then
  sleep 2
  ICON=$(xdotool search --onlyvisible --pid "$APP_PID" | head -n1)
  xdotool mousemove --window "$ICON" 8 8 click 3
  sleep 1
  import -window root "$KEYRING_START_SCREENSHOT"
fi
exit 0
