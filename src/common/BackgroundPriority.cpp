#include "common/BackgroundPriority.h"

#include <algorithm>
#include <cerrno>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The lowest priority a nice value gives.
constexpr int LowestPriority = 19;

} // namespace

void TBackgroundPriority::LowerThisThread()
{
    // On Linux a nice value belongs to a thread: the one of the calling thread
    // is the one of its id.
    const id_t thread = id_t(::gettid());
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, thread);
    if (now == -1 && errno != 0)
        return;
    ::setpriority(PRIO_PROCESS, thread, std::min(now + Step, LowestPriority));
}
