#include "platform/process_priority.h"

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/resource.h>

namespace lumisett::platform {
namespace {

constexpr int kHighNice = -10;

bool SetPolicy(int policy) {
    sched_param parameters{};
    return sched_setscheduler(0, policy, &parameters) == 0;
}

} // namespace

bool SetProcessPriority(ProcessPriority priority, std::string* error) {
    bool ok = true;
    switch (priority) {
    case ProcessPriority::High:
        ok = SetPolicy(SCHED_OTHER) && setpriority(PRIO_PROCESS, 0, kHighNice) == 0;
        break;
    case ProcessPriority::Normal:
        ok = SetPolicy(SCHED_OTHER) && setpriority(PRIO_PROCESS, 0, 0) == 0;
        break;
    case ProcessPriority::Low:
        ok = SetPolicy(SCHED_IDLE);
        break;
    }
    if (!ok && error != nullptr) {
        *error = priority == ProcessPriority::Low
                     ? std::string("The priority could not be lowered: ") + std::strerror(errno)
                     : "Raising the priority needs permission (for example an entry for your user "
                       "in /etc/security/limits.conf).";
    }
    return ok;
}

bool CurrentProcessPriority(ProcessPriority& priority) {
    const int policy = sched_getscheduler(0);
    if (policy == SCHED_IDLE) {
        priority = ProcessPriority::Low;
        return true;
    }
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, 0);
    if (policy != SCHED_OTHER || errno != 0 || (nice != 0 && nice != kHighNice)) {
        return false;
    }
    priority = nice == kHighNice ? ProcessPriority::High : ProcessPriority::Normal;
    return true;
}

} // namespace lumisett::platform
