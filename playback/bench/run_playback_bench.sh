#!/usr/bin/env bash
# Runs the playback benchmark against a private PulseAudio server with a null
# sink, the same set-up the sound tests use:
#   run_playback_bench.sh BUILD_DIR [benchmark options]
set -euo pipefail
build_dir=$(realpath "$1")
shift
here=$(dirname "$(realpath "$0")")
state_dir=$(mktemp -d /tmp/quavern-bench-pulse.XXXXXX)
trap '"$here/../tests/pulse_server.sh" stop "$state_dir"; rm -rf "$state_dir"' EXIT
"$here/../tests/pulse_server.sh" start "$state_dir"
PULSE_SERVER="unix:$state_dir/native" "$build_dir/playback/bench/quavern_playback_bench" "$@"
