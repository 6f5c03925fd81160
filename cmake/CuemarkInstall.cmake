# Installed layout under the prefix:
#   bin/cuemark, bin/cuemark-cli, bin/kvreg
#   lib/cuemark/libkeyvane.so, libplatform_registry.so, libplatform_automation.so,
#     libcuemark_codepages.so (opened by the engine for legacy encodings),
#     libcuemark_audio.so (opened by cuemark-cli speech and sync)
#   share/applications/cuemark.desktop
#   share/icons/hicolor/scalable/apps/cuemark.svg
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

if(TARGET cuemark)
  install(FILES ${CMAKE_SOURCE_DIR}/data/cuemark.desktop DESTINATION share/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/data/cuemark.svg DESTINATION share/icons/hicolor/scalable/apps)
  if(TARGET calibration_clip)
    install(FILES ${CMAKE_BINARY_DIR}/share/cuemark/calibration/calibration.mp4
                  ${CMAKE_BINARY_DIR}/share/cuemark/calibration/calibration.srt
            DESTINATION share/cuemark/calibration)
  endif()
endif()
