#!/usr/bin/env bash
# Start-up cost of the two front ends on this machine, side by side:
#   - size of the program file (velkoran.exe as built and as shipped, stripped;
#     the Qt program, which loads the Qt libraries besides);
#   - start to window: from starting the program until its window is mapped on
#     the display (the median of RUNS starts);
#   - memory once the window shows: resident set (RSS) and proportional set
#     (PSS, shared pages split among their users) of the program's process;
#   - close to exit: from the close request (WM_CLOSE through the window
#     manager, on Alt+F4) until the process has ended, while a worker waits on a
#     server that never answers.
# The Windows program runs under Wine in a prefix of the benchmark's own
# (build/windows/wine-bench), with its session warm (desktop kept open); the Qt
# program runs on the same Xvfb display. Both talk to the native simulator.
#
#   bench/window_startup.sh [RUNS]      (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}

cmake --preset default >/dev/null
cmake --build --preset default --target velkoran velkoran-portal-sim >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target velkoran >/dev/null

exe=build/windows/app/velkoran.exe
qt=build/default/app/velkoran
prefix=build/windows/wine-bench
caption='^Velkoran by:Tressin$'

sim_pid=""
scratch=$(mktemp -d)
cleanup() {
  [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
  scripts/wine-run "$prefix" --stop
  rm -rf "$scratch"
}
trap cleanup EXIT

# start_simulator SCENARIO: sets sim_host to "127.0.0.1:PORT".
start_simulator() {
  [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
  build/default/tools/velkoran-portal-sim --scenario "$1" --port 0 >"$scratch/sim.out" &
  sim_pid=$!
  sim_host=""
  for _ in $(seq 100); do
    sim_host=$(sed -n 's/^listening on //p' "$scratch/sim.out")
    [ -n "$sim_host" ] && break
    sleep 0.05
  done
  [ -n "$sim_host" ] || { echo "window_startup: the simulator did not start" >&2; exit 1; }
  export VELKORAN_UPDATE_HOST=$sim_host VELKORAN_PORTAL_HOST=$sim_host VELKORAN_WEB_HOST=$sim_host
}

# What the simulator has received (GET /__sim/requests), through bash's own TCP.
sim_requests() {
  local port=${sim_host##*:}
  exec 3<>"/dev/tcp/127.0.0.1/$port"
  printf 'GET /__sim/requests HTTP/1.0\r\nHost: %s\r\n\r\n' "$sim_host" >&3
  cat <&3
  exec 3<&-
}

now() { date +%s.%N; }
ms_between() { awk -v a="$1" -v b="$2" 'BEGIN { print int((b - a) * 1000) }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

# wait_for_window: prints the X id of the program's mapped window.
wait_for_window() {
  local id=""
  for _ in $(seq 3000); do
    id=$(xdotool search --onlyvisible --name "$caption" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.01
  done
  return 1
}

# memory_of PID: "RSS PSS" in MiB.
memory_of() {
  local rss pss
  rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$1/status")
  pss=$(awk '/^Pss:/ { print $2 }' "/proc/$1/smaps_rollup")
  echo "$((rss / 1024)) $((pss / 1024))"
}

# close_and_wait WINDOW PID: closes the window as a user does, with Alt+F4 to
# the focused window (the window manager asks it to close); sets closed_ms to
# the time until the process ended and closed_status to its exit status. Not
# in a subshell: only this shell can wait for its child.
close_and_wait() {
  xdotool windowactivate --sync "$1" 2>/dev/null || true
  local start
  start=$(now)
  xdotool key alt+F4
  closed_status=0
  wait "$2" || closed_status=$?
  closed_ms=$(ms_between "$start" "$(now)")
}

# measure NAME COMMAND...: RUNS starts of the program; prints a result line.
measure() {
  local name=$1
  shift
  local times=() rss=() pss=()
  for _ in $(seq "$runs"); do
    local start pid window memory
    start=$(now)
    "$@" &
    pid=$!
    window=$(wait_for_window) || { echo "window_startup: no window from $name" >&2; exit 1; }
    times+=("$(ms_between "$start" "$(now)")")
    sleep 0.5  # settled
    memory=$(memory_of "$pid")
    rss+=("${memory% *}")
    pss+=("${memory#* }")
    close_and_wait "$window" "$pid"
    while xdotool search --onlyvisible --name "$caption" >/dev/null 2>&1; do sleep 0.05; done
  done
  printf '%-28s start to window %5s ms   RSS %4s MiB   PSS %4s MiB\n' "$name" \
    "$(printf '%s\n' "${times[@]}" | median)" "$(printf '%s\n' "${rss[@]}" | median)" \
    "$(printf '%s\n' "${pss[@]}" | median)"
}

# stalled_close NAME COMMAND...: closes while a worker waits on a stalled server.
stalled_close() {
  local name=$1
  shift
  start_simulator stalled
  "$@" &
  local pid=$! window
  window=$(wait_for_window)
  # A real click on 初始化 (136, 103 + half its size, at 96 DPI).
  xdotool mousemove --window "$window" 176 119 click 1
  local waiting=0
  for _ in $(seq 100); do
    if sim_requests | grep -q '/e/yz/velkoran.txt'; then
      waiting=1
      break
    fi
    sleep 0.05
  done
  [ $waiting -eq 1 ] || { echo "window_startup: the click on 初始化 sent no request" >&2; exit 1; }
  close_and_wait "$window" "$pid"
  printf '%-28s close to exit %5s ms (exit status %s) while a worker waits\n' "$name" \
    "$closed_ms" "$closed_status"
}

export XDG_RUNTIME_DIR=$scratch  # for Qt
scripts/wine-run "$prefix" --start
DISPLAY=$(cat "$prefix.session/display")
export DISPLAY
# Wine's first start of a program fills caches; not counted.
start_simulator ready
scripts/wine-run "$prefix" "$exe" &
first=$!
close_and_wait "$(wait_for_window)" "$first"

strip_copy=$scratch/velkoran-stripped.exe
x86_64-w64-mingw32-strip -o "$strip_copy" "$exe"
echo "Program files:"
printf '  velkoran.exe (Windows, static)  %6s KiB as built, %6s KiB stripped (as shipped)\n' \
  "$(($(stat -c %s "$exe") / 1024))" "$(($(stat -c %s "$strip_copy") / 1024))"
printf '  velkoran (Linux, Qt 6)           %6s KiB as built (Qt libraries loaded besides)\n' \
  "$(($(stat -c %s "$qt") / 1024))"
echo "Start-up, median of $runs starts:"
measure "velkoran.exe under Wine" scripts/wine-run "$prefix" "$exe"
measure "velkoran (Qt, xcb)" env QT_QPA_PLATFORM=xcb "$qt"
stalled_close "velkoran.exe under Wine" scripts/wine-run "$prefix" "$exe"
stalled_close "velkoran (Qt, xcb)" env QT_QPA_PLATFORM=xcb "$qt"
