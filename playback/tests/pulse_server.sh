#!/usr/bin/env bash
# Starts or stops a private PulseAudio server for the sound tests:
#   pulse_server.sh start|stop STATE_DIR
# The server runs in user mode (root on a headless machine has no session) with
# its socket in STATE_DIR, one null sink at 48 kHz mono as the default sink, and
# a pacat feeding it silence, because an idle null sink records nothing.
# Where PulseAudio is not installed, start leaves a marker that the tests turn
# into a loud skip instead of failing the fixture.
set -euo pipefail

action=$1
state_dir=$2
sink=quavern_null

export XDG_RUNTIME_DIR="$state_dir/runtime"
export HOME="$state_dir/home"
export PULSE_SERVER="unix:$state_dir/native"

stop_server() {
  if [[ -f "$state_dir/pacat.pid" ]]; then
    kill "$(cat "$state_dir/pacat.pid")" 2>/dev/null || true
    rm -f "$state_dir/pacat.pid"
  fi
  if [[ -f "$XDG_RUNTIME_DIR/pulse/pid" ]]; then
    pulseaudio -k 2>/dev/null || kill "$(cat "$XDG_RUNTIME_DIR/pulse/pid")" 2>/dev/null || true
  fi
}

start_server() {
  stop_server
  rm -rf "$state_dir"
  mkdir -p "$XDG_RUNTIME_DIR" "$HOME"
  chmod 700 "$XDG_RUNTIME_DIR"
  if ! command -v pulseaudio >/dev/null || ! command -v pacat >/dev/null; then
    echo "PulseAudio is not installed: the sound tests will be SKIPPED" >&2
    touch "$state_dir/unavailable"
    return 0
  fi
  pulseaudio -n --daemonize=yes --exit-idle-time=-1 --use-pid-file=yes \
    --log-target="file:$state_dir/pulse.log" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$state_dir/native" \
    -L "module-null-sink sink_name=$sink rate=48000 channels=1 norewinds=1" \
    </dev/null >/dev/null 2>&1
  for _ in $(seq 50); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
  done
  pactl set-default-sink "$sink"
  # Qt opens the default sink; keep it running so its monitor delivers data.
  setsid pacat --playback --raw --rate=48000 --channels=1 --format=s16le \
    --device="$sink" /dev/zero </dev/null >/dev/null 2>&1 &
  echo $! >"$state_dir/pacat.pid"
  pactl info | grep -q "Default Sink: $sink"
}

case "$action" in
  start) start_server ;;
  stop) stop_server ;;
  *) echo "usage: $0 start|stop STATE_DIR" >&2; exit 2 ;;
esac
