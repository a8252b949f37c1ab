#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Idle cost of the signed-in agent, as on a desktop: a private session bus with a notification server
# and a status notifier watcher on it (a tray's bus name; whether Qt takes it for a tray is not
# checked), an X server of its own (Xvfb; without it the agent runs offscreen, its main window shown),
# the Graph emulator serving an account of SECTIONS sections (default 200), and redozevuviva started in
# a temporary HOME, signed in to that account. Once its first sync has ended (every section's page
# list stored, then nothing asked or written for QUIET seconds) and SETTLE more seconds passed, it
# measures over SECONDS seconds the CPU time the agent's threads use, the files it writes and the
# requests it sends, then its peak resident memory. Targets: under 0.1% of one core, no file written
# more often than once a minute, peak RSS under 80 MB.
#
#   bench/idle.sh [path/to/redozevuviva] [seconds]
#
# Without a path it builds and uses build/release (RelWithDebInfo). The emulator and the notification
# server come from BENCH_BUILD (default: the program's own build folder, else build/release), so the
# program of another checkout can be measured against the same ones.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
APP=${1:-}
SECONDS_TO_RUN=${2:-60}
SECTIONS=${SECTIONS:-200}
QUIET=${QUIET:-5}
SETTLE=${SETTLE:-10}

if [[ -z "$APP" ]]; then
  if [[ ! -f "$ROOT/build/release/build.ninja" ]]; then
    cmake --preset release -S "$ROOT" >/dev/null
  fi
  cmake --build "$ROOT/build/release" -j2 --target redozevuviva graph-emulator bench_notification_server >/dev/null
  APP="$ROOT/build/release/src/app/redozevuviva"
fi
BUILD=${BENCH_BUILD:-$(cd "$(dirname "$APP")/../.." && pwd)}
[[ -x "$BUILD/tools/graph-emulator/graph-emulator" ]] || BUILD="$ROOT/build/release"
EMULATOR="$BUILD/tools/graph-emulator/graph-emulator"
NOTIFIER="$BUILD/bench/bench_notification_server"
for tool in "$EMULATOR" "$NOTIFIER"; do
  [[ -x "$tool" ]] || { echo "idle: $tool is missing (build graph-emulator and bench_notification_server)"; exit 1; }
done

TMP=$(mktemp -d)
PID= EMU= BUS= NOTIFY= WATCH= XVFB=
cleanup() {
  for p in $WATCH $PID $NOTIFY $EMU $BUS $XVFB; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$TMP"
}
trap cleanup EXIT
DATA="$TMP/data/Tidewell/RedoZevuviva"
mkdir -p "$DATA" "$TMP/config"

# The session bus and its notification server.
dbus-daemon --session --nofork --nopidfile --print-address=1 --address="unix:path=$TMP/bus" >"$TMP/bus.address" &
BUS=$!
for _ in $(seq 100); do [[ -s "$TMP/bus.address" ]] && break; sleep 0.05; done
BUS_ADDRESS=$(head -1 "$TMP/bus.address")
PLATFORM=(QT_QPA_PLATFORM=offscreen)
TRAY=
if command -v Xvfb >/dev/null; then
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$TMP/display" 2>"$TMP/xvfb.log" &
  XVFB=$!
  for _ in $(seq 100); do [[ -s "$TMP/display" ]] && break; sleep 0.05; done
  PLATFORM=(QT_QPA_PLATFORM=xcb DISPLAY=":$(head -1 "$TMP/display")")
  TRAY=--tray
fi
DBUS_SESSION_BUS_ADDRESS="$BUS_ADDRESS" QT_QPA_PLATFORM=offscreen "$NOTIFIER" $TRAY >"$TMP/notify.log" 2>&1 &
NOTIFY=$!
for _ in $(seq 100); do grep -q serving "$TMP/notify.log" 2>/dev/null && break; sleep 0.05; done
grep -q serving "$TMP/notify.log" || { echo "idle: no notification server:"; cat "$TMP/notify.log"; exit 1; }

# The account: notebooks of twenty sections, each section a reminder page a month ahead and a page
# without one, and one tag page.
python3 - "$SECTIONS" >"$TMP/fixture.json" <<'PY'
import json, sys
sections = int(sys.argv[1])
notebooks = []
for s in range(sections):
    if s % 20 == 0:
        notebooks.append({"displayName": f"Notebook {s // 20}", "sections": []})
    pages = [{"id": f"page-{s}-a", "title": f"Task {s} !{{{{now+30d}}}}"},
             {"id": f"page-{s}-b", "title": f"Notes {s}", "paragraphs": ["Nothing due."]}]
    if s == 0:
        pages.append({"id": "page-tags", "title": "!Tags", "paragraphs": [
            {"text": "Call back !{{now+20d}}", "tags": ["to-do"]}]})
    notebooks[-1]["sections"].append({"displayName": f"Section {s}", "id": f"section-{s}", "pages": pages})
print(json.dumps({
    "user": {"id": "b3e1c0de5a7f4d21", "userPrincipalName": "idle@example.com", "displayName": "Idle"},
    "tokens": {"accessTokens": ["EwB.idle+access/1=="], "refreshTokens": ["M.R3_BAY.idle+refresh/1"],
               "expiresIn": 3600},
    "notebooks": notebooks}))
