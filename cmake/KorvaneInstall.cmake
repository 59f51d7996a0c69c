# What `cmake --install` puts under the prefix: the library, its public headers, the tools, the
# CMake package and the pkg-config file (see docs/packaging.md). Paths inside the package and the
# pkg-config file are relative to where they are installed, so a prefix can be moved whole.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KORVANE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Korvane)

# The tools find the library beside them, wherever the prefix is.
file(RELATIVE_PATH bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set(korvane_tools korvane-gs-dump)
if(TARGET kvhost)
  list(APPEND korvane_tools kvhost)
endif()
if(TARGET korvane-lv2-ttl)
  list(APPEND korvane_tools korvane-lv2-ttl)
endif()
set_target_properties(${korvane_tools} PROPERTIES INSTALL_RPATH "$ORIGIN/${bin_to_lib}")
install(TARGETS korvane ${korvane_tools}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The LV2 wrapper: its static part, and the descriptor source with the three headers it includes,
# which each plug-in's LV2 module compiles (not public headers of the library). Likewise the
# editor: its archive (with the plug-in loader and reference host it runs on) and the editor
# entry's source with its one header, for plug-ins that describe a GUI.
set(KORVANE_LV2_DATADIR ${CMAKE_INSTALL_DATADIR}/korvane/lv2)
if(TARGET korvane_lv2)
  install(TARGETS korvane_lv2 ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/host/lv2/lv2_descriptor.cpp DESTINATION ${KORVANE_LV2_DATADIR})
  install(FILES ${PROJECT_SOURCE_DIR}/host/lv2/lv2_host.h ${PROJECT_SOURCE_DIR}/host/lv2/lv2_plugin.h
          DESTINATION ${KORVANE_LV2_DATADIR}/host/lv2)
  install(FILES ${PROJECT_SOURCE_DIR}/host/plugin_loader.h DESTINATION ${KORVANE_LV2_DATADIR}/host)
endif()
if(TARGET korvane_lv2_editor)
  install(TARGETS korvane_lv2_editor ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/host/lv2/lv2_ui_descriptor.cpp
          DESTINATION ${KORVANE_LV2_DATADIR})
  install(FILES ${PROJECT_SOURCE_DIR}/host/lv2/lv2_editor.h
          DESTINATION ${KORVANE_LV2_DATADIR}/host/lv2)
endif()

# The public headers are the umbrella header and everything it includes of the library, found at
# install time, so a header that gains an include needs no change here.
install(CODE "
  set(KORVANE_SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
  set(KORVANE_HEADERS_DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_INCLUDEDIR}\")
  include(\"${PROJECT_SOURCE_DIR}/cmake/korvane_install_headers.cmake\")
")

configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/KorvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KorvaneConfig.cmake
  INSTALL_DESTINATION ${KORVANE_INSTALL_CMAKEDIR}
  PATH_VARS CMAKE_INSTALL_LIBDIR CMAKE_INSTALL_INCLUDEDIR CMAKE_INSTALL_BINDIR KORVANE_LV2_DATADIR)
# Plug-ins built against one major version load with any later release of it.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KorvaneConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KorvaneConfig.cmake
              ${PROJECT_BINARY_DIR}/KorvaneConfigVersion.cmake
              ${PROJECT_SOURCE_DIR}/cmake/KorvanePlugin.cmake
              ${PROJECT_SOURCE_DIR}/cmake/KorvaneResources.cmake
              ${PROJECT_SOURCE_DIR}/cmake/korvane_embed_resources_gen.cmake
              ${PROJECT_SOURCE_DIR}/cmake/korvane_assemble_bundle.cmake
        DESTINATION ${KORVANE_INSTALL_CMAKEDIR})

# pkg-config: the prefix is found from the file's own folder (${pcfiledir}).
if(IS_ABSOLUTE ${CMAKE_INSTALL_LIBDIR})
  set(KORVANE_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
else()
  file(RELATIVE_PATH pc_to_prefix ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
  string(REGEX REPLACE "/$" "" pc_to_prefix "${pc_to_prefix}")
  set(KORVANE_PC_PREFIX "\${pcfiledir}/${pc_to_prefix}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/korvane.pc.in ${PROJECT_BINARY_DIR}/korvane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/korvane.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# scripts/test-install as a CTest test: off by default, since it builds a plug-in twice and every
# ctest run of every preset would repeat it; CI runs the script once, after the release tests.
option(KORVANE_TEST_INSTALL "Register scripts/test-install as the CTest test 'install'" OFF)
if(KORVANE_BUILD_TESTS AND KORVANE_TEST_INSTALL)
  add_test(NAME install COMMAND ${PROJECT_SOURCE_DIR}/scripts/test-install ${PROJECT_BINARY_DIR})
  set_tests_properties(install PROPERTIES LABELS install TIMEOUT 900)
endif()
