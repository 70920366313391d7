# The Windows build (cross-compiled with cmake/mingw-w64.cmake; `make windows`): SDL2, SDL2_image,
# libjpeg, libpng and zlib come static from the prefix that scripts/windows-deps.sh fills
# (CMAKE_PREFIX_PATH), under the names the Linux build gives its pkg-config packages, so the rest of the
# build reads the same.
find_package(SDL2 REQUIRED CONFIG)
# SDL2_image decodes PNG with libpng (on zlib) and JPEG with libjpeg-turbo, the decoders of the Linux
# build; its package file links them through CMake's own PNG::PNG and JPEG::JPEG.
find_package(libjpeg-turbo REQUIRED CONFIG)
add_library(JPEG::JPEG INTERFACE IMPORTED)
target_link_libraries(JPEG::JPEG INTERFACE libjpeg-turbo::jpeg-static)
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(SDL2_image REQUIRED CONFIG)
add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
target_link_libraries(PkgConfig::SDL2 INTERFACE SDL2_image::SDL2_image-static SDL2::SDL2-static)
add_library(PkgConfig::JPEG INTERFACE IMPORTED)
target_link_libraries(PkgConfig::JPEG INTERFACE libjpeg-turbo::jpeg-static)

# GCC 12 takes std::string's inlined copies for overlapping ones in optimised builds (a false alarm GCC 13
# no longer raises): a warning, not a failure.
add_compile_options(-Wno-error=restrict)

# Nothing but system DLLs beside the two files: the C++ run-time and the thread library go in statically.
# A release is stripped: the symbols would triple the engine's size for no player's use.
add_link_options(-static $<$<CONFIG:Release>:-s>)

set(ZANORU_DATA_DIR "" CACHE PATH "Data baked by a native build (<native build>/game/Data)")

# The icon the native build baked from the drawing of DX/icon.png, beside its Data folder.
set(ZANORU_ICON_FILE "" CACHE FILEPATH "zanoru.ico baked by a native build (<native build>/icons/zanoru.ico)")
enable_language(RC)

