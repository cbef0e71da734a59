// A shim for LD_PRELOAD (glibc): malloc refuses memory from its Nth call on,
// N from REFUSE_MEMORY_FROM, as a system out of memory would. With
// COUNT_ALLOCATIONS_IN=FILE it writes to FILE how many calls it saw, so that a
// test knows how far to sweep N.
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstddef>
#include <cstdlib>

extern "C" void* __libc_malloc(std::size_t size);  // NOLINT: glibc's own allocator

namespace {

unsigned long calls = 0;
unsigned long refused_from = 0;  // 0 until read from the environment

// No allocation in here: strtoul and getenv need none.
unsigned long first_refused() {
  const char* text = std::getenv("REFUSE_MEMORY_FROM");
  return text == nullptr ? ULONG_MAX : std::strtoul(text, nullptr, 10);
}

}  // namespace

extern "C" void* malloc(std::size_t size) {  // NOLINT: the shim replaces the C library's
  if (refused_from == 0) refused_from = first_refused();
  if (++calls >= refused_from) return nullptr;
  return __libc_malloc(size);
}

[[gnu::destructor]] static void write_count() {  // NOLINT: runs at exit, as the shim must
  const char* path = std::getenv("COUNT_ALLOCATIONS_IN");
  if (path == nullptr) return;
  char digits[24];
  std::size_t at = sizeof digits;
  unsigned long left = calls;
  do {
    digits[--at] = static_cast<char>('0' + left % 10);
    left /= 10;
  } while (left > 0);
  const int file = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (file < 0) return;
  const auto written = write(file, digits + at, sizeof digits - at);
  static_cast<void>(written);  // a count not written fails the test that reads it
  close(file);
}
