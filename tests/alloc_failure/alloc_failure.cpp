#include "alloc_failure.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> failing_size{0}; // 0: nothing fails

void* allocate(std::size_t bytes)
{
    const std::size_t limit = failing_size.load();
    if (limit != 0 && bytes >= limit) throw std::bad_alloc();
    void* memory = std::malloc(bytes > 0 ? bytes : 1);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}

} // namespace

void fail_allocations_from(std::size_t bytes) { failing_size.store(bytes); }
void stop_failing_allocations() { failing_size.store(0); }

void* operator new(std::size_t bytes) { return allocate(bytes); }
void* operator new[](std::size_t bytes) { return allocate(bytes); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
