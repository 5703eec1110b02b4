# The Debian package: cpack -G DEB in a build directory (a Release build makes a small one).
# The libraries the binaries link are found by dpkg-shlibdeps (package dpkg-dev) when it is
# there; what is loaded at run time and no linker sees is named here: the Qt platform plugins
# that open the window, and the CJK font for the Chinese menu texts.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Tarnwick)
set(CPACK_PACKAGE_CONTACT ${TARNWICK_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "UHF RFID reader demonstration and configuration on a serial line")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TARNWICK_HOMEPAGE})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TARNWICK_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# CPack puts the summary first and indents these lines as the long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tarnwick identifies EPC Class-1 Gen-2 tags one at a time or as a stream, reads
and writes tag memory, initializes, locks and destroys tags, and reads and
writes the reader's settings: RF power, antennas, frequency plan, work mode and
output interface. Every finished operation is listed with its time.

A built-in reader simulator (the port entry Simulator) lets the program be
tried without a reader; tarnwick-sim serves the same simulator on a
pseudo-terminal.")

set(tarnwick_runtime_depends "qt6-qpa-plugins, fonts-wqy-microhei")
find_program(TARNWICK_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TARNWICK_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${tarnwick_runtime_depends}")
else()
  # Without dpkg-shlibdeps, the Qt 6.4 libraries the program links, named by hand.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), libqt6serialport6 (>= 6.4), libqt6charts6 (>= 6.4), ${tarnwick_runtime_depends}")
endif()

include(CPack)
