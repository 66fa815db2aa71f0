#include "editor/FontDlg.h"

#include "raster/TextRecord.h"
#include "editor/UpDown.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <algorithm>

namespace {

const QString NewLayerText = QStringLiteral("Type your text here");

// Limits of what the 4-character number fields can show.
constexpr int FieldMin = -999;
constexpr int FieldMax = 9999;

QIcon ColorGlyph(const QColor& color)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(0, 0, 0));
    p.setBrush(color);
    p.drawRect(1, 1, 13, 13);
    return QIcon(pm);
}

QIcon FontGlyph()
{
    QIcon icon = QIcon::fromTheme(QStringLiteral("preferences-desktop-font"));
    if (!icon.isNull())
        return icon;
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    QFont f(QStringLiteral("Times New Roman"));
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0, 0, 128));
    p.drawText(pm.rect(), Qt::AlignCenter, QStringLiteral("A"));
    return QIcon(pm);
}

QLineEdit* NumberEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(4);
    return edit;
}

int Right(const QWidget* w) { return w->x() + w->width(); }
int Bottom(const QWidget* w) { return w->y() + w->height(); }

} // namespace

void TPaintBox::paintEvent(QPaintEvent*)
{
    if (!OnPaint)
        return;
    QPainter painter(this);
    OnPaint(painter);
}

TFontDlgFrm::TFontDlgFrm(QWidget* parent) : QDialog(parent)
{
    setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) & ~Qt::WindowContextHelpButtonHint);
    setSizeGripEnabled(false);
    CreateControls();
    ConnectHandlers();
    LayOut(PreviewWidth);
}

void TFontDlgFrm::CreateControls()
{
    lblSample = new QLabel(tr("Sample:"), this);
    pnlSampleText = new QFrame(this);
    pnlSampleText->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlSampleText->setLineWidth(1);
    pbxText = new TPaintBox(pnlSampleText);

    PTFrame2 = new QGroupBox(tr("Style"), this);
    btnFont = new QToolButton(PTFrame2);
    btnFont->setText(tr("&Font"));
    btnFont->setIcon(FontGlyph());
    btnColor = new QToolButton(PTFrame2);
    btnColor->setText(tr("&Color"));
    for (QToolButton* b : {btnFont, btnColor}) {
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::StrongFocus);
    }
    lblAntiAQ = new QLabel(tr("&Anti-alias Quality"), PTFrame2);
    cbAAQuality = new QComboBox(PTFrame2);
    cbAAQuality->addItems({tr(" Highest"), tr(" Medium"), tr(" None")});
    lblAntiAQ->setBuddy(cbAAQuality);
    lblTrack = new QLabel(tr("&Transparency [0,255]:"), PTFrame2);
    AlphaBar = new QSlider(Qt::Horizontal, PTFrame2);
    AlphaBar->setRange(0, 255);
    AlphaBar->setValue(255);
    AlphaBar->setTickPosition(QSlider::TicksBelow);
    AlphaBar->setTickInterval(51);
    AlphaBar->setPageStep(51);
    AlphaBar->setToolTip(tr("Adjust transparency"));
    lblTrack->setBuddy(AlphaBar);

    gbxShadow = new QGroupBox(tr("Shadow"), PTFrame2);
    cbxShadow = new QCheckBox(QStringLiteral("  "), gbxShadow);
    lblPosX = new QLabel(tr("&X:"), gbxShadow);
    edtPosX = NumberEdit(gbxShadow);
    udPosX = new TUpDown(edtPosX, gbxShadow);
    lblPosY = new QLabel(tr("&Y:"), gbxShadow);
    edtPosY = NumberEdit(gbxShadow);
    udPosY = new TUpDown(edtPosY, gbxShadow);
    lblAlpha = new QLabel(tr("&Intensity:"), gbxShadow);
    edtAlpha = NumberEdit(gbxShadow);
    udAlpha = new TUpDown(edtAlpha, gbxShadow);
    udAlpha->SetRange(0, 100);
    lblPosX->setBuddy(edtPosX);
    lblPosY->setBuddy(edtPosY);
    lblAlpha->setBuddy(edtAlpha);
    cbxBevel = new QCheckBox(tr("&Bevel"), gbxShadow);
    cbxBevel->setLayoutDirection(Qt::RightToLeft); // text left of the box

    PTFrame3 = new QGroupBox(tr("Layer Text"), this);
    memText = new QPlainTextEdit(PTFrame3);
    memText->setLineWrapMode(QPlainTextEdit::NoWrap);
    memText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memText->setTabChangesFocus(true);

    btnOK = new QPushButton(tr("OK"), this);
    btnOK->setDefault(true);
    btnOK->setEnabled(false);
    btnCancel = new QPushButton(tr("Cancel"), this);

    dlgColor = new QColorDialog(this);
    dlgColor->setOptions(QColorDialog::DontUseNativeDialog); // solid colours: no alpha channel
    FFontDialog = new QFontDialog(this);
    FFontDialog->setOptions(QFontDialog::DontUseNativeDialog);

    setTabOrder(memText, btnFont);
    setTabOrder(btnFont, btnColor);
    setTabOrder(btnColor, cbAAQuality);
    setTabOrder(cbAAQuality, AlphaBar);
    setTabOrder(AlphaBar, cbxShadow);
    setTabOrder(cbxShadow, edtPosX);
    setTabOrder(edtPosX, edtPosY);
    setTabOrder(edtPosY, edtAlpha);
    setTabOrder(edtAlpha, cbxBevel);
    setTabOrder(cbxBevel, btnOK);
    setTabOrder(btnOK, btnCancel);
    UpdateColorGlyph();
}

