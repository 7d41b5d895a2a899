# Cross-builds for 64-bit Windows with Debian's MinGW-w64 compilers.
#
# The posix thread model of the compilers is the one whose C++ library has
# std::thread; Debian's unsuffixed names may point at either model, so the
# suffixed ones are named here. Programs built for the tests run under Wine,
# in the project's own prefix (scripts/wine-run.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QZ_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QZ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QZ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_ASM_COMPILER ${QZ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_RC_COMPILER ${QZ_MINGW_TRIPLE}-windres)

# Libraries and packages come from the target's tree only, never the build
# machine's; programs (code generators, tools) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${QZ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

get_filename_component(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine-run.sh" ABSOLUTE)
