#pragma once
// Unsaved work kept on disk so a crash or a kill does not lose it: a few seconds after a change
// the document is written, in the project format, to a file of this program's own in the user's
// data folder; saving, discarding or a clean exit removes it. A file whose program died is an
// orphan, offered back at the next start.
//
// Each program holds a lock on its file while it runs, so no other program ever takes it. The
// snapshot is taken on the UI thread; encoding and writing run on a worker thread.

#include "document/TavloDocument.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QLockFile;

// What the project format does not hold, kept beside the recovery file.
struct TRecoveryInfo {
    QDateTime LastChanged; // UTC
    TDocumentOrigin Origin;
};

// A recovery file left by a program that did not end cleanly. It stays locked while this object
// lives, so two programs starting together never both offer it.
class TRecoveryOrphan {
public:
    TRecoveryOrphan(QString path, TRecoveryInfo info, std::unique_ptr<QLockFile> lock);
    TRecoveryOrphan(TRecoveryOrphan&&) noexcept;
    TRecoveryOrphan& operator=(TRecoveryOrphan&&) noexcept;
    ~TRecoveryOrphan();

    // The project file.
    const QString& Path() const { return FPath; }
    const TRecoveryInfo& Info() const { return FInfo; }
    // Removes the files: the user chose not to recover the work.
    void Discard();

private:
    friend class TRecoveryFile;
    QString FPath;
    TRecoveryInfo FInfo;
    std::unique_ptr<QLockFile> FLock;
};

class TRecoveryFile : public QObject {
    Q_OBJECT
public:
    // The wizard step the work is on, for the snapshot.
    using TStepSource = std::function<int()>;
    static constexpr int DefaultDelayMs = 3000;
    static constexpr int MaxDelayMs = 30000;

    // Watches document; files go to folder (by default DefaultFolder()).
    TRecoveryFile(TTavloDocument& document, TStepSource step, QObject* parent = nullptr,
                  const QString& folder = QString());
    // Waits for a write under way. Without Shutdown() a modified document's file stays behind,
    // to be offered at the next start: only a clean exit removes it.
    ~TRecoveryFile() override;

    // <the user's data folder>/recovery
    static QString DefaultFolder();
    QString Folder() const { return FFolder; }
    // This program's recovery file (it exists only while there is unsaved work).
    QString Path() const;
    // The time from a change to the write that follows it; at most MaxDelayMs.
    void SetDelay(int msecs);
    int Delay() const { return FTimer.interval(); }

    // The newest recovery file whose program is gone, locked for this program; none when there is
    // no such file.
    std::optional<TRecoveryOrphan> TakeNewestOrphan();
    // The orphan's work is now this document's: its file becomes this program's recovery file, so
    // it survives a crash of this run too and goes away on a save, a discard or a clean exit.
    // Called once the document holds that work and is marked recovered.
    void Adopt(TRecoveryOrphan orphan);
    // The program ends and the user has been asked about unsaved work: the file goes.
    void Shutdown();

    // A write has been started and its end not yet taken.
    bool IsWriting() const { return FWriting; }
    // For tests: processes events until no write is due or under way; false when msecs passed first.
    bool WaitForIdle(int msecs);
    // Why the last write failed; empty after a write that succeeded.
    QString LastError() const { return FLastError; }

private:
    void DocumentChanged();
    void ModifiedChanged(bool modified);
    // Writes when a write is due and none is under way; removes the file once the work is clean.
    void Sync();
    void WriteFinished();
    // Waits for the write under way and takes its outcome.
    void FinishWrite();
    void RemoveFiles();

    QPointer<TTavloDocument> FDocument;
    TStepSource FStep;
    QString FFolder;
    QString FName; // the file name of this program's files, without extension
    std::unique_ptr<QLockFile> FLock;
    QTimer FTimer;
    QFutureWatcher<QString> FWatcher; // the write under way; its result is an error message
    QDateTime FLastChange;
    bool FDue = false;     // a change not yet written
    bool FWriting = false; // a write started and its outcome not yet taken
    bool FShutDown = false;
    QString FLastError;
};

// The sidecar of a recovery file (same name, ".json"); written atomically, std::runtime_error
// when it cannot be.
QString RecoveryInfoPath(const QString& recoveryPath);
void WriteRecoveryInfo(const QString& recoveryPath, const TRecoveryInfo& info);
// A missing or damaged sidecar gives no origin and the project file's own time.
TRecoveryInfo ReadRecoveryInfo(const QString& recoveryPath);
