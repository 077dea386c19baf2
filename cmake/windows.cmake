# The Windows build: the program, its resources and the tests that run under Wine.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

file(GLOB_RECURSE MORVEK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*.cpp)
list(REMOVE_ITEM MORVEK_SOURCES ${CMAKE_SOURCE_DIR}/src/app/main.cpp)

set(MORVEK_SYSTEM_LIBS version imm32 comctl32 shell32 ole32 uuid advapi32 gdi32 user32 kernel32)

add_library(morvek_core STATIC ${MORVEK_SOURCES})
target_include_directories(morvek_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
# No exceptions: the owners' destructors (core/owners.h) then add no unwinding, and the exe
# stays free of the C++ runtime's exception machinery.
target_compile_options(morvek_core PRIVATE ${MORVEK_WARNINGS} -fno-exceptions)
target_compile_definitions(morvek_core PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_link_libraries(morvek_core PUBLIC ${MORVEK_SYSTEM_LIBS})

# Resources as an object library, so the tests hold the same menu and dialog templates.
add_library(morvek_res OBJECT src/resources/morvek.rc)
target_include_directories(morvek_res PRIVATE ${CMAKE_SOURCE_DIR}/src)
set_source_files_properties(src/resources/morvek.rc PROPERTIES
    OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/src/resources/morvek.ico)

# The manifest, apart: the program's own with UTF-8 as its ANSI code page, and the same
# without that entry for test programs that need the system's code page, as the program
# has it on systems older than Windows 10 (1903).
set(MORVEK_MANIFEST ${CMAKE_SOURCE_DIR}/src/resources/morvek.manifest)
add_library(morvek_manifest OBJECT src/resources/manifest.rc)
set_source_files_properties(src/resources/manifest.rc PROPERTIES OBJECT_DEPENDS ${MORVEK_MANIFEST})

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${MORVEK_MANIFEST})
file(READ ${MORVEK_MANIFEST} manifest)
string(REGEX REPLACE "[ ]*<activeCodePage[^<]*</activeCodePage>\n" "" manifest "${manifest}")
if(manifest MATCHES "activeCodePage>")
  message(FATAL_ERROR "the UTF-8 code page entry of ${MORVEK_MANIFEST} was not removed")
endif()
set(system_cp ${CMAKE_BINARY_DIR}/system_code_page)
file(CONFIGURE OUTPUT ${system_cp}/morvek.manifest CONTENT "${manifest}" @ONLY)
file(CONFIGURE OUTPUT ${system_cp}/manifest.rc CONTENT
     "#include <windows.h>\nCREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${system_cp}/morvek.manifest\"\n" @ONLY)
add_library(morvek_manifest_system_cp OBJECT ${system_cp}/manifest.rc)
set_source_files_properties(${system_cp}/manifest.rc PROPERTIES OBJECT_DEPENDS ${system_cp}/morvek.manifest)

add_executable(Morvek WIN32 src/app/main.cpp $<TARGET_OBJECTS:morvek_res> $<TARGET_OBJECTS:morvek_manifest>)
target_compile_options(Morvek PRIVATE ${MORVEK_WARNINGS} -fno-exceptions)
target_link_libraries(Morvek PRIVATE morvek_core)
# Sections nothing refers to are dropped (the C runtime's start-up objects bring whole
# sections the program never reaches).
target_link_options(Morvek PRIVATE -static -s -Wl,--gc-sections)

if(MORVEK_TESTS AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  enable_testing()
  add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  include(cmake/wine_tests.cmake)
endif()

# The in-process folder menu benchmark: build/win64/folder_menu_bench.exe under Wine.
add_executable(folder_menu_bench bench/folder_menu_bench.cpp)
target_compile_options(folder_menu_bench PRIVATE ${MORVEK_WARNINGS})
target_link_libraries(folder_menu_bench PRIVATE morvek_core)
target_link_options(folder_menu_bench PRIVATE -static)

# The run script's helper: demo shortcuts and simulated tray clicks.
add_executable(morvek_demo tools/morvek_demo.cpp)
target_compile_options(morvek_demo PRIVATE ${MORVEK_WARNINGS})
target_compile_definitions(morvek_demo PRIVATE WIN32_LEAN_AND_MEAN)
target_link_libraries(morvek_demo PRIVATE shell32 ole32 uuid user32)
target_link_options(morvek_demo PRIVATE -static)

# The benchmark (run by scripts/bench.sh).
add_executable(launcher_bench bench/launcher_bench.cpp)
target_compile_options(launcher_bench PRIVATE ${MORVEK_WARNINGS})
target_compile_definitions(launcher_bench PRIVATE WIN32_LEAN_AND_MEAN)
target_link_libraries(launcher_bench PRIVATE psapi shell32 ole32 uuid user32)
target_link_options(launcher_bench PRIVATE -static)

# The benchmark's stand-in: the popup alone, or with /floor the shell's work and the popup
# on every click (clicked by launcher_bench beside Morvek). It lays out its items by the
# launcher's own measures.
add_executable(menu_only WIN32 bench/menu_only.cpp)
target_compile_options(menu_only PRIVATE ${MORVEK_WARNINGS})
target_compile_definitions(menu_only PRIVATE WIN32_LEAN_AND_MEAN)
target_include_directories(menu_only PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(menu_only PRIVATE shlwapi shell32 ole32 gdi32 user32)
target_link_options(menu_only PRIVATE -static)
