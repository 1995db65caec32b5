# Windows program resources: the program icon, the version information and
# the application manifest (no elevation, per-monitor display density
# awareness, themed common controls).
#
#   quavern_add_windows_resources(<target>)
#
# adds them to <target> when building for Windows and does nothing elsewhere.
# Calling it more than once for a target adds them once.
include_guard(GLOBAL)

get_filename_component(_quavern_source_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

function(quavern_add_windows_resources target)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(added ${target} QUAVERN_WINDOWS_RESOURCES)
  if(added)
    return()
  endif()

  set(windows_dir "${_quavern_source_root}/app/windows")
  set(QUAVERN_RC_ICON "${_quavern_source_root}/app/icons/quavern.ico")
  set(manifest "${windows_dir}/quavern.manifest")
  if(MSVC)
    # The MSVC linker merges .manifest sources into the one it embeds; a
    # second copy in the resource script would clash with it.
    set(QUAVERN_RC_MANIFEST "")
    target_sources(${target} PRIVATE "${manifest}")
  else()
    # 1 = CREATEPROCESS_MANIFEST_RESOURCE_ID, 24 = RT_MANIFEST
    set(QUAVERN_RC_MANIFEST "1 24 \"${manifest}\"")
  endif()

  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.rc")
  configure_file("${windows_dir}/quavern.rc.in" "${rc}" @ONLY)
  target_sources(${target} PRIVATE "${rc}")
  set_target_properties(${target} PROPERTIES
    WIN32_EXECUTABLE ON
    QUAVERN_WINDOWS_RESOURCES ON)
endfunction()
