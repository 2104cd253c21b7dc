# Shared conventions for Tinkla's targets: warnings on everywhere, errors in our code,
# and one executable per test, benchmark or fuzz source file so that suites stay independent.

function(tinkla_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(TINKLA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# tinkla_library(<name> <dir> [LINK libs...] [PRIVATE_LINK libs...] [EXCLUDE files...]):
# a static library of every .cpp in <dir>; headers only make it an interface library.
function(tinkla_library name dir)
  cmake_parse_arguments(ARG "" "" "LINK;PRIVATE_LINK;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${dir}/${excluded})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    tinkla_warnings(${name})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LINK} PRIVATE ${ARG_PRIVATE_LINK})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_LINK})
  endif()
endfunction()

# One program built from one test, benchmark or fuzz source, with the folders it reads data from.
function(tinkla_program_for source name_var)
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  tinkla_warnings(${name})
  target_compile_definitions(${name} PRIVATE
      TINKLA_SOURCE_DIR="${CMAKE_SOURCE_DIR}" TINKLA_SHARED_DIR="${TINKLA_SHARED_DIR}")
  set(${name_var} ${name} PARENT_SCOPE)
endfunction()

# tinkla_tests(<dir> LINK libs... [LABELS labels...] [ENVIRONMENT vars...] [SERIAL names...]):
# one GoogleTest executable per <dir>/*Test.cpp, registered with CTest.
# A file named *ConcurrencyTest.cpp also carries the label "concurrency" (the ThreadSanitizer run).
# The programs named in SERIAL start and stop servers of their own (JACK, PulseAudio) and run
# with no other test beside them.
function(tinkla_tests dir)
  cmake_parse_arguments(ARG "" "" "LINK;LABELS;ENVIRONMENT;SERIAL" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*Test.cpp)
  foreach(source IN LISTS sources)
    tinkla_program_for(${source} name)
    target_link_libraries(${name} PRIVATE ${ARG_LINK} GTest::gtest GTest::gtest_main GTest::gmock)
    set(labels ${ARG_LABELS})
    if(name MATCHES "ConcurrencyTest$")
      list(APPEND labels concurrency)
    endif()
    set(properties TIMEOUT 300)
    if(name IN_LIST ARG_SERIAL)
      list(APPEND properties RUN_SERIAL TRUE)
    endif()
    if(labels)
      list(APPEND properties LABELS "${labels}")
    endif()
    if(ARG_ENVIRONMENT)
      list(APPEND properties ENVIRONMENT "${ARG_ENVIRONMENT}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
  endforeach()
endfunction()

# tinkla_benchmarks(<dir> LINK libs...): one Google Benchmark executable per <dir>/*Bench.cpp.
function(tinkla_benchmarks dir)
  cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*Bench.cpp)
  foreach(source IN LISTS sources)
    tinkla_program_for(${source} name)
    target_link_libraries(${name} PRIVATE ${ARG_LINK} benchmark::benchmark)
  endforeach()
endfunction()
