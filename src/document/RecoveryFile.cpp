#include "document/RecoveryFile.h"

#include "project/ProjectFile.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <map>
#include <stdexcept>

namespace {

const QString RecoveryExtension = QStringLiteral(".tavlo");
const QString LockExtension = QStringLiteral(".lock");
constexpr char InfoFormat[] = "application/x-tavlo-recovery";

// A lock that only a dead program gives up: by default Qt also takes locks older than 30 seconds,
// and where the file system has no native locks (some network shares) nothing else would stop it.
std::unique_ptr<QLockFile> TryLock(const QString& path)
{
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    return lock->tryLock(0) ? std::move(lock) : nullptr;
}

// Every file of the recovery folder is named "<id>.<something>".
QString IdOf(const QString& fileName) { return fileName.section(QLatin1Char('.'), 0, 0); }

} // namespace

QString RecoveryInfoPath(const QString& recoveryPath)
{
    const QFileInfo info(recoveryPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".json"));
}

void WriteRecoveryInfo(const QString& recoveryPath, const TRecoveryInfo& info)
{
    const QJsonObject o{{"format", InfoFormat},
                        {"version", 1},
                        {"lastChanged", info.LastChanged.toUTC().toString(Qt::ISODateWithMs)},
                        {"templateName", info.Origin.TemplateName},
                        {"projectPath", info.Origin.ProjectPath}};
    const QByteArray bytes = QJsonDocument(o).toJson();
    QSaveFile file(RecoveryInfoPath(recoveryPath));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()).toStdString());
}

TRecoveryInfo ReadRecoveryInfo(const QString& recoveryPath)
{
    TRecoveryInfo info;
    QFile file(RecoveryInfoPath(recoveryPath));
    if (file.open(QIODevice::ReadOnly)) {
        const QJsonObject o = QJsonDocument::fromJson(file.read(64 * 1024)).object();
        if (o.value("format").toString() == QLatin1String(InfoFormat)) {
            info.LastChanged = QDateTime::fromString(o.value("lastChanged").toString(), Qt::ISODateWithMs);
            info.Origin = {o.value("templateName").toString(), o.value("projectPath").toString()};
        }
    }
    if (!info.LastChanged.isValid())
        info.LastChanged = QFileInfo(recoveryPath).lastModified().toUTC();
    return info;
}

// ---- TRecoveryOrphan

TRecoveryOrphan::TRecoveryOrphan(QString path, TRecoveryInfo info, std::unique_ptr<QLockFile> lock)
    : FPath(std::move(path)), FInfo(std::move(info)), FLock(std::move(lock))
{
}

TRecoveryOrphan::TRecoveryOrphan(TRecoveryOrphan&&) noexcept = default;
TRecoveryOrphan& TRecoveryOrphan::operator=(TRecoveryOrphan&&) noexcept = default;
TRecoveryOrphan::~TRecoveryOrphan() = default;

void TRecoveryOrphan::Discard()
{
    if (!FLock)
        return;
    QFile::remove(FPath);
    QFile::remove(RecoveryInfoPath(FPath));
    FLock.reset();
}

// ---- TRecoveryFile

TRecoveryFile::TRecoveryFile(TTavloDocument& document, TStepSource step, QObject* parent, const QString& folder)
    : QObject(parent), FDocument(&document), FStep(std::move(step)),
      FFolder(folder.isEmpty() ? DefaultFolder() : folder),
      FName(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    FTimer.setSingleShot(true);
    FTimer.setInterval(DefaultDelayMs);
    connect(&FTimer, &QTimer::timeout, this, &TRecoveryFile::Sync);
    connect(&FWatcher, &QFutureWatcher<QString>::finished, this, &TRecoveryFile::WriteFinished);
    connect(&document, &TTavloDocument::Changed, this, &TRecoveryFile::DocumentChanged);
    connect(&document, &TTavloDocument::ModifiedChanged, this, &TRecoveryFile::ModifiedChanged);
    if (QDir().mkpath(FFolder))
        FLock = TryLock(FFolder + QLatin1Char('/') + FName + LockExtension);
    if (!FLock)
        FLastError = QStringLiteral("%1: the recovery folder cannot be used").arg(FFolder);
}

TRecoveryFile::~TRecoveryFile()
{
    FTimer.stop();
    FinishWrite();
    // A document that was gone or modified without a clean shutdown keeps its file for the next start.
    if (FDocument && !FDocument->Modified())
        RemoveFiles();
}

QString TRecoveryFile::DefaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/recovery");
}

QString TRecoveryFile::Path() const { return FFolder + QLatin1Char('/') + FName + RecoveryExtension; }

