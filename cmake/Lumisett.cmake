# Helpers shared by the folders of the suite.

# Puts a program into the program directory.
function(lumisett_program target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${LUMISETT_PROGRAM_DIR}
    BUILD_RPATH "$ORIGIN"
    INSTALL_RPATH "$ORIGIN")
endfunction()

# Copies a data file (descriptor, help text) into the program directory at build time.
function(lumisett_program_file target source)
  get_filename_component(name ${source} NAME)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_CURRENT_SOURCE_DIR}/${source}
            ${LUMISETT_PROGRAM_DIR}/${name}
    VERBATIM)
endfunction()

# An effect plug-in: "<name>.so" with no "lib" prefix, its SONAME equal to its file name (so
# that a lookup of an already loaded module by bare name finds it), only the contract's
# symbols visible, and its descriptor and help files beside it.
#   lumisett_plugin(NAME zeroline SOURCES a.cpp b.cpp DESCRIPTOR zeroline.eff HELP zeroline.hlp
#                   [OUTPUT_DIR dir] [LIBRARIES ...])
function(lumisett_plugin)
  cmake_parse_arguments(P "" "NAME;DESCRIPTOR;HELP;OUTPUT_DIR" "SOURCES;LIBRARIES" ${ARGN})
  if(NOT P_OUTPUT_DIR)
    set(P_OUTPUT_DIR ${LUMISETT_PROGRAM_DIR})
  endif()
  add_library(${P_NAME} MODULE ${P_SOURCES})
  set_target_properties(${P_NAME} PROPERTIES
    PREFIX ""
    OUTPUT_NAME ${P_NAME}
    LIBRARY_OUTPUT_DIRECTORY ${P_OUTPUT_DIR})
  target_link_options(${P_NAME} PRIVATE -Wl,-soname,${P_NAME}.so -Wl,--exclude-libs,ALL
                      -Wl,--no-undefined)
  target_link_libraries(${P_NAME} PRIVATE ${P_LIBRARIES})
  foreach(file IN ITEMS ${P_DESCRIPTOR} ${P_HELP})
    get_filename_component(name ${file} NAME)
    add_custom_command(TARGET ${P_NAME} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_CURRENT_SOURCE_DIR}/${file}
              ${P_OUTPUT_DIR}/${name}
      VERBATIM)
  endforeach()
endfunction()
