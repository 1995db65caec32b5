#!/usr/bin/env bash
# Runs the playback benchmark against each sound server in turn, a private
# PulseAudio and a private PipeWire, each with a null sink, the same set-up the
# sound tests use:
#   run_playback_bench.sh BUILD_DIR [benchmark options]
set -euo pipefail
build_dir=$(realpath "$1")
shift
here=$(dirname "$(realpath "$0")")
server_script="$here/../tests/sound_server.sh"
bench="$build_dir/playback/bench/quavern_playback_bench"

state_dir=""
server=""
stop_server() {
  if [[ -n "$state_dir" ]]; then
    "$server_script" stop "$server" "$state_dir"
    rm -rf "$state_dir"
  fi
  state_dir=""
}
trap stop_server EXIT

for server in pulseaudio pipewire; do
  state_dir=$(mktemp -d /tmp/quavern-bench.XXXXXX)
  started=$(date +%s%N)
  "$server_script" start "$server" "$state_dir"
  echo "== $server: private server started in $((($(date +%s%N) - started) / 1000000)) ms"
  PULSE_SERVER="unix:$state_dir/native" "$bench" "$@"
  stop_server
done
