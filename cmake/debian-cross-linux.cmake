# Cross build for Linux on another processor with Debian's cross compilers
# (g++-<triple>), linked statically so that qemu-user runs the tests without
# the target's libraries. The including file sets CMAKE_SYSTEM_PROCESSOR and
# die_fairness_triple.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER "${die_fairness_triple}-gcc")
set(CMAKE_CXX_COMPILER "${die_fairness_triple}-g++")
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_CROSSCOMPILING_EMULATOR "qemu-${CMAKE_SYSTEM_PROCESSOR}")
set(CMAKE_FIND_ROOT_PATH "/usr/${die_fairness_triple}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
