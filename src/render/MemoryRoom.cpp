#include "render/MemoryRoom.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <algorithm>
#include <optional>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#endif

namespace {

std::optional<qint64> Number(const QByteArray& text)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    return ok ? std::optional(v) : std::nullopt; // "max" (no limit) is no number
}

// The system's files as this process sees them.
class TSystemFiles {
public:
    explicit TSystemFiles(const QString& root) : FRoot(root) {}

    QByteArray Read(const QString& path) const
    {
        QFile file(FRoot + path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.read(1 << 16); // /proc and /sys files tell their size as 0: read what there is
    }

    // A "Name:   1234 kB" line of /proc/meminfo or /proc/self/status, in bytes.
    std::optional<qint64> Kilobytes(const QString& path, const QByteArray& name) const
    {
        for (const QByteArray& line : Read(path).split('\n'))
            if (line.startsWith(name + ':'))
                if (const auto kb = Number(line.mid(name.size() + 1).trimmed().split(' ').value(0)))
                    return *kb * 1024;
        return std::nullopt;
    }

    // The room every level of the process's control group leaves (cgroup v2), and the v1 memory
    // limit. Inactive file pages count as room: the kernel drops them before it ends a process.
    std::optional<qint64> ControlGroupRoom() const
    {
        std::optional<qint64> room;
        auto take = [&](const QString& dir, const char* limitFile, const char* usageFile, const QByteArray& inactive) {
            const auto limit = Number(Read(dir + QLatin1String(limitFile)));
            const auto used = Number(Read(dir + QLatin1String(usageFile)));
            if (!limit || !used)
                return;
            qint64 left = *limit - *used;
            for (const QByteArray& line : Read(dir + QStringLiteral("/memory.stat")).split('\n'))
                if (line.startsWith(inactive + ' '))
                    left += Number(line.mid(inactive.size() + 1)).value_or(0);
            room = std::min(room.value_or(left), left);
        };
        for (const QByteArray& line : Read(QStringLiteral("/proc/self/cgroup")).split('\n')) {
            if (!line.startsWith("0::"))
                continue;
            for (QString group = QString::fromUtf8(line.mid(3)).trimmed(); !group.isEmpty();) {
                const bool top = group == QLatin1String("/");
                take(QStringLiteral("/sys/fs/cgroup") + (top ? QString() : group), "/memory.max", "/memory.current",
                     "inactive_file");
                group = top ? QString() : group.left(std::max(qsizetype(1), group.lastIndexOf(QLatin1Char('/'))));
            }
        }
        take(QStringLiteral("/sys/fs/cgroup/memory"), "/memory.limit_in_bytes", "/memory.usage_in_bytes",
             "total_inactive_file");
        return room;
    }

private:
    QString FRoot;
};

} // namespace

qint64 AvailableMemory(const QString& systemRoot)
{
#ifdef Q_OS_LINUX
    const TSystemFiles files(systemRoot);
    std::optional<qint64> room = files.Kilobytes(QStringLiteral("/proc/meminfo"), "MemAvailable");
    auto lower = [&](std::optional<qint64> other) {
        if (other)
            room = std::min(room.value_or(*other), *other);
    };
    lower(files.ControlGroupRoom());
    for (const auto& [resource, field] : {std::pair{RLIMIT_AS, "VmSize"}, {RLIMIT_DATA, "VmData"}}) {
        rlimit limit{};
        if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            if (const auto used = files.Kilobytes(QStringLiteral("/proc/self/status"), field))
                lower(qint64(limit.rlim_cur) - *used);
    }
    return room ? std::max<qint64>(*room, 0) : -1;
#else
    Q_UNUSED(systemRoot);
    return -1;
#endif
}
