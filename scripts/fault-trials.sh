#!/usr/bin/env bash
# Kill -9 trials: the real program on a temporary data set (a large track log
# fed by a live NMEA receiver on a pseudo-terminal, waypoints made with the
# mouse) is killed with SIGKILL at a random moment while it writes its stores,
# alternately during the minute's autosave and during the exit after SIGTERM.
# After each kill every file must hold either its old or a new, whole content,
# and the program must start on the files again.
#
#   scripts/fault-trials.sh [ROUNDS] [PARALLEL]     (defaults 50 and 4)
#
# Needs build/vornamap and build/tools/make-sample-region, an X server on
# $DISPLAY (default :16, e.g. "Xvfb :16 &"), xdotool and python3.
# TRIAL_POINTS sets the track log's size (default 2000000 points, 48 MB);
# TRIAL_KEEP=1 keeps the folders of the rounds. Not part of the test suite:
# autosave rounds wait for the minute.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
rounds=${1:-50}
parallel=${2:-4}
points=${TRIAL_POINTS:-2000000}
export DISPLAY=${DISPLAY:-:16}
program=$build/vornamap
for need in "$program" "$build/tools/make-sample-region"; do
  [ -x "$need" ] || { echo "missing $need (build first)" >&2; exit 2; }
done
command -v xdotool >/dev/null && command -v python3 >/dev/null || { echo "needs xdotool and python3" >&2; exit 2; }
xdotool getdisplaygeometry >/dev/null 2>&1 || { echo "no X server on $DISPLAY" >&2; exit 2; }

