# Installed layout under the prefix:
#   bin/cuemark, bin/cuemark-cli, bin/kvreg
#   lib/cuemark/libkeyvane.so, libplatform_registry.so, libplatform_automation.so,
#     libcuemark_codepages.so (opened by the engine for legacy encodings),
#     libcuemark_audio.so (opened by cuemark-cli speech and sync)
#   share/applications/org.tavrel.Cuemark.desktop
#   share/icons/hicolor/{scalable,48x48,128x128}/apps/cuemark.{svg,png}
#   share/metainfo/org.tavrel.Cuemark.metainfo.xml
#   share/man/man1/cuemark.1.gz, cuemark-cli.1.gz, kvreg.1.gz
#   share/bash-completion/completions/cuemark-cli, kvreg
#   share/doc/cuemark/copyright, changelog.gz
#   share/cuemark/calibration/calibration.mp4, calibration.srt
# The libraries stay in a private folder: they are ours alone, and the program
# opens bin/../lib/cuemark/libkeyvane.so by that relative place. The folder
# names are therefore fixed rather than taken from GNUInstallDirs, which could
# move one without the other.

set(CUEMARK_INSTALL_LIBDIR lib/cuemark)
set(cuemark_libraries keyvane platform_registry platform_automation cuemark_codepages cuemark_audio)
set(cuemark_programs kvreg cuemark-cli)
if(TARGET cuemark)
  list(APPEND cuemark_programs cuemark)
endif()

set_target_properties(${cuemark_programs} PROPERTIES INSTALL_RPATH "$ORIGIN/../${CUEMARK_INSTALL_LIBDIR}")
set_target_properties(${cuemark_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS ${cuemark_programs} RUNTIME DESTINATION bin)
install(TARGETS ${cuemark_libraries} LIBRARY DESTINATION ${CUEMARK_INSTALL_LIBDIR})

# The manuals come from each program's --help through help2man, so they say
# what the programs say; the icon's bitmaps from the one drawing.
find_program(HELP2MAN help2man REQUIRED)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(GZIP gzip REQUIRED)
set(cuemark_manuals)
function(cuemark_manual program name)
  set(page ${CMAKE_BINARY_DIR}/share/man/man1/${program}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/man/man1
    COMMAND ${HELP2MAN} --no-info --section=1 --name=${name} --version-string=${PROJECT_VERSION}
            --include=${CMAKE_SOURCE_DIR}/data/package/manuals.h2m --output=${page} $<TARGET_FILE:${program}>
    COMMAND ${GZIP} -9nf ${page}
    DEPENDS ${program} ${CMAKE_SOURCE_DIR}/data/package/manuals.h2m
    COMMENT "Manual of ${program}" VERBATIM)
  set(cuemark_manuals ${cuemark_manuals} ${page}.gz PARENT_SCOPE)
endfunction()
cuemark_manual(cuemark-cli "convert, re-time and sync subtitle files")
cuemark_manual(kvreg "read and write Cuemark's settings store")
if(TARGET cuemark)
  cuemark_manual(cuemark "time subtitles to a film by holding a key while it plays")
endif()
set(cuemark_icons)
foreach(size 48 128)
  set(icon ${CMAKE_BINARY_DIR}/share/icons/hicolor/${size}x${size}/apps/cuemark.png)
  add_custom_command(OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/icons/hicolor/${size}x${size}/apps
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${icon} ${CMAKE_SOURCE_DIR}/data/cuemark.svg
    DEPENDS ${CMAKE_SOURCE_DIR}/data/cuemark.svg VERBATIM)
  list(APPEND cuemark_icons ${icon})
  install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
set(changelog ${CMAKE_BINARY_DIR}/share/doc/cuemark/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/doc/cuemark
  COMMAND ${GZIP} -9nc ${CMAKE_SOURCE_DIR}/data/package/changelog > ${changelog}
  DEPENDS ${CMAKE_SOURCE_DIR}/data/package/changelog)
add_custom_target(cuemark_package_data ALL DEPENDS ${cuemark_manuals} ${cuemark_icons} ${changelog})

# The day this version was released, for the software centres.
set(CUEMARK_RELEASE_DATE 2026-12-09)
configure_file(${CMAKE_SOURCE_DIR}/data/package/org.tavrel.Cuemark.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/share/metainfo/org.tavrel.Cuemark.metainfo.xml @ONLY)

install(FILES ${cuemark_manuals} DESTINATION share/man/man1)
install(FILES ${CMAKE_SOURCE_DIR}/data/completions/cuemark-cli ${CMAKE_SOURCE_DIR}/data/completions/kvreg
        DESTINATION share/bash-completion/completions)
install(FILES ${CMAKE_SOURCE_DIR}/data/package/copyright ${changelog} DESTINATION share/doc/cuemark)

if(TARGET cuemark)
  install(FILES ${CMAKE_SOURCE_DIR}/data/org.tavrel.Cuemark.desktop DESTINATION share/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/data/cuemark.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES ${CMAKE_BINARY_DIR}/share/metainfo/org.tavrel.Cuemark.metainfo.xml DESTINATION share/metainfo)
  if(TARGET calibration_clip)
    install(FILES ${CMAKE_BINARY_DIR}/share/cuemark/calibration/calibration.mp4
                  ${CMAKE_BINARY_DIR}/share/cuemark/calibration/calibration.srt
            DESTINATION share/cuemark/calibration)
  endif()
endif()
