#include "ui/MsgBox.h"

#include "ui/MessageLayout.h"
#include "ui/StringUtils.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

const char* const ProductName = "Tavlo Generator";

namespace {
TMessageHandler& Handler()
{
    static TMessageHandler handler;
    return handler;
}

QPointer<QWidget>& MainWindow()
{
    static QPointer<QWidget> window;
    return window;
}

QString FullCaption(const QString& caption)
{
    return caption.isEmpty() ? QString::fromLatin1(ProductName)
                             : QStringLiteral("%1:  %2").arg(QString::fromLatin1(ProductName), caption);
}

QImage TypePicture(TMsgDlgType type, QColor boxColor)
{
    static const char* const names[] = {":/images/msg-warning.png", ":/images/msg-error.png",
                                        ":/images/msg-information.png", ":/images/msg-confirmation.png"};
    QImage img = QImage(QString::fromLatin1(names[int(type) & 3])).convertToFormat(QImage::Format_ARGB32);
    // Pure white is the pictures' background: it takes the box's own colour.
    const QRgb box = boxColor.rgba();
    if ((box & 0xFFFFFF) != 0xFFFFFF)
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                if ((line[x] & 0xFFFFFF) == 0xFFFFFF && qAlpha(line[x]) == 255)
                    line[x] = box;
        }
    return img;
}
} // namespace

TMessageDlg::TMessageDlg(const QString& text, const QString& caption, TMsgDlgType type, int helpContext,
                         TMsgDlgButtons buttons, QWidget* parent)
    : QDialog(parent), FHelpContext(helpContext), FText(text)
{
    setWindowTitle(FullCaption(caption));
    setModal(true);
    if (QGuiApplication::overrideCursor()) {
        // The box is answered with the arrow, whatever long work set the cursor before it.
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
        FCursorSaved = true;
    }
    if (auto font = MainFont())
        setFont(*font);

    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->availableGeometry().size() : QSize(1024, 768);
    const int ppi = screen ? qRound(screen->logicalDotsPerInch()) : 96;

    // Messages are written with CR LF line ends; the label breaks lines at LF.
    const QString shown = QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QFontMetrics fm(font());
    const QRect textRect = fm.boundingRect(QRect(0, 0, screenSize.width() / 2, 100000),
                                           Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, shown);
    const QImage picture = TypePicture(type, palette().color(QPalette::Window));

    struct ButtonDef { TMsgDlgButton flag; const char* caption; int result; };
    static const ButtonDef defs[] = {{mbYes, "&Yes", mrYes}, {mbNo, "&No", mrNo}, {mbOK, "OK", mrOk}, {mbCancel, "Cancel", mrCancel}};
    int count = 0;
    for (const auto& d : defs)
        if (buttons & d.flag)
            ++count;

    const TMessageLayout L = LayoutMessageBox(textRect.size(), picture.size(), count, ppi, screenSize);

    auto* image = new QLabel(this);
    image->setPixmap(QPixmap::fromImage(picture));
    image->setGeometry(L.Picture);

    auto* label = new QLabel(shown, this);
    label->setObjectName("Message");
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(L.Text);

    int i = 0;
    for (const auto& d : defs) {
        if (!(buttons & d.flag))
            continue;
        auto* b = new QPushButton(QString::fromLatin1(d.caption), this);
        b->setGeometry(L.Buttons[i++]);
        const int result = d.result;
        connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        if (FButtons.isEmpty())
            b->setDefault(true);
        FButtons.append(b);
    }
    setFixedSize(L.Client);
    move(L.BoxTopLeft);
}

TMessageDlg::~TMessageDlg()
{
    if (FCursorSaved)
        QGuiApplication::restoreOverrideCursor();
}

void TMessageDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        // Escape answers Cancel even without a Cancel button; with Ctrl it does nothing.
        if (!(event->modifiers() & Qt::ControlModifier))
            done(mrCancel);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void SetMessageHandler(TMessageHandler handler) { Handler() = std::move(handler); }

int ShowMessageBox(const QString& text, const QString& caption, TMsgDlgType type, int helpContext,
                   TMsgDlgButtons buttons)
{
    if (Handler())
        return Handler()({text, FullCaption(caption), type, buttons});
    if (!qApp)
        return mrNone;
    TMessageDlg dlg(text, caption, type, helpContext, buttons, QApplication::activeWindow());
    const int result = dlg.exec();
    return result == QDialog::Rejected ? mrCancel : result;
}

void ShowInfo(const QString& text) { ShowMessageBox(text, QString(), mtInformation, 0, mbOK); }

bool ShowWarning(const QString& text) { return ShowMessageBox(text, QString(), mtWarning, 0, mbOK) == mrOk; }

int Ask(const QString& text, bool withCancel)
{
    return ShowMessageBox(text, QString(), mtConfirmation, 0, mbYes | mbNo | (withCancel ? mbCancel : 0));
}

bool AskYesNo(const QString& text) { return Ask(text, false) == mrYes; }

int AskSaveChanges(const QString& name, const QString& what)
{
    return Ask(QStringLiteral("%1\r\nThis %2 has been changed.\r\n\r\nDo you want to save the changes ?").arg(name, what),
               true);
}

bool ConfirmDelete(const QString& name, const QString& what)
{
    return AskYesNo(QStringLiteral("%1\r\nSelected %2 will be permanently deleted.\r\n\r\nDo you want to continue ?")
                        .arg(name, LowerCaseAscii(what)));
}

void SetMainFontWindow(QWidget* window) { MainWindow() = window; }

std::optional<QFont> MainFont()
{
    if (MainWindow())
        return MainWindow()->font();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->property("tag").toInt() == 1234)
            return w->font();
    return std::nullopt;
}
