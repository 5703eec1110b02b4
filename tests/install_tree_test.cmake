# Installs a build directory into a scratch prefix and checks the tree an installation gets:
# exactly the two programs (no test or bench programs, no static libraries), their manual pages,
# the desktop entry and the icon it names in every theme size, the software-centre listing, and
# the copyright and changelog files. The tarnwick-sim page must name exactly the options its
# --help names. Where the tools are installed, the desktop entry and the listing are validated
# and the Debian package built from the same directory must pass lintian with no error or
# warning. Run with cmake -P and
#   -DBUILD_DIR=<build directory> -DPREFIX=<scratch prefix> -DBINDIR=<bin> -DDATADIR=<share>
#   -DMANDIR=<share/man> -DVERSION=<project version> -DPACKAGE=<ON to build and lint the .deb>
cmake_minimum_required(VERSION 3.25)

set(failures "")
macro(fail text)
  string(APPEND failures "  ${text}\n")
endmacro()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}")
endif()

set(icon_sizes 16 32 48 64 128 256)
set(expected
    ${BINDIR}/tarnwick
    ${BINDIR}/tarnwick-sim
    ${DATADIR}/applications/tarnwick.desktop
    ${DATADIR}/doc/tarnwick/changelog.gz
    ${DATADIR}/doc/tarnwick/copyright
    ${DATADIR}/metainfo/example.tarnwick.tarnwick.metainfo.xml
    ${MANDIR}/man1/tarnwick.1.gz
    ${MANDIR}/man1/tarnwick-sim.1.gz
    ${DATADIR}/icons/hicolor/scalable/apps/tarnwick.svg)
foreach(size IN LISTS icon_sizes)
  list(APPEND expected ${DATADIR}/icons/hicolor/${size}x${size}/apps/tarnwick.png)
endforeach()
list(SORT expected)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
if(NOT installed STREQUAL expected)
  set(extra ${installed})
  list(REMOVE_ITEM extra ${expected})
  set(missing ${expected})
  if(installed)
    list(REMOVE_ITEM missing ${installed})
  endif()
  fail("installed files differ; missing: [${missing}] unexpected: [${extra}]")
endif()

