#pragma once
// Recovery in the window: the document's recovery file, and at start the question whether to take
// back the work a program before this one left unsaved when it crashed or was killed.

#include "document/RecoveryFile.h"

#include <QObject>
#include <functional>

class TRecoveryFlow : public QObject {
    Q_OBJECT
public:
    // Puts recovered work into the window (it replaces the document's work and goes to its step).
    using TOpenRecovered = std::function<void(const TProject&, const TDocumentOrigin&)>;

    // folder: where recovery files live; empty for the user's data folder.
    TRecoveryFlow(TTavloDocument& document, TRecoveryFile::TStepSource step, TOpenRecovered open,
                  QObject* parent = nullptr, const QString& folder = QString());

    // Asks "Recover Unsaved Work" when another program's unsaved work was left behind. Yes opens
    // it marked modified; No removes its file; a closed box keeps it for the next start. Never
    // asks while this program's own work is unsaved. True when work was recovered.
    bool OfferRecovery();
    // The program ends and the user has been asked about unsaved work: the recovery file goes.
    void Shutdown() { FFile->Shutdown(); }
    TRecoveryFile& File() const { return *FFile; }

private:
    TTavloDocument& FDocument;
    TOpenRecovered FOpen;
    TRecoveryFile* FFile;
};

// The question's text: names when the work last changed, in local time.
QString RecoverQuestion(const QDateTime& lastChanged);
