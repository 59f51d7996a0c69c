# korvane_add_plugin: one call from a plug-in's sources and resource folder to its shared object
# and its bundle (see docs/packaging.md). Used inside this project and from the installed package.

include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/KorvaneResources.cmake)

# korvane_add_plugin(<name>
#                    SOURCES <source>...
#                    RESOURCES <folder>
#                    PROCESS_FUNCTION <function>...
#                    [ARCHIVES <type>...]
#                    [RESOURCE_CONFIG <file>]
#                    [BUNDLE_DIR <folder>]
#                    [FORMATS bundle [lv2]]
#                    [LV2_URI <uri>])
# Builds the module <name>.so (no "lib" prefix, hidden visibility: only what the sources mark
# with default visibility is exported), embeds <folder> into it and lays out <name>.bundle:
#   Contents/Linux64/<name>.so
#   Contents/Resources/<TYPE>/...        every type folder, as loose files
#   Contents/<TYPE>.zip                  instead, for each type listed in ARCHIVES
#   Contents/Resources/resource_config.yaml
# The module must define the creation function <name>_Create and every PROCESS_FUNCTION with
# C linkage; the link fails otherwise. Each function a ProcessXML resource names must be among
# PROCESS_FUNCTION (checked when configuring). The sources see KORVANE_PLUGIN_NAME and
# KORVANE_PROCESS_FUNCTION_NAME (the first PROCESS_FUNCTION) as string literals.
# RESOURCE_CONFIG defaults to resource_config.yaml in <folder>, else beside the calling
# CMakeLists.txt, if either exists. BUNDLE_DIR defaults to the current binary folder. The
# bundle's path is the target property KORVANE_BUNDLE.
# FORMATS lv2 also builds the module <name>_lv2.so (the LV2 descriptor over the same plug-in)
# and lays out lv2/<name>.lv2 beside the bundle, a folder to put on LV2_PATH (see docs/lv2.md):
#   manifest.ttl, <name>.ttl, presets.ttl   generated from the created plug-in
#   <name>_lv2.so
#   <name>_lv2ui.so                         the editor (X11 UI), for a plug-in with a GUI, where
#                                           the library was built with the editor
#   <name>.bundle/                          the plug-in's bundle, which the LV2 module loads
# LV2_URI defaults to urn:korvane:<name>. The LV2 bundle's path is the target property
# KORVANE_LV2_BUNDLE.
function(korvane_add_plugin name)
  cmake_parse_arguments(ARG "" "RESOURCES;RESOURCE_CONFIG;BUNDLE_DIR;LV2_URI"
                        "SOURCES;PROCESS_FUNCTION;ARCHIVES;FORMATS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "korvane_add_plugin(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  foreach(required IN ITEMS SOURCES RESOURCES PROCESS_FUNCTION)
    if(NOT ARG_${required})
      message(FATAL_ERROR "korvane_add_plugin(${name}): ${required} is required")
    endif()
  endforeach()
  if(NOT ARG_FORMATS)
    set(ARG_FORMATS bundle)
  endif()
  foreach(format IN LISTS ARG_FORMATS)
    if(NOT format STREQUAL "bundle" AND NOT format STREQUAL "lv2")
      message(FATAL_ERROR "korvane_add_plugin(${name}): unknown format '${format}' "
                          "(known: bundle, lv2)")
    endif()
  endforeach()
  if(NOT TARGET Korvane::korvane)
    message(FATAL_ERROR "korvane_add_plugin(${name}): Korvane::korvane is not defined; "
                        "call find_package(Korvane) first")
  endif()

  get_filename_component(resources ${ARG_RESOURCES} ABSOLUTE)
  if(NOT IS_DIRECTORY ${resources})
    message(FATAL_ERROR "korvane_add_plugin(${name}): no resource folder ${resources}")
  endif()
  foreach(type IN LISTS ARG_ARCHIVES)
    if(NOT IS_DIRECTORY ${resources}/${type})
      message(FATAL_ERROR "korvane_add_plugin(${name}): ARCHIVES names ${type}, but "
                          "${resources}/${type} is not a folder")
    endif()
  endforeach()

  # A ProcessXML that names a function the module does not promise would load nothing at run
  # time; say so now.
  file(GLOB process_descriptions CONFIGURE_DEPENDS ${resources}/ProcessXML/*)
  foreach(description IN LISTS process_descriptions)
    file(STRINGS ${description} lines REGEX "<ProcessFunctionName>")
    foreach(line IN LISTS lines)
      if(line MATCHES "<ProcessFunctionName>[ \t]*([^< \t]*)[ \t]*</ProcessFunctionName>")
        if(NOT CMAKE_MATCH_1 IN_LIST ARG_PROCESS_FUNCTION)
          message(FATAL_ERROR "korvane_add_plugin(${name}): ${description} names the process "
                              "function '${CMAKE_MATCH_1}', which is not in PROCESS_FUNCTION "
                              "(${ARG_PROCESS_FUNCTION})")
        endif()
      endif()
    endforeach()
  endforeach()

  if(ARG_RESOURCE_CONFIG)
    get_filename_component(config ${ARG_RESOURCE_CONFIG} ABSOLUTE)
    if(NOT EXISTS ${config})
      message(FATAL_ERROR "korvane_add_plugin(${name}): no file ${config}")
    endif()
  elseif(EXISTS ${resources}/resource_config.yaml)
    set(config ${resources}/resource_config.yaml)
  elseif(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/resource_config.yaml)
    set(config ${CMAKE_CURRENT_SOURCE_DIR}/resource_config.yaml)
  else()
    set(config "")
  endif()

  add_library(${name} MODULE ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Korvane::korvane)
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".so" C_VISIBILITY_PRESET hidden
                                           CXX_VISIBILITY_PRESET hidden
                                           VISIBILITY_INLINES_HIDDEN ON)
  list(GET ARG_PROCESS_FUNCTION 0 first_function)
  target_compile_definitions(${name} PRIVATE KORVANE_PLUGIN_NAME="${name}"
                             KORVANE_PROCESS_FUNCTION_NAME="${first_function}")
  # The entry points a host looks up by name must exist under exactly that (C) name.
  foreach(symbol IN ITEMS ${name}_Create ${ARG_PROCESS_FUNCTION})
    target_link_options(${name} PRIVATE "LINKER:--require-defined=${symbol}")
  endforeach()
  korvane_embed_resources(${name} FOLDER ${resources})

  if(ARG_BUNDLE_DIR)
    get_filename_component(bundle_dir ${ARG_BUNDLE_DIR} ABSOLUTE BASE_DIR
                           ${CMAKE_CURRENT_BINARY_DIR})
  else()
    set(bundle_dir ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  set(bundle ${bundle_dir}/${name}.bundle)
  set_target_properties(${name} PROPERTIES KORVANE_BUNDLE ${bundle}
                                           KORVANE_PROCESS_FUNCTION "${ARG_PROCESS_FUNCTION}")
  if(config)
    # A changed configuration alone must reassemble the bundle too.
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${config})
  endif()
  # A list cannot pass through one -D argument of a custom command; commas separate it.
  string(REPLACE ";" "," archives "${ARG_ARCHIVES}")
  add_custom_command(TARGET ${name} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DNAME=${name} -DMODULE=$<TARGET_FILE:${name}> -DBUNDLE=${bundle}
            -DRESOURCES=${resources} -DARCHIVES=${archives} -DCONFIG=${config}
            -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/korvane_assemble_bundle.cmake
    COMMENT "Assembling ${name}.bundle"
    VERBATIM)

  if("lv2" IN_LIST ARG_FORMATS)
    if(KORVANE_ONLY AND NOT TARGET korvane_lv2_entry)
      # A developer build of a few subsystems has no wrapper; the plug-in's bundle still builds.
      message(STATUS "korvane_add_plugin(${name}): no LV2 wrapper in this partial build")
      return()
    endif()
    if(NOT TARGET korvane_lv2_entry OR NOT TARGET korvane-lv2-ttl)
      message(FATAL_ERROR "korvane_add_plugin(${name}): FORMATS lv2 needs the LV2 wrapper "
                          "(korvane_lv2_entry and korvane-lv2-ttl)")
    endif()
    if(ARG_LV2_URI)
      set(uri ${ARG_LV2_URI})
    else()
      set(uri "urn:korvane:${name}")
    endif()
    set(lv2_bundle ${bundle_dir}/lv2/${name}.lv2)
    add_library(${name}_lv2 MODULE)
    target_link_libraries(${name}_lv2 PRIVATE korvane_lv2_entry)
    set_target_properties(${name}_lv2 PROPERTIES PREFIX "" SUFFIX ".so" C_VISIBILITY_PRESET hidden
                                                 CXX_VISIBILITY_PRESET hidden
                                                 VISIBILITY_INLINES_HIDDEN ON)
    target_compile_definitions(${name}_lv2 PRIVATE KORVANE_PLUGIN_NAME="${name}"
                               KORVANE_LV2_URI="${uri}")
    # The descriptor is the module's one export; the wrapper's and the headers' vague-linkage
    # symbols (type information that Boost marks visible) stay inside.
    set(version_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_lv2.map)
    file(WRITE ${version_script} "{ global: lv2_descriptor; local: *; };\n")
    target_link_options(${name}_lv2 PRIVATE "LINKER:--require-defined=lv2_descriptor"
                        "LINKER:--version-script=${version_script}")
    set_property(TARGET ${name}_lv2 APPEND PROPERTY LINK_DEPENDS ${version_script})
    set_target_properties(${name} PROPERTIES KORVANE_LV2_BUNDLE ${lv2_bundle})
    # The plug-in's bundle is assembled after its module links, the Turtle from it after that.
    add_dependencies(${name}_lv2 ${name})
    get_target_property(generator_imported korvane-lv2-ttl IMPORTED)
    if(NOT generator_imported)
      add_dependencies(${name}_lv2 korvane-lv2-ttl)
    endif()
    # The editor module (an X11 UI with the plug-in's GUI), where the library has the editor
    # (in this tree or installed) and the plug-in describes a GUI.
    set(ui_binary "")
    set(ui_copy "")
    file(GLOB gui_descriptions CONFIGURE_DEPENDS ${resources}/GUIXML/*)
    if(TARGET korvane_lv2_ui_entry AND gui_descriptions)
      add_library(${name}_lv2ui MODULE)
      target_link_libraries(${name}_lv2ui PRIVATE korvane_lv2_ui_entry)
      set_target_properties(${name}_lv2ui PROPERTIES PREFIX "" SUFFIX ".so"
                            C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden
                            VISIBILITY_INLINES_HIDDEN ON)
      target_compile_definitions(${name}_lv2ui PRIVATE KORVANE_PLUGIN_NAME="${name}"
                                 KORVANE_LV2_URI="${uri}")
      set(ui_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_lv2ui.map)
      file(WRITE ${ui_script} "{ global: lv2ui_descriptor; local: *; };\n")
      target_link_options(${name}_lv2ui PRIVATE "LINKER:--require-defined=lv2ui_descriptor"
                          "LINKER:--version-script=${ui_script}")
      set_property(TARGET ${name}_lv2ui APPEND PROPERTY LINK_DEPENDS ${ui_script})
      add_dependencies(${name}_lv2 ${name}_lv2ui)
      set(ui_binary ${name}_lv2ui.so)
      set(ui_copy COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${name}_lv2ui> ${lv2_bundle}/)
      # The LV2 module's own step lays the folder out only when that module links again; an
      # editor that changed alone is copied in by itself.
      add_custom_command(TARGET ${name}_lv2ui POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E make_directory ${lv2_bundle}
        ${ui_copy}
        VERBATIM)
    endif()
    add_custom_command(TARGET ${name}_lv2 POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E rm -rf ${lv2_bundle}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${lv2_bundle}
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${bundle} ${lv2_bundle}/${name}.bundle
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${name}_lv2> ${lv2_bundle}/
      ${ui_copy}
      COMMAND $<TARGET_FILE:korvane-lv2-ttl> ${lv2_bundle}/${name}.bundle ${lv2_bundle} ${uri}
              ${name}_lv2.so ${ui_binary}
      COMMENT "Assembling ${name}.lv2"
      VERBATIM)
  endif()
endfunction()