void TFontDlgFrm::ConnectHandlers()
{
    pbxText->OnPaint = [this](QPainter& painter) { PaintPreview(painter); };
    connect(memText, &QPlainTextEdit::textChanged, this, &TFontDlgFrm::RefreshPreview);
    for (QLineEdit* e : {edtPosX, edtPosY, edtAlpha})
        connect(e, &QLineEdit::textChanged, this, &TFontDlgFrm::RefreshPreview);
    connect(cbAAQuality, &QComboBox::currentIndexChanged, this, &TFontDlgFrm::RefreshPreview);
    connect(cbxBevel, &QCheckBox::toggled, this, &TFontDlgFrm::RefreshPreview);
    connect(AlphaBar, &QSlider::valueChanged, this, [this](int position) {
        AlphaBar->setToolTip(tr("Current position = %1").arg(position));
        RefreshPreview();
    });
    connect(cbxShadow, &QCheckBox::toggled, this, [this] {
        UpdateShadowFields();
        RefreshPreview();
    });
    connect(btnColor, &QToolButton::clicked, this, &TFontDlgFrm::btnColorClick);
    connect(btnFont, &QToolButton::clicked, this, &TFontDlgFrm::btnFontClick);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    // Escape is seen before any control gets it (a combo box or the text would keep it).
    for (QWidget* w : findChildren<QWidget*>())
        if (w->window() == this)
            w->installEventFilter(this);
}

void TFontDlgFrm::LoadFromLayer(TTextParams& layer)
{
    const bool hasText = !layer.Lines.isEmpty();
    setWindowTitle((hasText ? tr("Edit") : tr("New")) + QStringLiteral(" ") + tr("Text Layer"));

    if (const std::optional<QFont> font = MainFont())
        setFont(*font);
    memText->setFocus();

    // Values from a foreign or damaged record are brought into the ranges the controls offer.
    AlphaBar->setValue(std::clamp(layer.Alpha, 0, 255));
    cbAAQuality->setEnabled(true);
    cbAAQuality->setCurrentIndex(layer.Quality >= 0 && layer.Quality <= 2 ? layer.Quality : 0);

    cbxShadow->setText(QStringLiteral("  "));
    cbxShadow->setChecked(layer.Shadow);
    cbxBevel->setChecked(layer.Bevel);
    udAlpha->SetPosition(std::clamp(layer.PosAlpha, 0, 100));
    const int posX = std::clamp(layer.PosX, FieldMin, FieldMax);
    udPosX->SetPosition(posX);
    udPosY->SetPosition(std::clamp(layer.PosY, FieldMin, FieldMax));
    // The arrows reach from minus the offset to ten times it (a negative offset mirrors that).
    udPosX->SetRange(-posX, 10 * posX);
    udPosY->SetRange(udPosX->Minimum(), udPosX->Maximum());
    UpdateShadowFields();

    if (!hasText)
        layer.Lines.append(NewLayerText);
    memText->setPlainText(layer.Lines.join(QLatin1Char('\n')));
    QTextCursor cursor(memText->document());
    cursor.setPosition(0);
    cursor.setPosition(int(layer.Lines.first().size()), QTextCursor::KeepAnchor);
    memText->setTextCursor(cursor);

    btnOK->setEnabled(false);
    FFont = layer.Font;
    if (FFont.PixelsPerInch <= 0)
        FFont.PixelsPerInch = TTextFont::ScreenPixelsPerInch;
    if (FFont.Charset < 0 || FFont.Charset > 255)
        FFont.Charset = TTextFont::DefaultCharset;
    if (FFont.Pitch < 0 || FFont.Pitch > 2)
        FFont.Pitch = 0;
    SetTextColor(ColorOfRef(layer.Font.Color));
    FRotation = layer.Rotation;

    LayOut(PreviewWidth);
    if (const QScreen* screen = (parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen()))
        move(screen->availableGeometry().center() - rect().center());
    RefreshPreview();
}