foreach(program tarnwick tarnwick-sim)
  execute_process(COMMAND test -x "${PREFIX}/${BINDIR}/${program}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    fail("${BINDIR}/${program} is not an executable file")
  endif()
endforeach()
# The installed simulator tool runs on its own, away from the build tree.
execute_process(COMMAND "${PREFIX}/${BINDIR}/tarnwick-sim" --help RESULT_VARIABLE rc
                OUTPUT_VARIABLE help ERROR_QUIET)
if(NOT rc EQUAL 0)
  fail("${BINDIR}/tarnwick-sim --help exits with ${rc}")
endif()

# The manual pages carry the release, and the OPTIONS section of the tarnwick-sim page names
# exactly the options --help lists (there, a line that starts with two spaces and the option;
# in the page, a .B, .BI or .BR line that starts with the option, its dashes escaped).
foreach(page tarnwick tarnwick-sim)
  execute_process(COMMAND gzip -dc "${PREFIX}/${MANDIR}/man1/${page}.1.gz" RESULT_VARIABLE rc
                  OUTPUT_VARIABLE text ERROR_QUIET)
  if(NOT rc EQUAL 0 OR NOT text MATCHES "\\.TH [^\n]*\"Tarnwick ${VERSION}\"")
    fail("${page}.1.gz is no gzip-compressed page of Tarnwick ${VERSION}")
  endif()
endforeach()
string(REGEX REPLACE ".*\n\\.SH OPTIONS" "" text "${text}")
string(REGEX REPLACE "\n\\.SH .*" "" text "${text}")
string(REGEX MATCHALL "\n\\.B[IR]? \\\\-\\\\-[a-z\\\\-]+" page_options "${text}")
string(REGEX REPLACE "\n\\.B[IR]? \\\\-\\\\-" "" page_options "${page_options}")
string(REPLACE "\\-" "-" page_options "${page_options}")
string(REGEX MATCHALL "\n  --[a-z-]+" help_options "\n${help}")
string(REGEX REPLACE "\n  --" "" help_options "${help_options}")
foreach(option IN LISTS help_options)
  if(NOT option IN_LIST page_options)
    fail("tarnwick-sim --help lists --${option}, its manual page does not")
  endif()
endforeach()
foreach(option IN LISTS page_options)
  if(NOT option IN_LIST help_options)
    fail("the tarnwick-sim manual page lists --${option}, --help does not")
  endif()
endforeach()

# Each PNG is the size its folder names (width and height are bytes 16..23 of the file).
foreach(size IN LISTS icon_sizes)
  set(png "${PREFIX}/${DATADIR}/icons/hicolor/${size}x${size}/apps/tarnwick.png")
  if(EXISTS "${png}")
    file(READ "${png}" header OFFSET 16 LIMIT 8 HEX)
    math(EXPR hex_size "${size}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${hex_size}" 2 -1 digits)
    string(LENGTH "${digits}" length)
    while(length LESS 8)
      string(PREPEND digits 0)
      math(EXPR length "${length} + 1")
    endwhile()
    string(TOLOWER "${digits}${digits}" want)
    if(NOT header STREQUAL want)
      fail("icon ${size}x${size} has the header size ${header}")
    endif()
  endif()
endforeach()

set(desktop "${PREFIX}/${DATADIR}/applications/tarnwick.desktop")
if(EXISTS "${desktop}")
  file(STRINGS "${desktop}" entries)
  foreach(want "Exec=tarnwick" "Icon=tarnwick" "Type=Application")
    if(NOT want IN_LIST entries)
      fail("the desktop entry lacks ${want}")
    endif()
  endforeach()
  set(categories "")
  foreach(entry IN LISTS entries)
    if(entry MATCHES "^Categories=(.*)$")
      string(REPLACE ";" "|" categories "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  foreach(category Utility Electronics)
    if(NOT categories MATCHES "(^|\\|)${category}(\\||$)")
      fail("the desktop entry's Categories lack ${category}")
    endif()
  endforeach()
  find_program(desktop_file_validate desktop-file-validate)
  if(desktop_file_validate)
    execute_process(COMMAND "${desktop_file_validate}" "${desktop}" RESULT_VARIABLE rc
                    OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0 OR out MATCHES "error:")
      fail("desktop-file-validate: ${out}")
    endif()
  else()
    message(STATUS "desktop-file-validate not found; the desktop entry is not validated")
  endif()
endif()

set(metainfo "${PREFIX}/${DATADIR}/metainfo/example.tarnwick.tarnwick.metainfo.xml")
if(EXISTS "${metainfo}")
  file(READ "${metainfo}" text)
  if(NOT text MATCHES "<release version=\"${VERSION}\"")
    fail("the metainfo lists no release ${VERSION}")
  endif()
  find_program(appstreamcli appstreamcli)
  if(appstreamcli)
    execute_process(COMMAND "${appstreamcli}" validate --no-net "${metainfo}"
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0)
      fail("appstreamcli validate: ${out}")
    endif()
  else()
    message(STATUS "appstreamcli not found; the metainfo is not validated")
  endif()
endif()

# The Debian package of the same build, checked by Debian's own tool. Info-level tags are
# allowed; lintian fails on errors and warnings.
find_program(lintian lintian)
if(PACKAGE AND lintian)
  set(package_dir "${PREFIX}-deb")
  file(REMOVE_RECURSE "${package_dir}")
  execute_process(COMMAND "${CMAKE_CPACK_COMMAND}" -G DEB -B "${package_dir}"
                          --config "${BUILD_DIR}/CPackConfig.cmake"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  file(GLOB deb "${package_dir}/*.deb")
  if(NOT rc EQUAL 0 OR NOT deb)
    fail("cpack -G DEB failed (${rc}): ${out}")
  else()
    execute_process(COMMAND "${lintian}" --fail-on error,warning "${deb}"
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0)
      fail("lintian on ${deb}:\n${out}")
    endif()
  endif()
  file(REMOVE_RECURSE "${package_dir}")
elseif(PACKAGE)
  message(STATUS "lintian not found; the Debian package is not checked")
endif()

if(failures)
  message(FATAL_ERROR "The installed tree under ${PREFIX} is not right:\n${failures}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
