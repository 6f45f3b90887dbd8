# Cross build for 64-bit Windows with the posix-thread MinGW-w64 compilers
# (the plain ones lack std::thread and std::mutex).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUORL_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORL_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORL_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORL_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUORL_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run under Wine; the wrapper supplies the private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