QColor TFontDlgFrm::TextColor() const { return dlgColor->currentColor(); }

void TFontDlgFrm::SetTextColor(const QColor& color)
{
    QColor solid = color.toRgb();
    solid.setAlpha(255);
    dlgColor->setCurrentColor(solid);
    UpdateColorGlyph();
}

void TFontDlgFrm::UpdateColorGlyph() { btnColor->setIcon(ColorGlyph(TextColor())); }

void TFontDlgFrm::SetDialogFont(const QFont& font)
{
    FFont.AssignFrom(font);
    RefreshPreview();
}

TTextParams TFontDlgFrm::CurrentParams() const
{
    TTextParams p;
    p.Rotation = FRotation;
    ApplyToParams(p);
    return p;
}

void TFontDlgFrm::ApplyToParams(TTextParams& params) const
{
    params.Lines = memText->toPlainText().split(QLatin1Char('\n'));
    params.Shadow = cbxShadow->isChecked();
    params.Bevel = cbxBevel->isChecked();
    params.PosX = udPosX->Position();
    params.PosY = udPosY->Position();
    params.PosAlpha = udAlpha->Position();
    params.Alpha = AlphaBar->value();
    params.Quality = cbAAQuality->currentIndex();
    params.Font = FFont;
    params.Font.Color = ColorRefOf(TextColor());
}

void TFontDlgFrm::ApplyToLayer(TTextLayer& layer)
{
    TTextParams params = layer;
    ApplyToParams(params);
    TBitmap32 bitmap;
    bitmap.SetDrawMode(layer.Bitmap().DrawMode());
    RenderTextBitmap(params, bitmap);

    layer.Changed();
    static_cast<TTextParams&>(layer) = std::move(params);
    layer.Bitmap() = std::move(bitmap);
    layer.ApplyRotationAndSize();
}

bool EditTextLayer(TTextLayer* layer, QWidget* parent)
{
    if (!layer)
        return false;
    TFontDlgFrm dlg(parent);
    dlg.LoadFromLayer(*layer);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    dlg.ApplyToLayer(*layer);
    return true;
}

bool TFontDlgFrm::InputValid() const
{
    // Blank means nothing but blanks and control characters.
    const QString text = memText->toPlainText();
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > ' '; }))
        return false;
    if (cbxShadow->isChecked()) {
        int unused = 0;
        for (const QLineEdit* e : {edtPosX, edtPosY, edtAlpha})
            if (!ParseWholeNumber(e->text(), unused))
                return false;
    }
    return true;
}

void TFontDlgFrm::UpdateShadowFields()
{
    const bool on = cbxShadow->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{lblPosX, edtPosX, udPosX, lblPosY, edtPosY, udPosY, lblAlpha,
                                                      edtAlpha, udAlpha})
        w->setEnabled(on);
}

void TFontDlgFrm::RefreshPreview()
{
    btnOK->setEnabled(InputValid());
    pbxText->update();
}

void TFontDlgFrm::PaintPreview(QPainter& painter)
{
    const bool valid = InputValid();
    btnOK->setEnabled(valid);
    RenderText(painter, pbxText, valid, true);
}

void TFontDlgFrm::RenderText(QPainter& target, QPaintDevice* device, bool draw, bool preview)
{
    const TTextParams params = CurrentParams();
    if (preview)
        target.fillRect(QRect(0, 0, device->width(), device->height()), TextPreviewBackground(params.Font.Color));
    // A new layer's sample line shows from the first paint, before anything is typed.
    if (draw) {
        const TTextRenderer renderer(params, device);
        const QSize size = renderer.Measure();
        FTextWidth = size.width();
        FTextHeight = size.height();
        renderer.Draw(target);
    }
}

void TFontDlgFrm::btnColorClick()
{
    const QColor before = TextColor();
    if (dlgColor->exec() == QDialog::Accepted) {
        UpdateColorGlyph();
        RefreshPreview();
    } else {
        dlgColor->setCurrentColor(before);
    }
}

void TFontDlgFrm::btnFontClick()
{
    // The font dialog offers no colour here; the text colour is always the colour button's.
    QFont font = FFont.ToQFont();
    font.setPointSize(FFont.PointSize());
    FFontDialog->setCurrentFont(font);
    if (FFontDialog->exec() == QDialog::Accepted)
        SetDialogFont(FFontDialog->selectedFont());
}

