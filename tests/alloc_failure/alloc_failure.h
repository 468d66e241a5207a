// Makes allocations through operator new fail on demand: while armed, every request of at
// least the given size throws std::bad_alloc. Smaller requests and every request while
// disarmed are served by malloc as usual.
#pragma once

#include <cstddef>

void fail_allocations_from(std::size_t bytes);
void stop_failing_allocations();
