# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the posix
# thread model, for std::thread and friends), running the results under
# Wine. The presets "windows" and "dist-win" (CMakePresets.json) use it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QORVANE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QORVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QORVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QORVANE_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${QORVANE_MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${QORVANE_MINGW_TRIPLET}-ranlib CACHE FILEPATH "")
set(CMAKE_STRIP ${QORVANE_MINGW_TRIPLET}-strip CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${QORVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and tools run under Wine.
find_program(QORVANE_WINE NAMES wine wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QORVANE_WINE})

# Everything linked statically (C and C++ runtimes, winpthreads), so each
# program needs only the DLLs that come with Windows; the parts of those
# runtimes that nothing calls are left out.
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--gc-sections")
