#!/usr/bin/env bash
# Starts or stops a private JACK server for the MIDI keyboard tests:
#   jack_server.sh start|stop SERVER_NAME STATE_DIR
# The server runs on its dummy backend (no sound card needed) at 48 kHz with a
# short period, so MIDI messages wait at most 128 frames, 2.7 ms, to be read.
# Clients reach it with JACK_DEFAULT_SERVER=SERVER_NAME. Without realtime
# scheduling, which containers and CI machines do not grant.
# STATE_DIR/jackd.pid holds the server's process; STATE_DIR/jackd.log its output.
set -Eeuo pipefail

action=${1:-}
name=${2:-}
state_dir=${3:-}
start_timeout_s=10

usage() {
  echo "usage: $0 start|stop SERVER_NAME STATE_DIR" >&2
  exit 2
}

running() {
  local pid=$1
  [[ -r /proc/$pid/stat ]] && [[ $(cut -d' ' -f3 "/proc/$pid/stat") != Z ]]
}

stop_server() {
  local pid_file="$state_dir/jackd.pid"
  [[ -f "$pid_file" ]] || return 0
  local pid
  pid=$(<"$pid_file")
  rm -f "$pid_file"
  # A process id is reused once its process has gone.
  [[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == jackd ]] || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 30); do
    running "$pid" || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

fail() {
  echo "*** jackd could not be started: $* ***" >&2
  [[ -s "$state_dir/jackd.log" ]] && tail -n 20 "$state_dir/jackd.log" >&2
  stop_server
  exit 1
}

start_server() {
  stop_server
  mkdir -p "$state_dir"
  command -v jackd >/dev/null || fail "jackd is not installed (run scripts/install-deps)"
  setsid jackd --no-realtime --name "$name" -d dummy -r 48000 -p 128 \
    </dev/null >"$state_dir/jackd.log" 2>&1 &
  echo $! >"$state_dir/jackd.pid"
  for _ in $(seq $((start_timeout_s * 10))); do
    JACK_DEFAULT_SERVER=$name JACK_NO_START_SERVER=1 jack_lsp >/dev/null 2>&1 && return 0
    running "$(<"$state_dir/jackd.pid")" || fail "it exited"
    sleep 0.1
  done
  fail "no answer after ${start_timeout_s} s"
}

[[ -n "$name" && -n "$state_dir" ]] || usage
case "$action" in
  start) start_server ;;
  stop) stop_server ;;
  *) usage ;;
esac
