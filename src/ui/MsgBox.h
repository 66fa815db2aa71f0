#pragma once
// The program's one message box and its fixed questions. Every message to the user goes through
// here, with the caption "Tavlo Generator".

#include <QDialog>
#include <QFont>
#include <QString>
#include <functional>
#include <optional>

enum TMsgDlgType { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3 };

enum TMsgDlgButton { mbOK = 1, mbYes = 2, mbNo = 4, mbCancel = 8 };
using TMsgDlgButtons = int;

enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

extern const char* const ProductName; // "Tavlo Generator"

// The modal box. Built for one message and freed when it closes.
class TMessageDlg : public QDialog {
    Q_OBJECT
public:
    TMessageDlg(const QString& text, const QString& caption, TMsgDlgType type, int helpContext,
                TMsgDlgButtons buttons, QWidget* parent = nullptr);
    ~TMessageDlg() override;

    QString Text() const { return FText; }
    QList<class QPushButton*> Buttons() const { return FButtons; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int FHelpContext;
    QString FText;
    QList<QPushButton*> FButtons;
    bool FCursorSaved = false;
};

// What a shown message was, for tests that answer boxes without showing them.
struct TMessageRequest {
    QString Text;
    QString Caption;
    TMsgDlgType Type;
    TMsgDlgButtons Buttons;
};
// When set, ShowMessageBox calls this instead of showing the box and answers its result.
using TMessageHandler = std::function<int(const TMessageRequest&)>;
void SetMessageHandler(TMessageHandler handler);

int ShowMessageBox(const QString& text, const QString& caption, TMsgDlgType type, int helpContext,
                   TMsgDlgButtons buttons);
void ShowInfo(const QString& text);
bool ShowWarning(const QString& text);
int Ask(const QString& text, bool withCancel);
bool AskYesNo(const QString& text);
int AskSaveChanges(const QString& name, const QString& what);
bool ConfirmDelete(const QString& name, const QString& what);

// The font of the main window (registered at start-up); before that, the font of an open window
// tagged 1234 (a widget property "tag" == 1234).
std::optional<QFont> MainFont();
void SetMainFontWindow(QWidget* window);
