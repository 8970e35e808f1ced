# Compiler warnings and sanitizers, set in one place for every target of the project.
option(KORVANDEL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_library(korvandel_options INTERFACE)
target_compile_features(korvandel_options INTERFACE cxx_std_20)
target_compile_options(korvandel_options INTERFACE -Wall -Wextra)
target_include_directories(korvandel_options INTERFACE ${PROJECT_SOURCE_DIR})
# The fuzzing build (tools/fuzz.sh): clang's libFuzzer, with AddressSanitizer and
# UndefinedBehaviorSanitizer on every library so that the fuzz targets see faults anywhere.
option(KORVANDEL_FUZZ "Build the libFuzzer targets under fuzz/ (clang only)" OFF)
if(KORVANDEL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KORVANDEL_FUZZ needs clang (CMAKE_CXX_COMPILER=clang++)")
  endif()
  target_compile_options(korvandel_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  target_link_options(korvandel_options INTERFACE -fsanitize=address,undefined)
elseif(KORVANDEL_SANITIZE)
  target_compile_options(korvandel_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(korvandel_options INTERFACE -fsanitize=address,undefined)
endif()

# korvandel_library(<name> <dir> [EXCLUDE <subdir>...]) builds every .cpp below <dir>
# (except the excluded subfolders) into a static library. New source files need no edit here.
function(korvandel_library name dir)
  cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "^${PROJECT_SOURCE_DIR}/${dir}/${ex}/")
  endforeach()
  if(NOT sources)
    set(empty ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${empty} "// ${name} has no sources yet.\n")
    set(sources ${empty})
  endif()
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC korvandel_options)
endfunction()

# Fails the configuration when <target> links, directly or through its dependencies,
# one of the forbidden libraries: the framework and the program see only the platform.
function(korvandel_forbid_links target)
  set(pending ${target})
  set(seen "")
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen OR NOT TARGET ${current})
      continue()
    endif()
    list(APPEND seen ${current})
    get_target_property(libs ${current} INTERFACE_LINK_LIBRARIES)
    get_target_property(direct ${current} LINK_LIBRARIES)
    foreach(lib IN LISTS libs direct)
      if(lib MATCHES "^Qt6?::(Widgets|Sql|Gui|Test)$")
        message(FATAL_ERROR "${target} must not link ${lib} (reached through ${current})")
      endif()
      if(lib AND NOT lib MATCHES "NOTFOUND$")
        list(APPEND pending ${lib})
      endif()
    endforeach()
  endwhile()
endfunction()

# korvandel_check_layers(<root> <layer>...) fails the configuration when a source file below
# <root> includes a header of a higher layer. Layers are folders below <root> ("." for the files
# directly in it), listed from the lowest up; a file may include headers of its own layer and of
# the layers listed before it, so dependencies between the folders run one way.
function(korvandel_check_layers root)
  set(layers ${ARGN})
  file(GLOB_RECURSE files CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/${root}/*.h ${PROJECT_SOURCE_DIR}/${root}/*.cpp)
  foreach(f IN LISTS files)
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR}/${root} ${f})
    get_filename_component(dir ${rel} DIRECTORY)
    if(dir STREQUAL "")
      set(dir ".")
    endif()
    list(FIND layers ${dir} own)
    if(own EQUAL -1)
      message(FATAL_ERROR "${root}/${rel} is in no layer of ${root} (${layers})")
    endif()
    file(STRINGS ${f} includes REGEX "^#include \"${root}/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#include \"${root}/([^\"]*)\".*" "\\1" target "${line}")
      get_filename_component(tdir ${target} DIRECTORY)
      if(tdir STREQUAL "")
        set(tdir ".")
      endif()
      list(FIND layers ${tdir} other)
      if(other GREATER own)
        message(FATAL_ERROR "${root}/${rel} includes ${root}/${target}: ${dir} must not depend on ${tdir}")
      endif()
    endforeach()
  endforeach()
endfunction()
