#include "close_failure.h"

#include <atomic>
#include <cerrno>
#include <cstdio>

extern "C" int __real_fclose(FILE* stream);

namespace {

std::atomic<bool> fail_next{false};

} // namespace

void fail_next_close() { fail_next.store(true); }
bool close_failure_pending() { return fail_next.load(); }

extern "C" int __wrap_fclose(FILE* stream)
{
    const int result = __real_fclose(stream);
    if (!fail_next.exchange(false)) return result;
    errno = ENOSPC;
    return EOF;
}
