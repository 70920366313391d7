# The browser build (`make web`, Emscripten): the game is the main module and carries SDL (Emscripten
# keeps inline JavaScript, which SDL has, out of side modules); the engine is DX/OMEGA.dll, a side module
# holding SDL2_image, libpng, zlib and libjpeg that the game opens with dlopen and binds with dlsym, as
# everywhere. The libraries come static and position-independent from the prefix scripts/web-deps.sh
# fills (CMAKE_PREFIX_PATH).
find_package(SDL2 REQUIRED CONFIG)
# SDL2_image decodes PNG with libpng (on zlib) and JPEG with libjpeg-turbo, the decoders of the other
# systems; its package file asks for them through CMake's own PNG::PNG and JPEG::JPEG.
find_package(libjpeg-turbo REQUIRED CONFIG)
add_library(JPEG::JPEG INTERFACE IMPORTED)
target_link_libraries(JPEG::JPEG INTERFACE libjpeg-turbo::jpeg-static)
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(SDL2_image REQUIRED CONFIG)
# The sources compile against the libraries' headers under the Linux build's names; what each module
# links is chosen below, so that SDL lives in the main module only.
get_target_property(ZANORU_SDL_INCLUDES SDL2::SDL2-static INTERFACE_INCLUDE_DIRECTORIES)
get_target_property(ZANORU_IMAGE_INCLUDES SDL2_image::SDL2_image-static INTERFACE_INCLUDE_DIRECTORIES)
add_library(PkgConfig::SDL2 INTERFACE IMPORTED)
target_include_directories(PkgConfig::SDL2 INTERFACE ${ZANORU_SDL_INCLUDES} ${ZANORU_IMAGE_INCLUDES})
add_library(PkgConfig::JPEG INTERFACE IMPORTED)
get_target_property(ZANORU_JPEG_INCLUDES libjpeg-turbo::jpeg-static INTERFACE_INCLUDE_DIRECTORIES)
target_include_directories(PkgConfig::JPEG INTERFACE ${ZANORU_JPEG_INCLUDES})

# Both modules share one memory, so every object is position-independent; 64-bit integers cross into
# JavaScript as BigInt (libjpeg's setjmp needs it).
add_compile_options(-fPIC)
add_link_options(-sWASM_BIGINT)

set(ZANORU_DATA_DIR "" CACHE PATH "Data baked by a native build (<native build>/game/Data)")
set(ZANORU_WEB_PAGE_DIR ${CMAKE_SOURCE_DIR}/dist/web)

# The engine: a side module at DX/OMEGA.dll. Its imports (the C and C++ libraries' functions, SDL's)
# are what the main module must export, read from the built module by scripts/web-imports.py.
function(zanoru_web_engine objects)
  add_executable(omega_engine $<TARGET_OBJECTS:${objects}>)
  # The archives themselves: SDL2_image's target would bring SDL along, which stays in the main module.
  target_link_libraries(omega_engine PRIVATE omega_trace_format zanoru_base
    $<TARGET_FILE:SDL2_image::SDL2_image-static> ${PNG_LIBRARIES} $<TARGET_FILE:libjpeg-turbo::jpeg-static>)
  target_link_options(omega_engine PRIVATE -sSIDE_MODULE=1)
  # Into the data package only: the served folder holds no DX of its own.
  set_target_properties(omega_engine PROPERTIES OUTPUT_NAME OMEGA SUFFIX ".dll"
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/DX)
endfunction()

# A main module of the game (the game itself or its test build): SDL, the exports the engine imports,
# the page's services (platform/Windows_emscripten.js) and the data package (zanoru.data: DX/OMEGA.dll
# and Data/ under /game).
function(zanoru_web_main target)
  target_link_libraries(${target} PRIVATE SDL2::SDL2-static)
  set(engine ${CMAKE_BINARY_DIR}/DX/OMEGA.dll)
  set(exports ${CMAKE_BINARY_DIR}/engine-imports.txt)
  add_dependencies(${target} engine_imports)
  target_link_options(${target} PRIVATE
    # Only what the engine imports leaves the main module (MAIN_MODULE=1 would export every symbol of
    # the C and C++ libraries and SDL: megabytes of JavaScript).
    -sMAIN_MODULE=2 "SHELL:-s EXPORTED_FUNCTIONS=@${exports}"
    "SHELL:-s DEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${exports}.library" -Wno-undefined
    -sALLOW_MEMORY_GROWTH -sUSE_OFFSET_CONVERTER -sEXIT_RUNTIME -sFORCE_FILESYSTEM -lidbfs.js
    "SHELL:-s EXPORTED_RUNTIME_METHODS=FS,ENV,IDBFS"
    "SHELL:--js-library ${CMAKE_SOURCE_DIR}/platform/Windows_emscripten.js"
    "SHELL:--preload-file ${engine}@/game/DX/OMEGA.dll"
    "SHELL:--preload-file ${ZANORU_DATA_DIR}@/game/Data")
  set_target_properties(${target} PROPERTIES LINK_DEPENDS "${exports};${engine};${CMAKE_SOURCE_DIR}/platform/Windows_emscripten.js")
endfunction()

# The game (zanoru.js, zanoru.wasm, zanoru.data), the page, and the zip of the folder for any static host;
# beside them, in seeded/ of the build folder, the game's test build for the browser tests (never
# served to players nor packed).
function(zanoru_web_package)
  if(NOT IS_DIRECTORY "${ZANORU_DATA_DIR}")
    message(FATAL_ERROR "ZANORU_DATA_DIR must name the Data folder of a native build")
  endif()
  file(REMOVE_RECURSE ${GAME_DIR}/DX)
  set(exports ${CMAKE_BINARY_DIR}/engine-imports.txt)
  add_custom_command(OUTPUT ${exports} ${exports}.library
    COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/web-imports.py ${CMAKE_BINARY_DIR}/DX/OMEGA.dll ${exports} main
    DEPENDS omega_engine ${CMAKE_SOURCE_DIR}/scripts/web-imports.py
    COMMENT "Listing what the engine imports from the game's module" VERBATIM)
  add_custom_target(engine_imports DEPENDS ${exports})
  zanoru_web_main(zanoru)
  zanoru_seeded_game(${CMAKE_BINARY_DIR}/seeded)
  zanoru_web_main(zanoru_seeded)

  set(name zanoru-${PROJECT_VERSION}-web)
  set(out ${GAME_DIR})
  set(stage ${CMAKE_BINARY_DIR}/stage)
  add_custom_target(web_page ALL
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ZANORU_WEB_PAGE_DIR}/index.html ${GAME_DIR}/index.html
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${GAME_DIR}/index.html ${GAME_DIR}/zanoru.js ${GAME_DIR}/zanoru.wasm
            ${GAME_DIR}/zanoru.data ${stage}/${name}
    COMMAND ${CMAKE_COMMAND} -E chdir ${stage} ${CMAKE_COMMAND} -E tar cf ${out}/${name}.zip --format=zip ${name}
    DEPENDS zanoru ${ZANORU_WEB_PAGE_DIR}/index.html
    COMMENT "Packing ${name}.zip"
    VERBATIM)
endfunction()
