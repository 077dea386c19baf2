# Each tests/win/*_test.cpp (in-process) and tests/e2e/*_test.cpp (drives the built exe)
# becomes one GoogleTest program, run by ctest through Wine.
set(MORVEK_EXE_WINPATH "Z:${CMAKE_BINARY_DIR}/Morvek.exe")
string(REPLACE "/" "\\\\" MORVEK_EXE_WINPATH "${MORVEK_EXE_WINPATH}")
set(MORVEK_TEST_TMP_WINPATH "Z:${CMAKE_BINARY_DIR}/testrun")
string(REPLACE "/" "\\\\" MORVEK_TEST_TMP_WINPATH "${MORVEK_TEST_TMP_WINPATH}")
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/testrun)
set(MORVEK_RECORDER_WINPATH "Z:${CMAKE_BINARY_DIR}/launch_recorder.exe")
string(REPLACE "/" "\\\\" MORVEK_RECORDER_WINPATH "${MORVEK_RECORDER_WINPATH}")
set(MORVEK_SYSTEM_CP_EXE_WINPATH "Z:${CMAKE_BINARY_DIR}/Morvek_system_cp.exe")
string(REPLACE "/" "\\\\" MORVEK_SYSTEM_CP_EXE_WINPATH "${MORVEK_SYSTEM_CP_EXE_WINPATH}")

# The program as it runs on systems that ignore the manifest's code page: the same build
# under the system's code page (932 under the ja locale), for the end-to-end tests of it.
add_executable(Morvek_system_cp WIN32 src/app/main.cpp $<TARGET_OBJECTS:morvek_res>
               $<TARGET_OBJECTS:morvek_manifest_system_cp>)
target_compile_options(Morvek_system_cp PRIVATE ${MORVEK_WARNINGS})
target_link_libraries(Morvek_system_cp PRIVATE morvek_core)
target_link_options(Morvek_system_cp PRIVATE -static -s)