# A version resource for one of the two files, from dist/windows/version.rc.in.
function(zanoru_version_resource target file description type)
  set(RC_FILE_NAME ${file})
  set(RC_DESCRIPTION ${description})
  set(RC_FILE_TYPE ${type})
  get_filename_component(RC_INTERNAL_NAME ${file} NAME_WE)
  set(rc ${CMAKE_BINARY_DIR}/resources/${RC_INTERNAL_NAME}-version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/dist/windows/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# The engine DLL exports the engine's operations and nothing else: no SDL, no C++ run-time.
function(zanoru_windows_engine objects engine)
  target_compile_definitions(${objects} PRIVATE "OMEGA_API=__declspec(dllexport)")
  target_link_options(${engine} PRIVATE -Wl,--exclude-all-symbols -Wl,--exclude-libs,ALL)
  zanoru_version_resource(${engine} OMEGA.dll "OMEGA Engine for Zanoru" VFT_DLL)
endfunction()

# The game folder (zanoru.exe, DX\OMEGA.dll, Data\, the readme) and the zip a player downloads.
function(zanoru_windows_package)
  # A windowed program: no console window opens beside the game.
  target_link_options(zanoru PRIVATE -mwindows)
  if(NOT IS_DIRECTORY "${ZANORU_DATA_DIR}")
    message(FATAL_ERROR "ZANORU_DATA_DIR must name the Data folder of a native build")
  endif()
  if(NOT ZANORU_ICON_FILE)
    get_filename_component(ZANORU_ICON_FILE "${ZANORU_DATA_DIR}/../../icons/zanoru.ico" ABSOLUTE)
  endif()
  # The icon, the manifest and the version of zanoru.exe.
  set(ZANORU_MANIFEST_FILE ${CMAKE_BINARY_DIR}/resources/zanoru.manifest)
  configure_file(${CMAKE_SOURCE_DIR}/dist/windows/zanoru.manifest.in ${ZANORU_MANIFEST_FILE} @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/dist/windows/zanoru.rc.in ${CMAKE_BINARY_DIR}/resources/zanoru.rc @ONLY)
  target_sources(zanoru PRIVATE ${CMAKE_BINARY_DIR}/resources/zanoru.rc)
  set_source_files_properties(${CMAKE_BINARY_DIR}/resources/zanoru.rc PROPERTIES
    OBJECT_DEPENDS "${ZANORU_ICON_FILE};${ZANORU_MANIFEST_FILE}")
  zanoru_version_resource(zanoru zanoru.exe "Zanoru" VFT_APP)
  set(name zanoru-${PROJECT_VERSION}-win64)
  set(readme ${CMAKE_BINARY_DIR}/README.txt)
  configure_file(${CMAKE_SOURCE_DIR}/dist/windows/README.txt.in ${readme} @ONLY NEWLINE_STYLE CRLF)
  set(stage ${CMAKE_BINARY_DIR}/stage)
  set(zip ${GAME_DIR}/../${name}.zip)
  # Data as Windows keeps it: names equal but for case are one file there (the same bytes, or the
  # build fails), and the zip holds no two such names, or unzipping would ask the player which to keep.
  set(case_blind ${CMAKE_SOURCE_DIR}/cmake/CaseBlindCopy.cmake)
  add_custom_target(windows_game ALL
    COMMAND ${CMAKE_COMMAND} -DFROM=${ZANORU_DATA_DIR} -DTO=${GAME_DIR}/Data -P ${case_blind}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${readme} ${GAME_DIR}/README.txt
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/${name}/DX
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:zanoru> ${readme} ${stage}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:omega_engine> ${stage}/${name}/DX
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${GAME_DIR}/Data ${stage}/${name}/Data
    COMMAND ${CMAKE_COMMAND} -DCHECK=${stage} -P ${case_blind}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${zip}
    COMMAND ${CMAKE_COMMAND} -E chdir ${stage} ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip ${name}
    DEPENDS zanoru omega_engine ${readme}
    COMMENT "Packing ${name}.zip"
    VERBATIM)

  # The frame replay benchmark, to measure the engine under Wine beside Linux (bench/README.md); built
  # only when asked for.
  add_executable(replay_bench EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/replay/replay_bench.cpp
    ${CMAKE_SOURCE_DIR}/tests/support/TraceReplay.cpp ${CMAKE_SOURCE_DIR}/tests/support/PlainDrawing.cpp
    ${CMAKE_SOURCE_DIR}/bench/replay/Floor.cpp ${CMAKE_SOURCE_DIR}/tests/support/TraceReader.cpp)
  # As in bench/replay/CMakeLists.txt: the floor's 16-pixel vectors stay inside inlined functions.
  set_source_files_properties(${CMAKE_SOURCE_DIR}/bench/replay/Floor.cpp PROPERTIES COMPILE_OPTIONS -Wno-psabi)
  target_include_directories(replay_bench PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(replay_bench PRIVATE SDL_MAIN_HANDLED)  # our own main, no SDL2main
  target_link_libraries(replay_bench PRIVATE omega_core)

  # For the Wine tests, never packed: the test build of the game (every run from one seed, to compare
  # with the Linux one), a program that holds a file without sharing it, and an engine that lacks one
  # operation the game calls.
  zanoru_seeded_game(${CMAKE_BINARY_DIR}/test-libs)
  target_link_options(zanoru_seeded PRIVATE -mwindows)
  add_executable(hold_file ${CMAKE_SOURCE_DIR}/tests/windows/HoldFile.cpp)
  set_target_properties(hold_file PROPERTIES OUTPUT_NAME HoldFile RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-libs)
  add_library(partial_engine SHARED ${CMAKE_SOURCE_DIR}/tests/e2e/libs/PartialEngine.cpp)
  target_include_directories(partial_engine PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(partial_engine PROPERTIES OUTPUT_NAME PartialEngine PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-libs)
endfunction()
