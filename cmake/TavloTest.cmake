# tavlo_test(NAME <name> SOURCES <files...> LIBS <targets...> [GUI] [SANITIZE] [LABELS <labels...>])
#   GUI      - links the test main that creates a QApplication (widgets, OpenGL); otherwise a
#              QGuiApplication-free gtest main is used.
#   SANITIZE - the test is also built and run in the AddressSanitizer build (scripts/test).
#   OWNMAIN  - the sources bring their own main() (e.g. to create the program's own application).
# The shared corpus sits beside the checkout; for a git worktree, beside the main checkout.
set(_tavlo_corpus "${CMAKE_SOURCE_DIR}/../shared/corpus")
if(NOT EXISTS ${_tavlo_corpus})
  execute_process(COMMAND git rev-parse --path-format=absolute --git-common-dir
                  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR} OUTPUT_VARIABLE _tavlo_git_dir
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(_tavlo_git_dir)
    get_filename_component(_tavlo_main_checkout ${_tavlo_git_dir} DIRECTORY)
    set(_tavlo_corpus "${_tavlo_main_checkout}/../shared/corpus")
  endif()
endif()
get_filename_component(_tavlo_corpus ${_tavlo_corpus} ABSOLUTE)
set(TAVLO_CORPUS_DIR "${_tavlo_corpus}" CACHE PATH "Shared real-world picture files")
add_custom_target(sanitize_tests)

# ctest's limit per test program, so a hang costs minutes, not the run (every wait inside a test
# has its own, shorter deadline and names what it waited for). Measured in three runs of ctest
# -j 2 under Xvfb and llvmpipe on 2 busy cores: every program but five ends within 7 s, and
# render_cli_tests within 5-12 s; render_headless_tests takes 19-26 s, photo_tests 27-48 s,
# cli_batch_tests 19-46 s and recovery_process_tests 42-45 s (it kills a program 40 s after a
# change, by design). The default is five times the slowest it covers and leaves room for a
# failing test's own deadlines (a modal dialog 10 s, a tavlo picture 30 s); the others get about
# three times their time, or more where their own waits are longer (a tavlo batch 120 s).
set(TAVLO_TEST_TIMEOUT 60)
set(TAVLO_TEST_TIMEOUTS
  render_headless_tests=90
  photo_tests=150
  recovery_process_tests=120  # waits up to a minute for the child's change, then 40 s
  cli_batch_tests=180         # waits up to two minutes for two workers at once
  cli_photo_tests=120)        # 15-35 s: traced pictures, turntables and a batch of them
# Unoptimised builds (sanitizers, coverage) run our own code several times slower.
if(TAVLO_SANITIZE OR CMAKE_BUILD_TYPE STREQUAL "Debug" OR CMAKE_CXX_FLAGS MATCHES "(^| )(-O0|--coverage)( |$)")
  set(TAVLO_TEST_TIMEOUT_SCALE 5)
else()
  set(TAVLO_TEST_TIMEOUT_SCALE 1)
endif()

function(tavlo_test)
  cmake_parse_arguments(T "GUI;SANITIZE;OWNMAIN" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_OWNMAIN)
  elseif(T_GUI)
    target_link_libraries(${T_NAME} PRIVATE tavlo_test_main_gui)
  else()
    target_link_libraries(${T_NAME} PRIVATE tavlo_test_main)
  endif()
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock Qt6::Test)
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${T_NAME} PRIVATE
    TAVLO_CORPUS_DIR="${TAVLO_CORPUS_DIR}"
    TAVLO_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(labels ${T_LABELS})
  if(T_SANITIZE)
    list(APPEND labels sanitize)
    add_dependencies(sanitize_tests ${T_NAME})
  endif()
  if(labels)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${labels}")
  endif()
  set(timeout ${TAVLO_TEST_TIMEOUT})
  foreach(entry IN LISTS TAVLO_TEST_TIMEOUTS)
    if(entry MATCHES "^${T_NAME}=([0-9]+)$")
      set(timeout ${CMAKE_MATCH_1})
    endif()
  endforeach()
  math(EXPR timeout "${timeout} * ${TAVLO_TEST_TIMEOUT_SCALE}")
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${timeout})
  if(T_GUI OR T_OWNMAIN)
    # Window tests share one X display and so one clipboard: two at once can take it from each other.
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK x11_clipboard)
  endif()
endfunction()
