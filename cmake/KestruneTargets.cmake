# Compiler settings shared by every target of the project.
add_library(kestrune_options INTERFACE)
target_compile_options(kestrune_options INTERFACE -Wall -Wextra)
if(KESTRUNE_WERROR)
  target_compile_options(kestrune_options INTERFACE -Werror)
endif()
if(KESTRUNE_SANITIZE)
  target_compile_options(kestrune_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(kestrune_options INTERFACE -fsanitize=address,undefined)
endif()

# The library of one source folder: every .cpp and .h directly in it. Usage:
#   kestrune_library(NAME DEPENDS other_lib ...)
function(kestrune_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} PRIVATE kestrune_options)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
endfunction()

# Lays the data files beside the executable on every build, so edits to data/ show up.
function(kestrune_copy_data from to)
  add_custom_target(kestrune_data ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${from} ${to}
    COMMENT "Laying out the program folder")
endfunction()