void TRecoveryFile::SetDelay(int msecs) { FTimer.setInterval(std::clamp(msecs, 0, MaxDelayMs)); }

void TRecoveryFile::DocumentChanged()
{
    if (FShutDown || !FDocument || !FDocument->Modified())
        return;
    FLastChange = QDateTime::currentDateTimeUtc();
    FDue = true;
    // Not restarted by later changes: a steady stream of edits is still written within the delay.
    if (!FTimer.isActive())
        FTimer.start();
}

void TRecoveryFile::ModifiedChanged(bool modified)
{
    if (modified) {
        DocumentChanged(); // marked recovered: the work must be on disk even before a change
        return;
    }
    FTimer.stop();
    FDue = false;
    Sync();
}

void TRecoveryFile::Sync()
{
    if (FShutDown || !FDocument || IsWriting())
        return; // a write under way calls again when it ends
    if (!FDocument->Modified()) {
        FDue = false;
        RemoveFiles();
        return;
    }
    if (!FDue || FTimer.isActive() || !FLock)
        return;
    FDue = false;
    // The snapshot needs the document, so it is taken here (the pictures' bytes are shared, not
    // decoded); the slow part (decoding, PNG encoding, writing) runs on a worker, in the atomic
    // save of project files.
    TDocumentSnapshot snapshot = FDocument->Snapshot(FStep ? FStep() : 0);
    const TRecoveryInfo info{FLastChange, FDocument->Origin()};
    FWriting = true;
    FWatcher.setFuture(QtConcurrent::run([snapshot = std::move(snapshot), info, path = Path()]() -> QString {
        try {
            SaveProject(snapshot.ToProject(), path);
            WriteRecoveryInfo(path, info);
            return {};
        } catch (const std::exception& e) {
            return QString::fromUtf8(e.what());
        }
    }));
}

void TRecoveryFile::FinishWrite()
{
    if (!FWriting)
        return;
    FWatcher.waitForFinished();
    FWriting = false;
    FLastError = FWatcher.future().result();
    if (!FLastError.isEmpty())
        qWarning("Unsaved work could not be kept for recovery: %s", qPrintable(FLastError));
}

void TRecoveryFile::WriteFinished()
{
    // Also delivered after FinishWrite() waited for the write: then it was handled already.
    if (!FWriting || !FWatcher.isFinished())
        return;
    FinishWrite();
    Sync();
}

void TRecoveryFile::RemoveFiles()
{
    QFile::remove(Path());
    QFile::remove(RecoveryInfoPath(Path()));
}

std::optional<TRecoveryOrphan> TRecoveryFile::TakeNewestOrphan()
{
    std::map<QString, std::unique_ptr<QLockFile>> dead; // id -> its lock, now ours
    QDir dir(FFolder);
    for (const QString& name : dir.entryList(QDir::Files)) {
        const QString id = IdOf(name);
        if (id.isEmpty() || id == FName || dead.count(id))
            continue;
        if (auto lock = TryLock(dir.filePath(id + LockExtension)))
            dead[id] = std::move(lock);
    }
    std::optional<TRecoveryOrphan> newest;
    for (auto& [id, lock] : dead) {
        const QString path = dir.filePath(id + RecoveryExtension);
        if (!QFileInfo::exists(path)) {
            // What a dead program left without work in it: a sidecar, a half-written temporary
            // (its lock goes when let go below).
            for (const QString& name : dir.entryList({id + QStringLiteral(".*")}, QDir::Files))
                if (!name.endsWith(LockExtension))
                    dir.remove(name);
            continue;
        }
        TRecoveryInfo info = ReadRecoveryInfo(path);
        if (!newest || info.LastChanged > newest->Info().LastChanged)
            newest.emplace(path, std::move(info), std::move(lock));
    }
    return newest; // the other locks are let go: later starts offer those files
}

void TRecoveryFile::Adopt(TRecoveryOrphan orphan)
{
    if (!orphan.FLock)
        return;
    FTimer.stop();
    FDue = false;
    FinishWrite();
    RemoveFiles(); // ours held nothing the orphan's work does not replace
    FLock = std::move(orphan.FLock);
    FName = QFileInfo(orphan.FPath).completeBaseName();
    FLastChange = orphan.FInfo.LastChanged;
    FLastError.clear();
}

void TRecoveryFile::Shutdown()
{
    FTimer.stop();
    FDue = false;
    FinishWrite();
    RemoveFiles();
    FShutDown = true;
    FLock.reset();
}

bool TRecoveryFile::WaitForIdle(int msecs)
{
    const QDeadlineTimer deadline(msecs);
    // The end of a write arrives as an event and may start the next write or remove the file.
    while (FDue || FTimer.isActive() || FWriting) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}
