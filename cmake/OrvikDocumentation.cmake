# SPDX-License-Identifier: GPL-3.0-or-later
# What Debian wants beside the programs: a manual page for each, made from its
# --help by help2man, the machine-readable copyright file and the changelog,
# both gzip'd as Debian policy asks. Included by OrvikPackaging on Linux, after
# the programs are defined.
set(orvik_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/orvik-imu)
set(orvik_packaging_dir ${CMAKE_BINARY_DIR}/packaging)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/copyright DESTINATION ${orvik_doc_dir})

execute_process(COMMAND date -u -R -d "${ORVIK_RELEASE_DAY}"
                OUTPUT_VARIABLE ORVIK_RELEASE_DATE OUTPUT_STRIP_TRAILING_WHITESPACE)
configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/changelog.in
               ${orvik_packaging_dir}/changelog @ONLY)
add_custom_command(OUTPUT ${orvik_packaging_dir}/changelog.gz
  COMMAND gzip -9nkf ${orvik_packaging_dir}/changelog
  DEPENDS ${orvik_packaging_dir}/changelog VERBATIM)
add_custom_target(orvik_changelog ALL DEPENDS ${orvik_packaging_dir}/changelog.gz)
install(FILES ${orvik_packaging_dir}/changelog.gz DESTINATION ${orvik_doc_dir})

find_program(HELP2MAN help2man)
if(NOT HELP2MAN)
  message(STATUS "help2man not found: no manual pages (scripts/install-deps.sh installs it)")
  return()
endif()
set(orvik_man_summary_ORVIK-IMU "the window of the ORVIK serial IMU module")
set(orvik_man_summary_orvik-imu-cli
    "the ORVIK IMU module's commands for scripts, test benches and production lines")
set(orvik_man_summary_dfuse-tool "flash firmware through the module's STM32 DFU bootloader")
set(orvik_man_summary_dfu-convert "pack a .bin or .hex firmware image as a DfuSe file")
set(orvik_man_summary_QUpdater "update the ORVIK-IMU application from signed releases")
set(orvik_man_pages)
foreach(program IN LISTS orvik_installed_programs)
  if(NOT TARGET ${program})
    continue()
  endif()
  set(page ${orvik_packaging_dir}/man/${program}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${orvik_packaging_dir}/man
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            ${HELP2MAN} --no-info --no-discard-stderr "--name=${orvik_man_summary_${program}}"
            --version-string=${PROJECT_VERSION} --output=${page} $<TARGET_FILE:${program}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${program} VERBATIM)
  list(APPEND orvik_man_pages ${page}.gz)
endforeach()
add_custom_target(orvik_man_pages ALL DEPENDS ${orvik_man_pages})
install(FILES ${orvik_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
