#!/usr/bin/env bash
# Starts or stops a private sound server for the sound tests and the benchmark:
#   sound_server.sh start|stop pulseaudio|pipewire STATE_DIR
# The server runs as the calling user (root on a headless machine has no login
# session) with its runtime directory and home inside STATE_DIR, and takes
# clients on unix:STATE_DIR/native. It gets one null sink at 48 kHz mono made
# the default sink (Qt opens the default sink and ignores PULSE_SINK), and a
# pacat feeding that sink silence, because an idle null sink records nothing.
# STATE_DIR/server.pid holds the process that serves the socket, so that a test
# can hang it or kill it.
# A server that cannot be started fails start, loudly, with its logs.
set -Eeuo pipefail

action=${1:-}
server=${2:-}
state_dir=${3:-}
sink=quavern_null
start_timeout_s=10

export XDG_RUNTIME_DIR="$state_dir/runtime"
export HOME="$state_dir/home"
export PULSE_SERVER="unix:$state_dir/native"

usage() {
  echo "usage: $0 start|stop pulseaudio|pipewire STATE_DIR" >&2
  exit 2
}

# The process that clients talk to.
server_command() {
  case "$server" in
    pulseaudio) echo pulseaudio ;;
    pipewire) echo pipewire-pulse ;;
  esac
}

# Starts a daemon in a session of its own, its output in STATE_DIR/NAME.log and
# its process id in STATE_DIR/NAME.pid:  launch NAME COMMAND [ARGUMENT...]
launch() {
  local name=$1
  shift
  setsid "$@" </dev/null >"$state_dir/$name.log" 2>&1 &
  echo $! >"$state_dir/$name.pid"
}

running() {
  local pid=$1
  [[ -r /proc/$pid/stat ]] && [[ $(cut -d' ' -f3 "/proc/$pid/stat") != Z ]]
}

# Ends a launched daemon, if the recorded process is still that command (a
# process id is reused once its process has gone):  stop_launched NAME COMMAND
stop_launched() {
  local pid_file="$state_dir/$1.pid"
  [[ -f "$pid_file" ]] || return 0
  local pid
  pid=$(<"$pid_file")
  rm -f "$pid_file"
  [[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == "$2" ]] || return 0
  # A test may have left it stopped; a stopped process does not act on TERM.
  kill -CONT "$pid" 2>/dev/null || true
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 30); do
    running "$pid" || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

stop_server() {
  stop_launched pacat pacat
  stop_launched server "$(server_command)"
  stop_launched wireplumber wireplumber
  stop_launched pipewire pipewire
  stop_launched dbus dbus-daemon
}

fail() {
  trap - ERR
  echo "*** $server could not be started: $* ***" >&2
  for log in "$state_dir"/*.log; do
    [[ -s "$log" ]] || continue
    echo "--- $(basename "$log")" >&2
    tail -n 20 "$log" >&2
  done
  stop_server
  exit 1
}

# Polls COMMAND until it succeeds:  wait_for WHAT COMMAND [ARGUMENT...]
wait_for() {
  local what=$1
  shift
  for _ in $(seq $((start_timeout_s * 10))); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  fail "no $what after ${start_timeout_s} s"
}

require_commands() {
  local missing=()
  for command in "$@"; do
    command -v "$command" >/dev/null || missing+=("$command")
  done
  [[ ${#missing[@]} -eq 0 ]] || fail "not installed: ${missing[*]} (run scripts/install-deps)"
}

start_pulseaudio() {
  require_commands pulseaudio pactl pacat parec
  # User mode; -n skips the default script, so no device is probed. Without
  # shared memory: PulseAudio 16 now and then loses track of a client's memfd
  # block ("Cannot send block reference with non-registered memfd ID") and
  # then aborts on an assertion in memblock_free(), which fails every later
  # test of the fixture. Copied over the socket, the blocks sound the same.
  launch server pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr \
    --disable-shm=yes -L "module-native-protocol-unix auth-anonymous=1 socket=$state_dir/native"
  wait_for "PulseAudio answering on $PULSE_SERVER" pactl info
  # A sink without rewinds renders every sample once, so its monitor records
  # exactly what was played.
  null_sink_options=(norewinds=1)
}

# The session manager would look for sound cards, cameras and bluetooth; the
# private server has a null sink only.
write_wireplumber_config() {
  local config="$HOME/.config/wireplumber"
  mkdir -p "$config/main.lua.d" "$config/bluetooth.lua.d"
  printf '%s\n' 'alsa_monitor.enabled = false' 'v4l2_monitor.enabled = false' \
    'libcamera_monitor.enabled = false' >"$config/main.lua.d/60-no-devices.lua"
  echo 'bluez_monitor.enabled = false' >"$config/bluetooth.lua.d/60-no-devices.lua"
}

start_pipewire() {
  require_commands pipewire wireplumber pipewire-pulse dbus-launch pactl pacat parec
  write_wireplumber_config
  # The session manager needs a session bus; root on a headless machine has none.
  local bus
  bus=$(dbus-launch --sh-syntax </dev/null) || fail "dbus-launch failed"
  eval "$bus"
  echo "$DBUS_SESSION_BUS_PID" >"$state_dir/dbus.pid"
  launch pipewire pipewire
  wait_for "PipeWire socket" test -S "$XDG_RUNTIME_DIR/pipewire-0"
  launch wireplumber wireplumber
  # PULSE_RUNTIME_PATH puts the PulseAudio-compatible socket at STATE_DIR/native.
  PULSE_RUNTIME_PATH="$state_dir" launch server pipewire-pulse
  wait_for "pipewire-pulse answering on $PULSE_SERVER" pactl info
  null_sink_options=()
}

default_sink_is_ours() {
  pactl info | grep -qx "Default Sink: $sink"
}

# Setting the default fails until the session manager has made its metadata.
make_sink_default() {
  pactl set-default-sink "$sink" && default_sink_is_ours
}

start_server() {
  stop_server
  rm -rf "$state_dir"
  mkdir -p "$XDG_RUNTIME_DIR" "$HOME"
  chmod 700 "$XDG_RUNTIME_DIR"
  trap 'fail "command failed at line $LINENO"' ERR
  "start_$server"
  pactl load-module module-null-sink "sink_name=$sink" format=s16le rate=48000 channels=1 \
    "${null_sink_options[@]}" >/dev/null
  wait_for "default sink $sink" make_sink_default
  launch pacat pacat --playback --raw --rate=48000 --channels=1 --format=s16le \
    "--device=$sink" /dev/zero
  sleep 0.2
  running "$(<"$state_dir/pacat.pid")" || fail "pacat could not play into $sink"
  pactl info | grep -E '^Server (Name|Version):'
}

[[ "$server" == pulseaudio || "$server" == pipewire ]] || usage
[[ -n "$state_dir" ]] || usage
case "$action" in
  start) start_server ;;
  stop) stop_server ;;
  *) usage ;;
esac
