// TBB before anything of Qt: its headers use a name Qt defines as a macro (emit).
#include <tbb/task_scheduler_observer.h>

#include "app/TracerPriority.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {
void LowerThisThread()
{
#if defined(__linux__)
    // On Linux the nice value belongs to the thread: its id as the "process" changes it alone.
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), TracerNice);
#endif
}

class TLowerWorkers : public tbb::task_scheduler_observer {
public:
    TLowerWorkers() { observe(true); }
    void on_scheduler_entry(bool worker) override
    {
        if (worker)
            LowerThisThread();
    }
};
} // namespace

void LowerTracerPriority()
{
    static TLowerWorkers workers; // from the first trace on, for the program's life
    LowerThisThread();
}
