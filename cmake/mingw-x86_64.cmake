# Cross build for 64-bit Windows (Wine proof where 32-bit Linux code cannot run) with Debian's mingw-w64 (g++-mingw-w64-x86-64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(NORVALE_MINGW_PREFIX x86_64-w64-mingw32)

# The posix thread model gives std::thread and std::mutex; static linking keeps
# the executables free of mingw DLLs.
find_program(CMAKE_C_COMPILER NAMES ${NORVALE_MINGW_PREFIX}-gcc-posix ${NORVALE_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${NORVALE_MINGW_PREFIX}-g++-posix ${NORVALE_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${NORVALE_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${NORVALE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
