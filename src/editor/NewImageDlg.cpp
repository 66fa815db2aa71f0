#include "editor/NewImageDlg.h"

#include "ui/MsgBox.h"

#include <QColorDialog>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <stdexcept>

namespace {
QColor& Remembered()
{
    static QColor color(255, 255, 255);
    return color;
}

// Blanks and control characters off both ends, as the edits are read.
QString TrimControls(const QString& text)
{
    qsizetype from = 0, to = text.size();
    while (from < to && text[from].unicode() <= ' ')
        ++from;
    while (to > from && text[to - 1].unicode() <= ' ')
        --to;
    return text.mid(from, to - from);
}

bool ReadWholeNumber(const QString& text, int* value = nullptr)
{
    bool ok = false;
    const int v = TrimControls(text).toInt(&ok, 10);
    if (ok && value)
        *value = v;
    return ok;
}
} // namespace

QSize DefaultFaceSize(int face)
{
    switch (face) {
    case 1: return {100, 400};
    case 2: return {350, 100};
    default: return {350, 400};
    }
}

QString FaceCaptionName(int face)
{
    switch (face) {
    case 1: return QStringLiteral("Spine");
    case 2: return QStringLiteral("Top");
    default: return QStringLiteral("Front");
    }
}

TSizeCheck CheckNewImageSize(const QString& widthText, const QString& heightText)
{
    TSizeCheck result;
    int w = 0, h = 0;
    if (!ReadWholeNumber(widthText, &w) || !ReadWholeNumber(heightText, &h)) {
        result.Message = QStringLiteral("Please enter the width and the height as whole numbers of pixels.");
        return result;
    }
    // A face of no pixels would be an empty face; refuse it instead of making one.
    if (w < 1 || h < 1) {
        result.Message = QStringLiteral("The width and the height must be at least 1 pixel.");
        return result;
    }
    try {
        CheckBitmapSize(w, h);
    } catch (const std::runtime_error& e) {
        result.Message = QString::fromUtf8(e.what());
        return result;
    }
    result.Ok = true;
    result.Size = {w, h};
    return result;
}

// ---- TNewImageFrm

QColor TNewImageFrm::RememberedColor() { return Remembered(); }
void TNewImageFrm::SetRememberedColor(const QColor& color) { Remembered() = color; }

