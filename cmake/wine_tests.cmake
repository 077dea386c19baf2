# Each tests/win/*_test.cpp (in-process) and tests/e2e/*_test.cpp (drives the built exe)
# becomes one GoogleTest program, run by ctest through Wine.
set(MORVEK_EXE_WINPATH "Z:${CMAKE_BINARY_DIR}/Morvek.exe")
string(REPLACE "/" "\\\\" MORVEK_EXE_WINPATH "${MORVEK_EXE_WINPATH}")
set(MORVEK_TEST_TMP_WINPATH "Z:${CMAKE_BINARY_DIR}/testrun")
string(REPLACE "/" "\\\\" MORVEK_TEST_TMP_WINPATH "${MORVEK_TEST_TMP_WINPATH}")
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/testrun)
set(MORVEK_RECORDER_WINPATH "Z:${CMAKE_BINARY_DIR}/launch_recorder.exe")
string(REPLACE "/" "\\\\" MORVEK_RECORDER_WINPATH "${MORVEK_RECORDER_WINPATH}")

# The program the end-to-end launcher tests launch: it records its argument.
add_executable(launch_recorder WIN32 tests/helpers/launch_recorder.cpp)
target_compile_options(launch_recorder PRIVATE ${MORVEK_WARNINGS})
target_link_options(launch_recorder PRIVATE -static)

add_library(morvek_testkit STATIC tests/support/test_support.cpp tests/support/test_main.cpp)
target_include_directories(morvek_testkit PUBLIC ${CMAKE_SOURCE_DIR}/tests/support)
target_compile_options(morvek_testkit PRIVATE ${MORVEK_WARNINGS})
target_compile_definitions(morvek_testkit PUBLIC
    MORVEK_EXE_PATH="${MORVEK_EXE_WINPATH}" MORVEK_TEST_TMP="${MORVEK_TEST_TMP_WINPATH}"
    MORVEK_RECORDER_PATH="${MORVEK_RECORDER_WINPATH}")
target_link_libraries(morvek_testkit PUBLIC morvek_core gtest shlwapi)

file(GLOB MORVEK_WIN_TESTS CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/tests/win/*_test.cpp ${CMAKE_SOURCE_DIR}/tests/e2e/*_test.cpp)
foreach(src ${MORVEK_WIN_TESTS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src} $<TARGET_OBJECTS:morvek_res>)
  target_compile_options(${name} PRIVATE ${MORVEK_WARNINGS})
  target_link_libraries(${name} PRIVATE morvek_testkit)
  target_link_options(${name} PRIVATE -static)
  add_dependencies(${name} Morvek launch_recorder)
  add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-test.sh $<TARGET_FILE:${name}>)
  # Every test program runs under the Japanese code page of the test session and fails
  # at its start under any other (see tests/support/test_main.cpp).
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "MORVEK_EXPECT_ACP=932" TIMEOUT 600)
endforeach()
# The DPI test changes the prefix's screen DPI; its command puts it back on every exit.
set_tests_properties(dpi_e2e_test PROPERTIES ENVIRONMENT "MORVEK_EXPECT_ACP=932;MORVEK_RESTORE_DPI=1")

# Path and text handling also runs under the Western code page 1252.
foreach(name paths_test hostile_names_test)
  add_test(NAME ${name}_cp1252 COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-test.sh $<TARGET_FILE:${name}>)
  set_tests_properties(${name}_cp1252 PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8;MORVEK_EXPECT_ACP=1252"
                       TIMEOUT 600)
endforeach()

# The exe imports only DLLs that Windows always takes from the system folder.
find_program(MORVEK_OBJDUMP NAMES ${CMAKE_CXX_COMPILER_TARGET}-objdump x86_64-w64-mingw32-objdump REQUIRED)
add_test(NAME exe_imports COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-imports.sh ${MORVEK_OBJDUMP} $<TARGET_FILE:Morvek>)
