#include "app/RecoveryFlow.h"

#include "project/ProjectFile.h"
#include "ui/MsgBox.h"

#include <QLocale>

QString RecoverQuestion(const QDateTime& lastChanged)
{
    return QStringLiteral("Tavlo Generator closed without saving your work.\r\n"
                          "The work last changed on %1 can be recovered.\r\n\r\nRecover it?")
        .arg(QLocale().toString(lastChanged.toLocalTime(), QLocale::ShortFormat));
}

TRecoveryFlow::TRecoveryFlow(TTavloDocument& document, TRecoveryFile::TStepSource step, TOpenRecovered open,
                             QObject* parent, const QString& folder)
    : QObject(parent), FDocument(document), FOpen(std::move(open)),
      FFile(new TRecoveryFile(document, std::move(step), this, folder))
{
}

bool TRecoveryFlow::OfferRecovery()
{
    if (FDocument.Modified())
        return false; // recovered work would replace this run's own
    std::optional<TRecoveryOrphan> orphan = FFile->TakeNewestOrphan();
    if (!orphan)
        return false;
    TProject project;
    try {
        project = LoadProject(orphan->Path());
    } catch (const std::exception& e) {
        // Left where it is: nothing of it is lost by a start that cannot read it.
        ShowInfo(QString::fromUtf8(e.what()));
        return false;
    }
    const int answer = ShowMessageBox(RecoverQuestion(orphan->Info().LastChanged), QStringLiteral("Recover Unsaved Work"),
                                      mtConfirmation, 0, mbYes | mbNo);
    if (answer == mrNo)
        orphan->Discard();
    if (answer != mrYes)
        return false;
    FOpen(project, orphan->Info().Origin);
    FDocument.MarkRecovered();
    // Only now its file becomes ours: a crash before this point offers it again.
    FFile->Adopt(std::move(*orphan));
    return true;
}
