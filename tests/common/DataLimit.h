#pragma once
// The process's data limit (ulimit -d) lowered, while alive, to what it uses now plus `room`: how a
// test makes "not enough memory" real without using it up. Only work refused before it allocates
// may run meanwhile.
#include <QFile>
#include <sys/resource.h>

class TDataLimit {
public:
    explicit TDataLimit(qint64 room)
    {
        getrlimit(RLIMIT_DATA, &FOld);
        QFile status("/proc/self/status");
        qint64 used = 0;
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray& line : status.readAll().split('\n'))
                if (line.startsWith("VmData:"))
                    used = line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
        rlimit lowered = FOld;
        lowered.rlim_cur = rlim_t(used + room);
        FSet = used > 0 && setrlimit(RLIMIT_DATA, &lowered) == 0;
    }
    ~TDataLimit() { setrlimit(RLIMIT_DATA, &FOld); }
    TDataLimit(const TDataLimit&) = delete;
    TDataLimit& operator=(const TDataLimit&) = delete;
    bool Set() const { return FSet; }

private:
    rlimit FOld{};
    bool FSet = false;
};