PY
"$EMULATOR" --port 0 --fixture "$TMP/fixture.json" >"$TMP/port" 2>"$TMP/emulator.log" &
EMU=$!
for _ in $(seq 100); do [[ -s "$TMP/port" ]] && break; sleep 0.05; done
BASE="http://127.0.0.1:$(head -1 "$TMP/port")"
python3 "$ROOT/bench/seed-reminders.py" "$DATA" --count 0 \
  --settings OnlineOneNoteAccessToken=EwB.idle+access/1== --settings OnlineOneNoteRefreshToken=M.R3_BAY.idle+refresh/1 \
  --settings OnlineOneNoteUserId=b3e1c0de5a7f4d21 --settings OnlineOneNoteUserPrincipalName=idle@example.com \
  --settings GraphEndpoint="$BASE" --settings IdentityEndpoint="$BASE" --settings AccountEndpoint="$BASE"

env HOME="$TMP" XDG_DATA_HOME="$TMP/data" XDG_CONFIG_HOME="$TMP/config" XDG_RUNTIME_DIR="$TMP" \
  "${PLATFORM[@]}" DBUS_SESSION_BUS_ADDRESS="$BUS_ADDRESS" "$APP" >"$TMP/app.log" 2>&1 &
PID=$!

requests() { python3 -c 'import json,sys,urllib.request; print(json.load(urllib.request.urlopen(sys.argv[1]+"/_emulator/counters"))["total"])' "$BASE"; }
# Nanoseconds on a CPU, summed over the agent's threads.
cpu_ns() { cat /proc/"$PID"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {printf "%d", s}'; }
# A file replaced meanwhile (its temporary copy gone between listing and reading) is no failure.
newest() { { find "$TMP/data" -type f -printf '%T@\n' 2>/dev/null || true; } | sort -n | tail -1; }
alive() { kill -0 "$PID" 2>/dev/null || { echo "idle: the app exited early:"; cat "$TMP/app.log"; exit 1; }; }

# The first sync has ended once every section's page list and the reminders are stored and neither
# the emulator nor the data folder has seen anything new for QUIET seconds.
START=$(date +%s)
LAST_REQ=-1 LAST_FILE= QUIET_SINCE=$START
while :; do
  alive
  now=$(date +%s) req=$(requests) file=$(newest)
  if [[ "$req" != "$LAST_REQ" || "$file" != "$LAST_FILE" ]]; then
    LAST_REQ=$req LAST_FILE=$file QUIET_SINCE=$now
  elif (($({ find "$TMP/data" -name pages.json 2>/dev/null || true; } | wc -l) >= SECTIONS)) && grep -q "Task" "$DATA/Reminders.plist" 2>/dev/null &&
    ((now - QUIET_SINCE >= QUIET)); then
    break
  fi
  ((now - START > 600)) && { echo "idle: the first sync did not end within 600 s"; cat "$TMP/app.log"; exit 1; }
  sleep 1
done
SYNCED=$(($(date +%s) - START))
sleep "$SETTLE"
alive

# Every file the agent writes while measured, polled once a second: one line per change seen.
touch "$TMP/mark"
(
  while :; do
    sleep 1
    touch "$TMP/mark.next"
    find "$TMP/data" -type f -newer "$TMP/mark" ! -newer "$TMP/mark.next" -printf '%P\n' >>"$TMP/writes" 2>/dev/null || true
    mv "$TMP/mark.next" "$TMP/mark"
  done
) &
WATCH=$!

# Nanoseconds on a CPU of each thread, by thread id and name.
# A thread that ends between the listing and the reading is left out.
threads() {
  for t in /proc/"$PID"/task/*; do
    { name=$(tr ' ' _ <"$t/comm") && ns=$(cut -d' ' -f1 "$t/schedstat"); } 2>/dev/null && echo "${t##*/} $name $ns"
  done | sort
}
threads >"$TMP/threads.start"
START_NS=$(cpu_ns) START_REQ=$(requests)
sleep "$SECONDS_TO_RUN"
alive
END_NS=$(cpu_ns) END_REQ=$(requests)
threads >"$TMP/threads.end"
kill "$WATCH" 2>/dev/null || true
WATCH=
PEAK_KB=$(awk '/^VmHWM/ {print $2}' "/proc/$PID/status")
touch "$TMP/writes"
WRITES=$(wc -l <"$TMP/writes")
MOST=$(sort "$TMP/writes" | uniq -c | sort -rn | head -1 | awk '{print $1, $2}')

awk -v s="$START_NS" -v e="$END_NS" -v t="$SECONDS_TO_RUN" -v kb="$PEAK_KB" -v synced="$SYNCED" \
    -v sections="$SECTIONS" -v platform="${PLATFORM[0]#QT_QPA_PLATFORM=}${TRAY:+ with a status notifier watcher}" -v req=$((END_REQ - START_REQ)) -v writes="$WRITES" -v most="${MOST:-0 none}" 'BEGIN {
  idle = (e - s) / 1e9;
  split(most, m, " ");
  printf "platform: %s; first sync of %d sections: %d s\n", platform, sections, synced;
  printf "idle over %d s: %.4f CPU s = %.3f%% of one core (target < 0.1%%)\n", t, idle, 100 * idle / t;
  printf "files written: %d changes seen; most often %s, %d times (target: at most once a minute)\n", writes, m[2], m[1];
  printf "requests to the service while idle: %d\n", req;
  printf "peak RSS: %.1f MB (target < 80 MB)\n", kb / 1024;
}'
join "$TMP/threads.start" "$TMP/threads.end" | awk -v t="$SECONDS_TO_RUN" '$5 > $3 {
  printf "  thread %s: %.4f CPU s = %.3f%%\n", $2, ($5 - $3) / 1e9, 100 * ($5 - $3) / 1e9 / t }'
