# kdx_library(<target> DEPS <libs...>)
# A static library made of every .cpp/.h/.qrc in the calling folder (not its
# subfolders); its public headers are included as "<folder>/Name.h" from the
# repository root.
function(kdx_library target)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
endfunction()

# Tests keep the frame cache of the programs they run in the build folder,
# away from the user's own.
set(kdx_test_cache ENVIRONMENT_MODIFICATION "XDG_CACHE_HOME=set:${CMAKE_BINARY_DIR}/test-cache")

# kdx_gtest(<name> SOURCES <files...> DEPS <libs...>)
# One GoogleTest program; each test case becomes a CTest test.
function(kdx_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE
      KDX_BIN_DIR="${CMAKE_BINARY_DIR}/bin" KDX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${kdx_test_cache})
endfunction()

# kdx_qtest(<name> SOURCES <files...> DEPS <libs...> [CLASSES <names...>])
# One Qt Test program run offscreen. Without CLASSES it is one CTest test.
# With CLASSES the program runs the class named by its first argument, each
# class becomes the CTest test <name>.<class>, and <name>.registered checks
# that the program holds no class missing from the list.
function(kdx_qtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;CLASSES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} Qt6::Test Threads::Threads)
  target_compile_definitions(${name} PRIVATE
      KDX_BIN_DIR="${CMAKE_BINARY_DIR}/bin" KDX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(NOT ARG_CLASSES)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${kdx_test_cache})
    return()
  endif()
  foreach(class ${ARG_CLASSES})
    add_test(NAME ${name}.${class} COMMAND ${name} ${class})
    set_tests_properties(${name}.${class} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${kdx_test_cache})
  endforeach()
  add_test(NAME ${name}.registered COMMAND ${name} --registered ${ARG_CLASSES})
  set_tests_properties(${name}.registered PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${kdx_test_cache})
endfunction()
