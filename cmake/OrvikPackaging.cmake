# Installing the tool and packing it as a .deb.
#
# `cmake --install` puts the application, its firmware programs and the command
# line into bin/, and on Linux the desktop entry, its icon and the udev rule
# where the desktop and udev look for them. CPack turns the same into a .deb
# whose Depends dpkg-shlibdeps computes from the libraries the programs link.
include(GNUInstallDirs)

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
endif()

set(CPACK_PACKAGE_NAME orvik-imu)
set(CPACK_PACKAGE_VENDOR "ORVIK")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Desktop tool and command line for the ORVIK serial IMU module")
set(CPACK_PACKAGE_CONTACT "ORVIK-IMU maintainers <orvik-imu@example.org>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its platform plugins in packages the libraries do not depend on.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
include(CPack)
