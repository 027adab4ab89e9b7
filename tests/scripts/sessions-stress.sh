#!/bin/bash
# Wine sessions started all at once while busy loops keep every core loaded,
# the way a test run on a shared two-core machine starts them: every start
# must come up (status, a display of its own, a Windows program and the
# display answering), a stale PID file in another directory must stop none
# of them, and every stop must leave none of their processes behind.
#
#   sessions-stress.sh WINE_SESSION WORKDIR
#
# The sessions copy the template that $WINE_SESSION_TEMPLATE names (a
# session's environment names its own: CTest runs this inside one), else
# wine-session's usual one. Only what this script starts is stopped: its
# sessions by their directories, its loops by their PIDs.
set -u
# The sessions' Windows programs are 32-bit: on some machines they run only
# through scripts/with-i386.
[ -n "${SETUP_I386:-}" ] || exec "$(dirname "$0")/../../scripts/with-i386" "$0" "$@"
ws=$1
mkdir -p "$2" || exit 1
work=$(mktemp -d "$2/stress.XXXXXX") || exit 1

# Eight sessions; under the emulator a Windows program costs many times
# more, and four load the cores as much.
count=8
[ "$SETUP_I386" = qemu ] && count=4
rounds=3
loops=$((2 * $(nproc)))

hogs=()
dirs=()
cleanup() {
  [ ${#hogs[@]} -eq 0 ] || kill "${hogs[@]}" 2>/dev/null
  local d
  for d in "${dirs[@]}"; do "$ws" stop "$d" >/dev/null 2>&1; done
  rm -rf "$work"
}
trap cleanup EXIT

fails=0
fail() {
  fails=$((fails + 1))
  echo "FAIL $*"
}

# The first word of a PID file: the process to look for after the stop.
pid_in() {
  local pid
  read -r pid _ 2>/dev/null <"$1" && echo "$pid"
}

gone() { # PID: no such process, or one that has ended and waits to be reaped
  local state
  read -r _ _ state _ 2>/dev/null <"/proc/$1/stat" || return 0
  [ "$state" = Z ]
}

# A session's processes, for the check after its stop.
procs_of() { echo "$(pid_in "$1/xvfb.pid") $(pid_in "$1/wineserver.pid")"; }

start_all() { # -> up: the sessions that came up
  local i rc starts=()
  for i in $(seq 1 "$count"); do
    "$ws" start "$work/s$i" >"$work/s$i.start" 2>&1 &
    starts+=($!)
  done
  up=()
  for i in $(seq 1 "$count"); do
    wait "${starts[$((i - 1))]}"
    rc=$?
    if [ $rc -ne 0 ]; then
      fail "round $round, session $i: start: exit $rc, expected 0: $(tail -n1 "$work/s$i.start")"
    elif ! "$ws" status "$work/s$i" >/dev/null; then
      fail "round $round, session $i: start said up, status says down"
    else
      up+=("$i")
    fi
  done
}

# Each its own display; a Windows program that ran gives its exit code back.
check_all() {
  local i d n=0 got runs=()
  local -A display_of
  for i in "${up[@]}"; do
    d=$(sed -n "s/^export DISPLAY='\(.*\)'$/\1/p" "$work/s$i/session.env")
    [ -z "${display_of[$d]:-}" ] ||
      fail "round $round, session $i: DISPLAY $d, which session ${display_of[$d]} has"
    display_of[$d]=$i
    # shellcheck disable=SC2016 # expanded in the session's environment
    "$ws" exec "$work/s$i" sh -c '"$WINELOADER" cmd.exe /c exit 7; echo "cmd.exe: exit $?"
      import -display "$DISPLAY" -window root -crop 1x1+0+0 null: && echo "display: answers"' \
      >"$work/s$i.run" 2>&1 </dev/null &
    runs+=($!)
  done
  for i in "${up[@]}"; do
    wait "${runs[$n]}"
    n=$((n + 1))
    got=$(grep -E '^(cmd.exe|display): ' "$work/s$i.run" | tr '\n' ' ')
    [ "$got" = "cmd.exe: exit 7 display: answers " ] ||
      fail "round $round, session $i: got \"$got\", expected \"cmd.exe: exit 7 display: answers\""
  done
}

# PID files as a stopped session may leave them, each row naming the
# processes of another running session: 1. PIDs alone (as written before
# start times were kept), 2. PIDs with a start time that is not theirs.
# Their stop leaves that session up.
check_stale() {
  local row f victim stale=("" " 1")
  for row in 1 2; do
    victim=$work/s${up[$(((row - 1) % ${#up[@]}))]}
    mkdir -p "$work/stale$row"
    for f in xvfb.pid wineserver.pid; do
      echo "$(pid_in "$victim/$f")${stale[$((row - 1))]}" >"$work/stale$row/$f"
    done
    "$ws" stop "$work/stale$row" >/dev/null 2>&1
    "$ws" status "$victim" >/dev/null || fail "stale PID files $row: their stop took down $victim"
  done
}

stop_all() {
  local i pid stops=() procs=()
  for i in $(seq 1 "$count"); do
    procs+=("$(procs_of "$work/s$i")")
    "$ws" stop "$work/s$i" >"$work/s$i.stop" 2>&1 &
    stops+=($!)
  done
  for i in $(seq 1 "$count"); do
    wait "${stops[$((i - 1))]}" || fail "round $round, session $i: stop: $(tail -n1 "$work/s$i.stop")"
    for pid in ${procs[$((i - 1))]}; do
      gone "$pid" || fail "round $round, session $i: process $pid still runs after the stop"
    done
  done
}

for i in $(seq 1 "$count"); do dirs+=("$work/s$i"); done
# Each loop ends with this script, even one killed before it could stop them.
for _ in $(seq 1 "$loops"); do
  while [ -e "/proc/$$" ]; do :; done &
  hogs+=($!)
done
# Rounds: a wait that gives up too early fails about one start in ten here.
began=$SECONDS
for round in $(seq 1 "$rounds"); do
  start_all
  check_all
  [ "$round" -gt 1 ] || [ ${#up[@]} -eq 0 ] || check_stale
  stop_all
done

echo "sessions-stress: $rounds rounds of $count sessions started at once beside $loops" \
  "busy loops: $((SECONDS - began)) s, $fails failed checks"
[ $fails -eq 0 ]