bool TFontDlgFrm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() == this) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && !(key->modifiers() & Qt::ControlModifier)) {
            reject();
            return true;
        }
        if (watched == memText && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            // Enter confirms the dialog; Ctrl+Enter or Shift+Enter starts a new line.
            if (key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))
                memText->insertPlainText(QStringLiteral("\n"));
            else if (btnOK->isEnabled())
                btnOK->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFontDlgFrm::LayOut(int previewWidth)
{
    const int m = 10;
    const int scaled7 = std::max(1, int(std::lround(7.0 * logicalDpiX() / 96.0)));

    lblSample->adjustSize();
    lblSample->move(10, 8);
    pnlSampleText->setGeometry(lblSample->x(), lblSample->y() + 18, previewWidth, PreviewHeight);
    const int border = pnlSampleText->frameWidth() + 8;
    pbxText->setGeometry(border, border, previewWidth - 2 * border, PreviewHeight - 2 * border);
    const int groupWidth = previewWidth;

    // Style group.
    PTFrame2->move(pnlSampleText->x(), Bottom(pnlSampleText) + 12);
    btnFont->resize(btnFont->sizeHint());
    btnFont->move(m, 2 * m);
    btnColor->resize(btnColor->sizeHint().expandedTo(QSize(btnFont->width(), 0)));
    btnFont->resize(btnFont->size().expandedTo(QSize(btnColor->width(), 0)));
    btnColor->move(m, Bottom(btnFont) + 10);

    cbxShadow->resize(cbxShadow->sizeHint());
    cbxBevel->resize(cbxBevel->sizeHint());
    const int editWidth = edtPosX->fontMetrics().horizontalAdvance(QStringLiteral("-9999")) + 12;
    const int editHeight = edtPosX->sizeHint().height();
    const int shadowHeight = 18 + std::max(editHeight, cbxShadow->height()) + 12;
    gbxShadow->setGeometry(m, Bottom(btnColor) + 12, groupWidth - 2 * m, shadowHeight);

    lblAntiAQ->adjustSize();
    // The label sits above the list at its left edge: the list is at least as wide as its label.
    cbAAQuality->resize(std::max(cbAAQuality->sizeHint().width(), lblAntiAQ->width()), cbAAQuality->sizeHint().height());
    lblAntiAQ->move(Right(gbxShadow) - cbAAQuality->width(), btnFont->y() - 2);
    cbAAQuality->move(lblAntiAQ->x(), lblAntiAQ->y() + 19);
    lblTrack->adjustSize();
    lblTrack->move(Right(btnFont) + 25, lblAntiAQ->y());
    const int barLeft = lblTrack->x() - 7;
    AlphaBar->setGeometry(barLeft, cbAAQuality->y() - 1, std::max(20, cbAAQuality->x() - barLeft - 25),
                          AlphaBar->sizeHint().height());

    // Inside the shadow group: the X, Y and intensity groups spread evenly between the boxes.
    const int rowTop = 18;
    cbxShadow->move(m, rowTop);
    cbxBevel->move(gbxShadow->width() - m - cbxBevel->width(), rowTop);
    struct Group { QLabel* label; QLineEdit* edit; TUpDown* ud; };
    const Group groups[] = {{lblPosX, edtPosX, udPosX}, {lblPosY, edtPosY, udPosY}, {lblAlpha, edtAlpha, udAlpha}};
    const int upDownWidth = 16;
    int groupsWidth = 0;
    for (const Group& g : groups) {
        g.label->adjustSize();
        groupsWidth += g.label->width() + scaled7 + editWidth + upDownWidth;
    }
    const int gap = (cbxBevel->x() - Right(cbxShadow) - groupsWidth) / 4;
    int x = Right(cbxShadow) + gap;
    for (const Group& g : groups) {
        g.label->move(x, rowTop + (editHeight - g.label->height()) / 2);
        g.edit->setGeometry(Right(g.label) + scaled7, rowTop, editWidth, editHeight);
        g.ud->setGeometry(Right(g.edit), rowTop, upDownWidth, editHeight);
        x = Right(g.ud) + gap;
    }
    PTFrame2->resize(groupWidth, Bottom(gbxShadow) + m - 2);

    // Text group.
    const int b = pbxText->x() + 1;
    PTFrame3->setGeometry(pnlSampleText->x(), Bottom(PTFrame2) + 12, groupWidth, 110);
    memText->setGeometry(b, 2 * b, PTFrame3->width() - 2 * b, PTFrame3->height() - 3 * b);

    btnCancel->resize(btnCancel->sizeHint());
    btnOK->resize(btnOK->sizeHint().expandedTo(btnCancel->size()));
    btnCancel->resize(btnOK->size());
    btnCancel->move(Right(PTFrame3) - btnCancel->width(), Bottom(PTFrame3) + 10);
    btnOK->move(btnCancel->x() - 10 - btnOK->width(), btnCancel->y());
    setFixedSize(Right(btnCancel) + lblSample->x(), Bottom(btnOK) + 10);
}
