# Script mode (cmake -DNAME= -DMODULE= -DBUNDLE= -DRESOURCES= [-DARCHIVES=a,b] [-DCONFIG=] -P):
# lays out a plug-in's bundle afresh from its module and resource folder (see KorvanePlugin.cmake).
cmake_minimum_required(VERSION 3.21)
foreach(required IN ITEMS NAME MODULE BUNDLE RESOURCES)
  if(NOT ${required})
    message(FATAL_ERROR "${required} must be given")
  endif()
endforeach()
string(REPLACE "," ";" archives "${ARCHIVES}")

# Rebuilt whole, so a resource removed from the folder leaves the bundle too.
file(REMOVE_RECURSE ${BUNDLE})
file(MAKE_DIRECTORY ${BUNDLE}/Contents/Linux64 ${BUNDLE}/Contents/Resources)
file(COPY_FILE ${MODULE} ${BUNDLE}/Contents/Linux64/${NAME}.so)

file(GLOB types LIST_DIRECTORIES true RELATIVE ${RESOURCES} ${RESOURCES}/*)
list(SORT types)
foreach(type IN LISTS types)
  if(NOT IS_DIRECTORY ${RESOURCES}/${type})
    continue()
  endif()
  if(type IN_LIST archives)
    # Entries carry the file names alone, as the loose files would be named.
    file(GLOB files LIST_DIRECTORIES false RELATIVE ${RESOURCES}/${type} ${RESOURCES}/${type}/*)
    list(SORT files)
    if(NOT files)
      message(FATAL_ERROR "${RESOURCES}/${type} is to be archived but holds no file")
    endif()
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E tar cf ${BUNDLE}/Contents/${type}.zip --format=zip ${files}
      WORKING_DIRECTORY ${RESOURCES}/${type}
      RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "Could not write ${BUNDLE}/Contents/${type}.zip")
    endif()
  else()
    file(COPY ${RESOURCES}/${type} DESTINATION ${BUNDLE}/Contents/Resources)
  endif()
endforeach()

if(CONFIG)
  file(COPY_FILE ${CONFIG} ${BUNDLE}/Contents/Resources/resource_config.yaml)
endif()
