# IBM Z Linux, a big-endian machine (Debian: g++-s390x-linux-gnu), tests under qemu-s390x.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(die_fairness_triple s390x-linux-gnu)
include("${CMAKE_CURRENT_LIST_DIR}/debian-cross-linux.cmake")
