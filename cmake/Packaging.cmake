# Installation and packaging of the program:
#   - the window's executable, its desktop entry, AppStream metadata, themed
#     icons and manual page, and the command-line exporter with its manual
#     page, laid out with GNUInstallDirs;
#   - a Debian package through CPack (cpack -G DEB), with its dependencies
#     computed from the binary by dpkg-shlibdeps;
#   - on Windows, the program's resources (icon, version, manifest).
# Included at the end of the top-level CMakeLists.txt, after app/ and export/
# have defined the `quavern` and `quavern-export` targets.
include_guard(GLOBAL)
include(GNUInstallDirs)
include("${CMAKE_CURRENT_LIST_DIR}/Windows.cmake")

# One identifier names both the desktop entry and the AppStream component.
set(QUAVERN_APP_ID "io.github.quavern.Quavern")
set(QUAVERN_ICON_SIZES 16 22 24 32 48 64 128 256)
set(QUAVERN_PACKAGE_MAINTAINER "The Quavern developers <maintainers@quavern.invalid>"
    CACHE STRING "Maintainer named in the Debian package")

set(_pkg_src "${PROJECT_SOURCE_DIR}/packaging")
set(_icon_src "${PROJECT_SOURCE_DIR}/app/icons")
set(_pkg_doc_dir "${CMAKE_INSTALL_DATADIR}/doc/quavern")

if(TARGET quavern)
  quavern_add_windows_resources(quavern)
  install(TARGETS quavern RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
else()
  message(WARNING "No quavern target (app/CMakeLists.txt defines it): "
                  "the install rules and the package leave the program out.")
endif()
if(TARGET quavern-export)
  install(TARGETS quavern-export RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
else()
  message(WARNING "No quavern-export target (export/CMakeLists.txt defines it): "
                  "the install rules and the package leave the exporter out.")
endif()

if(UNIX AND NOT APPLE)
  install(FILES "${_pkg_src}/${QUAVERN_APP_ID}.desktop"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES "${_pkg_src}/${QUAVERN_APP_ID}.metainfo.xml"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size IN LISTS QUAVERN_ICON_SIZES)
    install(FILES "${_icon_src}/hicolor/${size}x${size}/apps/quavern.png"
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES "${_icon_src}/quavern.svg"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

  # Debian policy wants the manual page and the changelog compressed with
  # gzip -9n (no name or time stamp, so the package is reproducible), and the
  # licence as a machine-readable copyright file.
  find_program(QUAVERN_GZIP gzip REQUIRED)
  set(_gen "${CMAKE_CURRENT_BINARY_DIR}/packaging")
  add_custom_command(
    OUTPUT "${_gen}/quavern.1.gz" "${_gen}/quavern-export.1.gz" "${_gen}/changelog.gz"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${_gen}"
    COMMAND ${QUAVERN_GZIP} -9n -c "${_pkg_src}/quavern.1" > "${_gen}/quavern.1.gz"
    COMMAND ${QUAVERN_GZIP} -9n -c "${_pkg_src}/quavern-export.1" > "${_gen}/quavern-export.1.gz"
    COMMAND ${QUAVERN_GZIP} -9n -c "${_pkg_src}/changelog" > "${_gen}/changelog.gz"
    DEPENDS "${_pkg_src}/quavern.1" "${_pkg_src}/quavern-export.1" "${_pkg_src}/changelog"
    COMMENT "Compressing the manual pages and the changelog"
    VERBATIM)
  add_custom_target(quavern_packaging_files ALL
    DEPENDS "${_gen}/quavern.1.gz" "${_gen}/quavern-export.1.gz" "${_gen}/changelog.gz")

  file(READ "${PROJECT_SOURCE_DIR}/LICENSE" _license)
  string(STRIP "${_license}" _license)
  string(REGEX REPLACE "\n\n" "\n.\n" _license "${_license}")
  string(REGEX REPLACE "\n" "\n " _license "${_license}")
  file(WRITE "${_gen}/copyright.tmp"
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: Quavern\n"
    "\n"
    "Files: *\n"
    "Copyright: 2026 The Quavern developers\n"
    "License: MIT\n"
    " ${_license}\n")
  # Rewritten only when it changes, so reconfiguring does not reinstall it.
  configure_file("${_gen}/copyright.tmp" "${_gen}/copyright" COPYONLY)

  install(FILES "${_gen}/quavern.1.gz" "${_gen}/quavern-export.1.gz"
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES "${_gen}/changelog.gz" "${_gen}/copyright" DESTINATION ${_pkg_doc_dir})
endif()

# Debian package: quavern_<version>_<arch>.deb, installed under /usr.
set(CPACK_PACKAGE_NAME "quavern")
set(CPACK_PACKAGE_VENDOR "The Quavern developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${QUAVERN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "practise melodies over chords")
set(CPACK_PACKAGE_DESCRIPTION
"Quavern is a small one-window program for practising melodies over chords.
Lay out a song of 16 bars, choose a chord for each bar and let Quavern
invent a melody: every bar receives four notes drawn at random from the
four tones of its chord (root, third, fifth and minor seventh).

Quavern plays the melody after a count-in of four beeps, at one of four
tempos and as many times over as chosen. Bars can be kept while the others
are made anew, notes can be typed by hand, and a song can be saved to a
one-line text file and opened again.

The quavern-export command writes a saved song as a sound file (WAV, FLAC,
Ogg Vorbis or MP3) to practise with away from the computer, as a Standard
MIDI File for a sequencer or keyboard, or as a MusicXML lead sheet with the
chord symbols for a notation program.")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "DEB")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUAVERN_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window is laid out for Tahoma; Wine's Tahoma-compatible face keeps its
# text the size it was designed at. The instruments sound from a General MIDI
# SoundFont; without one they are offered disabled and the steady tone sounds.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine, fluid-soundfont-gm | timgm6mb-soundfont")
# What Qt loads at run time, which dpkg-shlibdeps cannot see, comes with the
# libraries it finds: Debian 12 ships the X11 platform plug-in in libqt6gui6
# and the sound back end (libQt6Multimedia's PulseAudio sink, its media
# plug-ins) in libqt6multimedia6; scripts/check-runtime-deps checks that this
# stays so.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