# The drop the end-to-end drop test makes, from an X client as a Linux file manager makes
# it: a Linux program, built with the host's compiler.
find_program(MORVEK_HOST_CXX NAMES c++ g++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(MORVEK_XDND_DROP ${CMAKE_BINARY_DIR}/xdnd_drop)
add_custom_command(OUTPUT ${MORVEK_XDND_DROP}
    COMMAND ${MORVEK_HOST_CXX} -Wall -Wextra -Werror -O1 -o ${MORVEK_XDND_DROP}
            ${CMAKE_SOURCE_DIR}/tests/helpers/xdnd_drop.cpp -lX11
    DEPENDS ${CMAKE_SOURCE_DIR}/tests/helpers/xdnd_drop.cpp)
add_custom_target(xdnd_drop ALL DEPENDS ${MORVEK_XDND_DROP})
set(MORVEK_XDND_WINPATH "Z:${MORVEK_XDND_DROP}")
string(REPLACE "/" "\\\\" MORVEK_XDND_WINPATH "${MORVEK_XDND_WINPATH}")

# The program the end-to-end launcher tests launch: it records its argument.
add_executable(launch_recorder WIN32 tests/helpers/launch_recorder.cpp)
target_compile_options(launch_recorder PRIVATE ${MORVEK_WARNINGS})
target_link_options(launch_recorder PRIVATE -static)

# A library the tests plant beside a program as winmm.dll, a decoy it must not load.
add_library(decoy_dll SHARED tests/helpers/decoy_dll.cpp)
set_target_properties(decoy_dll PROPERTIES PREFIX "" OUTPUT_NAME decoy_dll RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_compile_options(decoy_dll PRIVATE ${MORVEK_WARNINGS})
target_link_options(decoy_dll PRIVATE -static)
set(MORVEK_DECOY_DLL_WINPATH "Z:${CMAKE_BINARY_DIR}/decoy_dll.dll")
string(REPLACE "/" "\\\\" MORVEK_DECOY_DLL_WINPATH "${MORVEK_DECOY_DLL_WINPATH}")

add_library(morvek_testkit STATIC tests/support/files.cpp tests/support/exe_driver.cpp tests/support/recorders.cpp
    tests/support/platform_swaps.cpp tests/support/launcher_owner.cpp tests/support/test_main.cpp)
target_include_directories(morvek_testkit PUBLIC ${CMAKE_SOURCE_DIR}/tests/support)
target_compile_options(morvek_testkit PRIVATE ${MORVEK_WARNINGS})
target_compile_definitions(morvek_testkit PUBLIC
    MORVEK_EXE_PATH="${MORVEK_EXE_WINPATH}" MORVEK_TEST_TMP="${MORVEK_TEST_TMP_WINPATH}"
    MORVEK_RECORDER_PATH="${MORVEK_RECORDER_WINPATH}"
    MORVEK_SYSTEM_CP_EXE_PATH="${MORVEK_SYSTEM_CP_EXE_WINPATH}" MORVEK_XDND_PATH="${MORVEK_XDND_WINPATH}"
    MORVEK_DECOY_DLL_PATH="${MORVEK_DECOY_DLL_WINPATH}")
target_link_libraries(morvek_testkit PUBLIC morvek_core gtest shlwapi)

# Test programs run under the system's code page (932 under the ja locale), carrying the
# program's manifest without its UTF-8 entry; the programs of MORVEK_UTF8_TESTS carry the
# program's own manifest and run under UTF-8, the code page the program has on Windows 10
# (1903) and later. Those of MORVEK_BOTH_CODE_PAGES_TESTS are built both ways, the UTF-8
# one named NAME_utf8.
set(MORVEK_UTF8_TESTS launcher_e2e_test dialogs_e2e_test)
set(MORVEK_BOTH_CODE_PAGES_TESTS paths_test hostile_names_test folder_menu_test submenu_test type_ahead_test
    idlist_test drop_dialog_test)

# What test programs share, so that they take turns under `ctest -j`: the in-process tests
# the items folder and settings file beside the test programs (build/win64); the end-to-end
# tests, each in folders of its own, the one Morvek that may run at a time; and the
# keyboard, for those that drive menus with keys while the hotkey test presses keys for real.
function(morvek_share_test_exe_dir name src)
  if(src MATCHES "/tests/win/")
    set(locks beside_test_exe)
  else()
    set(locks morvek_instance)
  endif()
  if(name MATCHES "^(launcher_(e2e|click)|build_ahead|type_ahead)_test")
    list(APPEND locks keyboard)
  endif()
  set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${locks}")
endfunction()

function(morvek_wine_test name src manifest codepage)
  add_executable(${name} ${src} $<TARGET_OBJECTS:morvek_res> $<TARGET_OBJECTS:${manifest}>)
  target_compile_options(${name} PRIVATE ${MORVEK_WARNINGS})
  target_link_libraries(${name} PRIVATE morvek_testkit)
  target_link_options(${name} PRIVATE -static)
  add_dependencies(${name} Morvek Morvek_system_cp launch_recorder xdnd_drop decoy_dll)
  add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-test.sh $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "MORVEK_EXPECT_ACP=${codepage}" TIMEOUT 600)
  morvek_share_test_exe_dir(${name} ${src})
endfunction()

file(GLOB MORVEK_WIN_TESTS CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/tests/win/*_test.cpp ${CMAKE_SOURCE_DIR}/tests/e2e/*_test.cpp)
foreach(src ${MORVEK_WIN_TESTS})
  get_filename_component(name ${src} NAME_WE)
  # Each program runs under the code page it is built for and fails at its start under
  # any other (see tests/support/test_main.cpp).
  if(name IN_LIST MORVEK_UTF8_TESTS)
    morvek_wine_test(${name} ${src} morvek_manifest 65001)
  else()
    morvek_wine_test(${name} ${src} morvek_manifest_system_cp 932)
  endif()
  if(name IN_LIST MORVEK_BOTH_CODE_PAGES_TESTS)
    morvek_wine_test(${name}_utf8 ${src} morvek_manifest 65001)
  endif()
endforeach()
# The DPI test changes the prefix's screen DPI; its command puts it back on every exit.
# Every program started meanwhile would see that DPI: it runs alone.
set_tests_properties(dpi_e2e_test PROPERTIES ENVIRONMENT "MORVEK_EXPECT_ACP=932;MORVEK_RESTORE_DPI=1"
                     RUN_SERIAL TRUE)

# Path and text handling also runs under the Western code page 1252.
foreach(name paths_test hostile_names_test)
  add_test(NAME ${name}_cp1252 COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-test.sh $<TARGET_FILE:${name}>)
  set_tests_properties(${name}_cp1252 PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8;MORVEK_EXPECT_ACP=1252"
                       TIMEOUT 600 RESOURCE_LOCK beside_test_exe)
endforeach()

# The exe imports only DLLs that Windows always takes from the system folder.
find_program(MORVEK_OBJDUMP NAMES ${CMAKE_CXX_COMPILER_TARGET}-objdump x86_64-w64-mingw32-objdump REQUIRED)
add_test(NAME exe_imports COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-imports.sh ${MORVEK_OBJDUMP} $<TARGET_FILE:Morvek>)
