# Tests that play or record through a real sound server run against both
# servers that desktops use: PulseAudio and PipeWire's PulseAudio service. Each
# fixture is a private server with a null sink, started and stopped by CTest;
# one that cannot be started fails its tests.
# The sanitizer build checks the program's own memory, which is the same with
# either server, so it may run against one of them only.
set(QUAVERN_SOUND_SERVERS pulseaudio pipewire CACHE STRING
    "Sound servers the sound-server tests run against")
set(QUAVERN_SOUND_SERVER_SCRIPT ${PROJECT_SOURCE_DIR}/playback/tests/sound_server.sh)
# A test main with the application object that sound devices need on the
# calling thread; window tests bring their own.
set(QUAVERN_SOUND_TEST_MAIN ${PROJECT_SOURCE_DIR}/playback/tests/qt_test_main.cpp)

# A short path keeps the socket name within the limit for unix sockets.
function(add_sound_server_fixture name server out_state_dir)
  string(MD5 hash "${CMAKE_CURRENT_BINARY_DIR}/${name}")
  string(SUBSTRING "${hash}" 0 10 hash)
  set(state_dir "/tmp/quavern-sound-${hash}")
  set(script ${QUAVERN_SOUND_SERVER_SCRIPT})
  add_test(NAME sound.${name}.start COMMAND ${script} start ${server} ${state_dir})
  add_test(NAME sound.${name}.stop COMMAND ${script} stop ${server} ${state_dir})
  set_tests_properties(sound.${name}.start PROPERTIES FIXTURES_SETUP ${name})
  set_tests_properties(sound.${name}.stop PROPERTIES FIXTURES_CLEANUP ${name})
  set(${out_state_dir} ${state_dir} PARENT_SCOPE)
endfunction()

# A test program built from the sources that follow (a main among them), run
# once against each server; its tests share one private server per run and run
# one at a time. Tests are named PREFIX.SERVER.TEST. Link what the tests need to
# `target` afterwards.
function(add_sound_server_tests target prefix fixture)
  add_executable(${target} ${ARGN})
  target_link_libraries(${target} PRIVATE GTest::gtest Qt6::Core quavern::warnings)
  foreach(server IN LISTS QUAVERN_SOUND_SERVERS)
    set(name ${fixture}_${server})
    add_sound_server_fixture(${name} ${server} state_dir)
    gtest_discover_tests(${target}
      TEST_PREFIX ${prefix}.${server}.
      DISCOVERY_MODE PRE_TEST
      PROPERTIES
        FIXTURES_REQUIRED ${name}
        RESOURCE_LOCK ${name}
        # One variable only: gtest_discover_tests splits a list of several.
        # Clients need no runtime directory once they are told the server's socket.
        ENVIRONMENT "PULSE_SERVER=unix:${state_dir}/native")
  endforeach()
endfunction()
