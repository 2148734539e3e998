# Third-party libraries, each behind one imported target so the layers name them plainly.
set(CMAKE_AUTOMOC ON)
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets Network DBus Test)
find_package(PkgConfig REQUIRED)
pkg_check_modules(ICU REQUIRED IMPORTED_TARGET icu-uc icu-i18n)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
pkg_check_modules(SECRET REQUIRED IMPORTED_TARGET libsecret-1)
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11 xext xi xtst x11-xcb xcb)
pkg_check_modules(ATSPI REQUIRED IMPORTED_TARGET atspi-2)

# whisper.cpp + ggml are built once by scripts/whisper-cache into a cache outside the clone.
if(NOT TAVIK_WHISPER_PREFIX)
    execute_process(COMMAND "${CMAKE_SOURCE_DIR}/scripts/whisper-cache" --prefix
                    OUTPUT_VARIABLE _whisper_prefix OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(TAVIK_WHISPER_PREFIX "${_whisper_prefix}" CACHE PATH "Install prefix of whisper.cpp")
endif()
find_path(WHISPER_INCLUDE_DIR whisper.h PATHS "${TAVIK_WHISPER_PREFIX}/include" NO_DEFAULT_PATH)
find_library(WHISPER_LIBRARY whisper PATHS "${TAVIK_WHISPER_PREFIX}/lib" NO_DEFAULT_PATH)
find_library(GGML_LIBRARY ggml PATHS "${TAVIK_WHISPER_PREFIX}/lib" NO_DEFAULT_PATH)
find_library(GGML_BASE_LIBRARY ggml-base PATHS "${TAVIK_WHISPER_PREFIX}/lib" NO_DEFAULT_PATH)
if(NOT WHISPER_INCLUDE_DIR OR NOT WHISPER_LIBRARY OR NOT GGML_LIBRARY OR NOT GGML_BASE_LIBRARY)
    message(FATAL_ERROR "whisper.cpp not found under ${TAVIK_WHISPER_PREFIX}; run scripts/setup first")
endif()
add_library(tavik_whisper INTERFACE)
target_include_directories(tavik_whisper SYSTEM INTERFACE "${WHISPER_INCLUDE_DIR}")
target_link_libraries(tavik_whisper INTERFACE "${WHISPER_LIBRARY}" "${GGML_LIBRARY}" "${GGML_BASE_LIBRARY}")
# libwhisper carries no search path of its own for libggml-base; an RPATH (unlike a RUNPATH)
# also serves the libraries' own dependencies.
target_link_options(tavik_whisper INTERFACE "LINKER:--disable-new-dtags")
set(TAVIK_GGML_BACKEND_DIR "${TAVIK_WHISPER_PREFIX}/lib/ggml-backends")
# The build tree uses the cache; an install carries its own copies in lib/tavik and finds them
# from wherever it was put, so it survives the cache being emptied and can be moved or packaged.
set(CMAKE_BUILD_RPATH "${TAVIK_WHISPER_PREFIX}/lib")
set(CMAKE_INSTALL_RPATH "$ORIGIN/../lib/tavik")

# One library per layer; each globs its own folder so parallel work never edits a shared list.
function(tavik_layer_library name)
    cmake_parse_arguments(ARG "" "" "DIRS;DEPS" ${ARGN})
    set(_sources)
    foreach(_dir IN LISTS ARG_DIRS)
        file(GLOB _found CONFIGURE_DEPENDS "${_dir}/*.cpp" "${_dir}/*.h")
        list(APPEND _sources ${_found})
    endforeach()
    add_library(${name} STATIC ${_sources})
    target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}")
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()
