# korvane_embed_resources: embeds a folder of resources into a plug-in's shared object as the
# table the library's module containers read (see docs/resources.md).

include_guard(GLOBAL)

# Where the generated source finds korvane/rm/embedded_resources.h: the source tree, unless the
# installed package set the installed headers' folder before including this file. Kept as a
# global property, so a call from any folder of the project sees it.
if(NOT KORVANE_RESOURCES_INCLUDE_DIR)
  set(KORVANE_RESOURCES_INCLUDE_DIR ${PROJECT_SOURCE_DIR})
endif()
set_property(GLOBAL PROPERTY KORVANE_RESOURCES_INCLUDE_DIR ${KORVANE_RESOURCES_INCLUDE_DIR})

# korvane_embed_resources(<target> FOLDER <folder>)
# Every file <folder>/<TYPE>/<name>[.<ext>] becomes the resource (TYPE, name): the type is the
# sub-folder, the name the file name up to its last dot. Files directly in <folder> and deeper
# levels are ignored. The table is regenerated whenever a file is added, removed or changed.
function(korvane_embed_resources target)
  cmake_parse_arguments(ARG "" "FOLDER" "" ${ARGN})
  if(NOT ARG_FOLDER)
    message(FATAL_ERROR "korvane_embed_resources(${target}): FOLDER is required")
  endif()
  get_filename_component(folder ${ARG_FOLDER} ABSOLUTE)
  file(GLOB files CONFIGURE_DEPENDS LIST_DIRECTORIES false ${folder}/*/*)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_korvane_resources.cpp)
  set(generator ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/korvane_embed_resources_gen.cmake)
  get_property(include_dir GLOBAL PROPERTY KORVANE_RESOURCES_INCLUDE_DIR)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DFOLDER=${folder} -DOUTPUT=${output}
            -P ${generator}
    DEPENDS ${files} ${generator}
    COMMENT "Embedding the resources of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
  target_include_directories(${target} PRIVATE ${include_dir})
endfunction()
