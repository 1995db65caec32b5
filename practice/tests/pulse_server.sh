#!/usr/bin/env bash
# The practice tests' sound server is the playback tests' one: the CMake
# function that declares a sound-server test looks for this script beside the
# test's sources.
exec "$(dirname "$0")/../../playback/tests/pulse_server.sh" "$@"
