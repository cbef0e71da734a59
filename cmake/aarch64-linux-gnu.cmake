# 64-bit ARM Linux (Debian: g++-aarch64-linux-gnu), tests under qemu-aarch64.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(die_fairness_triple aarch64-linux-gnu)
include("${CMAKE_CURRENT_LIST_DIR}/debian-cross-linux.cmake")