TNewImageFrm::TNewImageFrm(int face, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TNewImageFrm"));
    if (const auto font = MainFont())
        setFont(*font);
    setWindowTitle(QStringLiteral("Book/Box %1 Properties").arg(FaceCaptionName(face)));

    PTFrame1 = new QGroupBox(QStringLiteral(" Dimensions "), this);
    Label2 = new QLabel(QStringLiteral("&Height:"), PTFrame1);
    txtHeight = new QLineEdit(PTFrame1);
    udHeight = new TUpDown(txtHeight, PTFrame1);
    udHeight->SetRange(10, 2000);
    Label3 = new QLabel(QStringLiteral("pixels"), PTFrame1);
    Label1 = new QLabel(QStringLiteral("&Width:"), PTFrame1);
    txtWidth = new QLineEdit(PTFrame1);
    udWidth = new TUpDown(txtWidth, PTFrame1);
    udWidth->SetRange(1, 2000);
    Label4 = new QLabel(QStringLiteral("pixels"), PTFrame1);
    Label2->setBuddy(txtHeight);
    Label1->setBuddy(txtWidth);
    for (QLineEdit* e : {txtHeight, txtWidth})
        e->setMaxLength(4);

    PTFrame2 = new QGroupBox(QStringLiteral(" Image Background Color "), this);
    shpBg = new QFrame(PTFrame2);
    shpBg->setFrameShape(QFrame::Box);
    shpBg->setAutoFillBackground(true);
    btnColor = new QPushButton(style()->standardIcon(QStyle::SP_DialogOpenButton), QStringLiteral("&Select..."), PTFrame2);

    btnOK = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    btnCancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("Cancel"), this);
    btnOK->setDefault(true);

    connect(txtWidth, &QLineEdit::textChanged, this, &TNewImageFrm::txtChange);
    connect(txtHeight, &QLineEdit::textChanged, this, &TNewImageFrm::txtChange);
    connect(btnColor, &QPushButton::clicked, this, &TNewImageFrm::btnColorClick);
    connect(btnOK, &QPushButton::clicked, this, &TNewImageFrm::accept);
    connect(btnCancel, &QPushButton::clicked, this, &TNewImageFrm::reject);

    SetBackground(Remembered());
    const QSize size = DefaultFaceSize(face);
    udWidth->SetPosition(size.width());
    udHeight->SetPosition(size.height());
    LayOut();

    // Height first, and where typing starts.
    setTabOrder(txtHeight, txtWidth);
    setTabOrder(txtWidth, btnColor);
    setTabOrder(btnColor, btnOK);
    setTabOrder(btnOK, btnCancel);
    txtHeight->setFocus();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TNewImageFrm::LayOut()
{
    const int editLeft = 95, editWidth = 50, rowHeight = 22, udWidthPx = 17;
    const auto row = [&](QLabel* label, QLineEdit* edit, TUpDown* ud, QLabel* unit, int top) {
        edit->setGeometry(editLeft, top, editWidth, rowHeight);
        ud->setGeometry(edit->geometry().right() + 1, top, udWidthPx, rowHeight);
        const int labelWidth = label->sizeHint().width();
        label->setGeometry(editLeft - 15 - labelWidth, top, labelWidth, rowHeight);
        unit->setGeometry(ud->geometry().right() + 1 + 5, top, unit->sizeHint().width(), rowHeight);
    };
    row(Label2, txtHeight, udHeight, Label3, 24);
    row(Label1, txtWidth, udWidth, Label4, 52);
    const int groupWidth = std::max(250, Label3->geometry().right() + 20);
    PTFrame1->setGeometry(10, 8, groupWidth, 86);

    shpBg->setGeometry(15, 26, 110, rowHeight + 4);
    const int colorButtonWidth = std::max(90, btnColor->sizeHint().width());
    btnColor->setGeometry(groupWidth - 15 - colorButtonWidth, 26, colorButtonWidth, rowHeight + 4);
    PTFrame2->setGeometry(10, PTFrame1->geometry().bottom() + 9, groupWidth, 66);

    const int buttonWidth = std::max(80, std::max(btnOK->sizeHint().width(), btnCancel->sizeHint().width()));
    const int buttonHeight = std::max(26, btnOK->sizeHint().height());
    const int buttonTop = PTFrame2->geometry().bottom() + 1 + 10;
    btnCancel->setGeometry(PTFrame2->geometry().right() + 1 - buttonWidth, buttonTop, buttonWidth, buttonHeight);
    btnOK->setGeometry(btnCancel->x() - 10 - buttonWidth, buttonTop, buttonWidth, buttonHeight);
    setFixedSize(btnCancel->geometry().right() + 1 + PTFrame2->x(), btnOK->geometry().bottom() + 1 + 10);
}

void TNewImageFrm::SetBackground(const QColor& color)
{
    FBackground = color;
    QPalette palette = shpBg->palette();
    palette.setColor(QPalette::Window, color);
    shpBg->setPalette(palette);
}

void TNewImageFrm::txtChange()
{
    btnOK->setEnabled(ReadWholeNumber(txtWidth->text()) && ReadWholeNumber(txtHeight->text()));
}

void TNewImageFrm::btnColorClick()
{
    QColorDialog dialog(FBackground, this);
    dialog.setOption(QColorDialog::ShowAlphaChannel, false);
    dlgColor = &dialog;
    const bool ok = dialog.exec() == QDialog::Accepted;
    dlgColor = nullptr;
    if (ok)
        SetBackground(dialog.selectedColor());
}

void TNewImageFrm::accept()
{
    if (!btnOK->isEnabled())
        return;
    const TSizeCheck check = CheckNewImageSize(txtWidth->text(), txtHeight->text());
    if (!check.Ok) {
        ShowWarning(check.Message);
        return; // the dialog stays open for a better size
    }
    FSize = check.Size;
    Remembered() = FBackground;
    QDialog::accept();
}

bool NewImageDialog(TBitmap32* bitmap, int face, QWidget* parent)
{
    if (!bitmap)
        return false;
    TNewImageFrm dialog(face, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QColor c = dialog.Background();
    bitmap->SetSize(dialog.ImageSize().width(), dialog.ImageSize().height());
    bitmap->Clear(Color32(c.red(), c.green(), c.blue(), 255));
    return true;
}
