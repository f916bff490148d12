# SPDX-License-Identifier: GPL-3.0-or-later
# Installing the tool and packing it as a .deb.
#
# `cmake --install` puts the application, its firmware programs and the command
# line into bin/, and on Linux their manual pages, the desktop entry, its icon,
# the AppStream metainfo, the command line's bash completion, the udev rule,
# the copyright file and the changelog where Debian and the desktop look for
# them. CPack turns the same into a .deb whose Depends dpkg-shlibdeps computes
# from the libraries the programs link.
include(GNUInstallDirs)

set(ORVIK_MAINTAINER "ORVIK-IMU maintainers <orvik-imu@example.org>")
# The day this version was released, for the changelog and the metainfo.
set(ORVIK_RELEASE_DAY 2026-12-10)

set(orvik_installed_programs ORVIK-IMU orvik-imu-cli dfuse-tool dfu-convert QUpdater)
foreach(program IN LISTS orvik_installed_programs)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(linux_dir ${PROJECT_SOURCE_DIR}/packaging/linux)
  install(FILES ${linux_dir}/orvik-imu.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${linux_dir}/orvik-imu.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # Access for the logged-in user to the module's serial port and its bootloader.
  install(FILES ${linux_dir}/70-orvik-imu.rules DESTINATION lib/udev/rules.d)
  install(FILES ${linux_dir}/orvik-imu-cli.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME orvik-imu-cli)
  configure_file(${linux_dir}/org.example.orvik_imu.metainfo.xml
                 ${CMAKE_BINARY_DIR}/packaging/org.example.orvik_imu.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/org.example.orvik_imu.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  include(OrvikDocumentation)
endif()

set(CPACK_PACKAGE_NAME orvik-imu)
set(CPACK_PACKAGE_VENDOR "ORVIK")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Desktop tool and command line for the ORVIK serial IMU module")
set(CPACK_PACKAGE_DESCRIPTION
    "ORVIK-IMU connects to a serial-attached IMU module (an STM32 with two IMU chips
and a magnetometer), streams, records, charts and replays its measurements,
calibrates it, reads its identity and flashes its firmware through its DFU
bootloader.
The package holds the window (ORVIK-IMU), the command line for scripts and
production lines (orvik-imu-cli, which also sets up trays of modules in
parallel), the firmware programs dfuse-tool and dfu-convert, the updater
QUpdater and the udev rule that gives the user at the seat access to the
module.")
set(CPACK_PACKAGE_CONTACT "${ORVIK_MAINTAINER}")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its platform plugins in packages the libraries do not depend on.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
include(CPack)