work=$(mktemp -d /tmp/vorna-fault-XXXXXX)
base=$work/base
"$build/tools/make-sample-region" "$base" --size 1 >/dev/null 2>&1 || { echo "sample region failed" >&2; exit 2; }
python3 - "$base/TrackLog.dat" "$points" <<'EOF'
import struct, sys
path, n = sys.argv[1], int(sys.argv[2])
with open(path, "wb") as f:
    chunk = []
    for i in range(n):
        chunk.append(struct.pack("<ddii", 510000.0 + i % 10000, 5070000.0 + (i // 10000) % 10000,
                                 1000000000 + i, 1 if i % 5000 == 0 else 0))
        if len(chunk) == 100000:
            f.write(b"".join(chunk)); chunk = []
    f.write(b"".join(chunk))
EOF

# A receiver on a pseudo-terminal: five fixes a second, moving north.
feeder='
import os, pty, sys, time, tty
m, s = pty.openpty()
tty.setraw(s)
os.set_blocking(m, False)
with open(sys.argv[1], "w") as f: f.write(os.ttyname(s))
lat = 4605.0
while True:
    t = time.gmtime()
    body = "GPGGA,%02d%02d%02d.00,%09.4f,N,01508.0000,E,1,08,0.9,300.0,M,44.0,M,," % (t.tm_hour, t.tm_min, t.tm_sec, lat)
    cs = 0
    for ch in body: cs ^= ord(ch)
    try: os.write(m, ("$%s*%02X\r\n" % (body, cs)).encode())
    except OSError: pass
    lat += 0.0005
    time.sleep(0.2)
'

# Every file is its old content or a whole new one: logs and bases only grow
# by whole records behind what they held, counters keep their size, the
# settings file keeps its sections.
checker='
import os, sys
old, new = sys.argv[1], sys.argv[2]
bad, temps, changed = [], [], 0
for root, dirs, files in os.walk(new):
    for name in files:
        p = os.path.join(root, name)
        rel = os.path.relpath(p, new)
        if ".tmp" in name:
            temps.append(rel); continue
        o = os.path.join(old, rel)
        data = open(p, "rb").read()
        before = open(o, "rb").read() if os.path.exists(o) else None
        if data == before: continue
        changed += 1
        if name == "TrackLog.dat" or name.endswith(".wdb"):
            size = 24 if name == "TrackLog.dat" else 64
            if len(data) % size or (before is not None and not data.startswith(before)):
                bad.append("%s: %d bytes" % (rel, len(data)))
        elif name in ("WAutoCnt.dat", "WAutoDel.dat"):
            if len(data) != 785 * 4: bad.append("%s: %d bytes" % (rel, len(data)))
        elif name == "vornamap.ini":
            if b"[PREFERENCES]" not in data or b"Location 0 Of Wpt Base=" not in data: bad.append(rel)
        elif name == "SearchArea.dat":
            if before is not None and len(data) != len(before): bad.append("%s: %d bytes" % (rel, len(data)))
        elif name == "LayerSchemes.cfg":
            if not data.endswith(b"\n"): bad.append(rel)
for root, dirs, files in os.walk(old):
    for name in files:
        rel = os.path.relpath(os.path.join(root, name), old)
        if name in ("TrackLog.dat", "WAutoCnt.dat", "WAutoDel.dat", "vornamap.ini") and not os.path.exists(os.path.join(new, rel)):
            bad.append(rel + " gone")
print(("BAD " + "; ".join(bad)) if bad else "ok", "new-content=%d" % changed, "stale-temporaries=%d" % len(temps))
'

ms() { date +%s%3N; }

round() {
  local k=$1 mode
  if [ $((k % 2)) -eq 1 ]; then mode=autosave; else mode=exit; fi
  local run=$work/r$k
  cp -a "$base" "$run"
  sed -i "s#$base/#$run/#g" "$run/config/vornamap.ini"
  python3 -c "$feeder" "$run/pty" & local feed=$!
  for _ in $(seq 100); do [ -s "$run/pty" ] && break; sleep 0.05; done
  sed -i "s#^\[PREFERENCES\]\$#[PREFERENCES]\nGPS Enabled=1\nGPS Port=$(cat "$run/pty")\nGPS Log Interval Seconds=1#" \
    "$run/config/vornamap.ini"
  cp -a "$run" "$run.old"
  local env=(HOME=$run XDG_CONFIG_HOME=$run/config VORNAMAP_DATA_DIR=$run)
  env "${env[@]}" "$program" >"$run.log" 2>&1 & local pid=$!
  local win=""
  for _ in $(seq 300); do
    win=$(xdotool search --pid $pid --onlyvisible --name Vornamap 2>/dev/null | head -1)
    [ -n "$win" ] && break; sleep 0.1
  done
  if [ -z "$win" ]; then
    echo "round $k $mode: FAIL no main window"; kill -9 $pid $feed 2>/dev/null; return
  fi
  # Windows of parallel rounds overlap: one round clicks at a time, on top.
  (
    flock 9
    xdotool windowraise "$win" 2>/dev/null
    for _ in 1 2 3; do
      xdotool mousemove --window "$win" $((200 + RANDOM % 800)) $((150 + RANDOM % 500)) click 1 2>/dev/null
      sleep 0.3
    done
  ) 9>"$work/click.lock"
  sleep 2
  local start; start=$(ms)
  [ $mode = exit ] && kill -TERM $pid
  # The kill falls at a random moment once a write has begun.
  local seen=""
  while kill -0 $pid 2>/dev/null && [ $(( $(ms) - start )) -lt 90000 ]; do
    if compgen -G "$run/*.tmp-*" >/dev/null || compgen -G "$run/wpt/*.tmp-*" >/dev/null; then seen=1; break; fi
    sleep 0.002
  done
  local delay=$((RANDOM % 400)) outcome
  [ -n "$seen" ] && sleep "0.$(printf %03d $delay)"
  if ! kill -9 $pid 2>/dev/null; then
    outcome="ended before the kill"
  elif [ -n "$seen" ]; then
    outcome="killed ${delay}ms after the first temporary"
  else
    outcome="killed after 90 s without a write"
  fi
  wait $pid 2>/dev/null
  kill $feed 2>/dev/null; wait $feed 2>/dev/null
  local verdict; verdict=$(python3 -c "$checker" "$run.old" "$run")
  # The receiver is gone: the next start must not wait on its port.
  sed -i 's/^GPS Enabled=1$/GPS Enabled=0/' "$run/config/vornamap.ini"
  local rc
  env "${env[@]}" VORNA_EXIT_AFTER_FIRST_PAINT=1 timeout 60 "$program" >>"$run.log" 2>&1; rc=$?
  local restart="restart ok"; [ $rc -eq 0 ] || restart="restart FAIL rc=$rc"
  echo "round $k $mode: $outcome; files $verdict; $restart"
  [ "${TRIAL_KEEP:-0}" = 1 ] || [[ "$verdict $restart" == *BAD* || "$restart" == *FAIL* ]] ||
    rm -rf "$run" "$run.old" "$run.log"
}

echo "data set: $work (track log of $points points)"
{
  for ((k = 1; k <= rounds; k++)); do
    round $k &
    while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n; done
  done
  wait
} | tee "$work/results.txt"
total=$(grep -c '^round' "$work/results.txt")
bad=$(grep -c 'BAD\|FAIL' "$work/results.txt")
echo "rounds: $total, with a damaged file or a failed start: $bad"
sum() { grep -o "$1=[0-9]*" "$work/results.txt" | awk -F= '{s+=$2} END {print s+0}'; }
echo "killed while writing: $(grep -c 'after the first temporary' "$work/results.txt"), files found with new content: $(sum new-content), stale temporaries left: $(sum stale-temporaries)"
[ "$bad" -eq 0 ]
