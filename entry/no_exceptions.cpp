// The launcher is built without exceptions. The library's throw helpers would
// otherwise drag in the whole unwinding and demangling machinery; here every
// one of them ends the process, which is what an uncaught exception would do.
// A failed container bounds check ends it the same way.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>

// The library's operator new throws bad_alloc, which alone would bring back
// the unwinder; running out of memory ends the launcher instead.
void *operator new(std::size_t size) {
    void *memory = std::malloc(size ? size : 1);
    if (!memory)
        std::abort();
    return memory;
}
void *operator new[](std::size_t size) { return operator new(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return std::malloc(size ? size : 1); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void *memory) noexcept { std::free(memory); }
void operator delete[](void *memory) noexcept { std::free(memory); }
void operator delete(void *memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void *memory, std::size_t) noexcept { std::free(memory); }

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}

namespace std {
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_length_error(const char *) { std::abort(); }
void __throw_logic_error(const char *) { std::abort(); }
void __throw_out_of_range(const char *) { std::abort(); }
void __throw_out_of_range_fmt(const char *, ...) { std::abort(); }
void __throw_invalid_argument(const char *) { std::abort(); }

void __glibcxx_assert_fail(const char *file, int line, const char *function, const char *condition) noexcept {
    (void)line;
    fputs(file, stderr);
    fputs(": ", stderr);
    fputs(function, stderr);
    fputs(": assertion failed: ", stderr);
    fputs(condition, stderr);
    fputs("\n", stderr);
    std::abort();
}
}
