#include "app/StartPage.h"

#include "app/PrintCoverDlg.h"
#include "cover/BookCover.h"
#include "document/TavloDocument.h"
#include "templates/TemplateStore.h"
#include "templates/TemplatesDlg.h"
#include "ui/BusyCursor.h"
#include "ui/HTMLabel.h"
#include "ui/MsgBox.h"
#include "ui/StringUtils.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace {

constexpr int CoverRole = Qt::UserRole;

// A label sized to its text at the given width.
int TextHeight(QLabel* label, int width)
{
    const int h = label->heightForWidth(width);
    return h > 0 ? h : label->sizeHint().height();
}

} // namespace

// Draws the template list's entries in their three classes: the edit entry (bold, with its
// glyph), complete templates (ready to preview) and the rest in grey.
class TTemplateListDelegate : public QStyledItemDelegate {
public:
    TTemplateListDelegate(TStartPage& page, QObject* parent) : QStyledItemDelegate(parent), FPage(page) {}

    const QImage* Glyph = nullptr;
    int ExtentWidth = 0;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const TBookCover* cover = FPage.CoverAt(index.row());
        const bool edit = cover && cover->IsEditEntry();
        const bool ready = !edit && cover && cover->IsComplete();
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& pal = option.palette;

        painter->save();
        painter->fillRect(option.rect, selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base));
        QColor text = pal.color(QPalette::Disabled, QPalette::Text);
        if (edit || ready)
            text = selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text);
        painter->setPen(text);
        QFont font = option.font;
        font.setBold(edit);
        painter->setFont(font);
        int x = option.rect.left() + 2;
        if (edit && Glyph && !Glyph->isNull()) {
            painter->drawImage(option.rect.topLeft(), *Glyph);
            x = option.rect.left() + Glyph->width() / Glyph->devicePixelRatio() + 2;
        }
        const QRect textRect(x, option.rect.top(), option.rect.right() - x, option.rect.height());
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.rect = option.rect;
            focus.state = option.state;
            focus.backgroundColor = selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base);
            QApplication::style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        // Fixed item height: the font's text height + 2.
        return QSize(ExtentWidth, QFontMetrics(option.font).height() + 2);
    }

private:
    TStartPage& FPage;
};

TStartPage::TStartPage(const TStartPageControls& controls, TListEx<TBookCover>& templates, TTavloDocument& document,
                       TTemplateStore& store, TStartPageHost host, QObject* parent)
    : QObject(parent), C(controls), FTemplates(templates), FDocument(document), FStore(store), FHost(std::move(host))
{
    FDelegate = new TTemplateListDelegate(*this, this);
    C.lbxCollection->setItemDelegate(FDelegate);
    C.lbxCollection->setUniformItemSizes(true);
    C.lbxCollection->setSelectionMode(QAbstractItemView::SingleSelection);
    // Both scroll bars stay, disabled when not needed, so the list does not jump.
    C.lbxCollection->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    C.lbxCollection->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    C.lbxCollection->setAccessibleName(QStringLiteral("Templates"));
    C.cmbStartType->setAccessibleName(QStringLiteral("Tavlo Type"));
    C.pnlAboutExp->setAutoFillBackground(true);
    C.imgPicture->setAlignment(Qt::AlignCenter);
    C.imgPicture->setWordWrap(true);

    connect(C.lbxCollection, &QListWidget::currentRowChanged, this, &TStartPage::lbxCollectionChange);
    connect(C.lbxCollection, &QListWidget::itemDoubleClicked, this, &TStartPage::lbxCollectionDblClick);
    // Enter on the list acts like a double-click.
    connect(C.lbxCollection, &QListWidget::itemActivated, this, [this] {
        if (QApplication::mouseButtons() == Qt::NoButton)
            lbxCollectionDblClick();
    });
    connect(C.cmbStartType, &QComboBox::currentIndexChanged, this, &TStartPage::cmbStartTypeChange);
    connect(&FDocument, &TTavloDocument::Replaced, this, [this] {
        if (!FApplying)
            FApplied = nullptr; // a project or recovered work: no template of the list
        ShowDocument();
    });
    connect(&FDocument, &TTavloDocument::TypeChanged, this, &TStartPage::ShowDocument);
    C.imgPicture->installEventFilter(this);
    C.Page->installEventFilter(this);
    FImportButton = new QPushButton(QStringLiteral("Import Print Cover..."), C.Page);
    FImportButton->setObjectName(QStringLiteral("btnImportPrintCover"));
    FImportButton->setToolTip(QStringLiteral("Makes a book from the PDF or picture of a printer's wrap-around cover"));
    FImportButton->show(); // the page is on screen already
    connect(FImportButton, &QPushButton::clicked, this, &TStartPage::ImportPrintCover);
}

TStartPage::~TStartPage()
{
    if (C.lbxCollection)
        C.lbxCollection->disconnect(this);
    if (C.cmbStartType)
        C.cmbStartType->disconnect(this);
}

void TStartPage::SetEditGlyph(const QImage* glyph)
{
    FDelegate->Glyph = glyph;
    C.lbxCollection->viewport()->update();
}

QImage TStartPage::MakeEditGlyph()
{
    // A pencil over a sheet, drawn on white: the white becomes the list's colour.
    QImage glyph(16, 16, QImage::Format_ARGB32);
    glyph.fill(Qt::white);
    QPainter p(&glyph);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(128, 128, 128));
    p.setBrush(QColor(236, 236, 236));
    p.drawRect(1, 2, 9, 12);
    p.setPen(QColor(96, 96, 96));
    for (int y = 5; y <= 11; y += 2)
        p.drawLine(3, y, 7, y);
    const QPolygon pencil({QPoint(14, 1), QPoint(15, 2), QPoint(8, 9), QPoint(6, 10), QPoint(7, 8)});
    p.setPen(Qt::black);
    p.setBrush(QColor(255, 192, 0));
    p.drawPolygon(pencil);
    return glyph;
}

void TStartPage::Layout()
{
    const int pageWidth = C.Page->width(), pageHeight = C.Page->height();
    constexpr int Left = 15, ListWidth = 250, LabelWidth = 280, Border = 10;

    // The preview panel, aligned right.
    const int labelRight = Left + LabelWidth;
    const int panelWidth = std::max(350, pageWidth - labelRight - 50);
    C.pnlAboutExp->setGeometry(pageWidth - panelWidth, 0, panelWidth, pageHeight);
    C.pnlAboutExp->setContentsMargins(Border, Border, Border, Border);
    C.imgPicture->setGeometry(C.pnlAboutExp->contentsRect());

    // The help text ends 81 pixels down unless the font needs more to show it whole; it starts at
    // the top so its first line is not cut.
    C.lblStart->setGeometry(0, 0, C.pnlAboutExp->x(), std::max(81, TextHeight(C.lblStart, C.pnlAboutExp->x())));
    const int startBottom = C.lblStart->geometry().bottom() + 1;

    // The type combo at the bottom, its label just above it.
    const int comboHeight = C.cmbStartType->sizeHint().height();
    const int comboTop = C.pnlAboutExp->height() - Border - (comboHeight - 2);
    C.cmbStartType->setGeometry(Left, comboTop, ListWidth, comboHeight);
    const int bookTypeHeight = TextHeight(C.lblBookType, LabelWidth);
    C.lblBookType->setGeometry(Left, comboTop - bookTypeHeight - 2, LabelWidth, bookTypeHeight);

    // The template list fills what is between.
    C.lblTemplates->setGeometry(Left, startBottom - 2, LabelWidth, TextHeight(C.lblTemplates, LabelWidth));
    const int listTop = C.lblTemplates->geometry().bottom() + 1 + 3;
    // "Import Print Cover..." under the list.
    const int importTop = C.lblBookType->y() - 14 - FImportButton->sizeHint().height();
    FImportButton->setGeometry(Left, importTop, ListWidth, FImportButton->sizeHint().height());
    C.lbxCollection->setGeometry(Left, listTop, ListWidth, std::max(0, importTop - 6 - listTop));
    FDelegate->ExtentWidth = pageWidth / 2 * 4 / 3;
    C.lbxCollection->doItemsLayout();
}

void TStartPage::AddEntry(const QString& text, TBookCover* cover)
{
    auto* item = new QListWidgetItem(text);
    item->setData(CoverRole, QVariant::fromValue(reinterpret_cast<quintptr>(cover)));
    C.lbxCollection->addItem(item);
}

TBookCover* TStartPage::CoverAt(int row) const
{
    const QListWidgetItem* item = row >= 0 ? C.lbxCollection->item(row) : nullptr;
    return item ? reinterpret_cast<TBookCover*>(item->data(CoverRole).value<quintptr>()) : nullptr;
}

TBookCover* TStartPage::SelectedCover() const { return CoverAt(C.lbxCollection->currentRow()); }

int TStartPage::FillTemplateList()
{
    const QSignalBlocker block(C.lbxCollection);
    const QString separator(SeparatorLength, QLatin1Char('-'));
    AddEntry(QStringLiteral(" None Selected"), FTemplates.Add(std::make_unique<TBookCover>(TBookCover::KindNone, QString())));
    AddEntry(separator, nullptr);
    AddEntry(QStringLiteral(" Edit Templates..."),
             FTemplates.Add(std::make_unique<TBookCover>(TBookCover::KindEditEntry, QString())));
    AddEntry(separator, nullptr);

    int initial = 0;
    QStringList problems;
    C.lbxCollection->setUpdatesEnabled(false);
    for (const QString& name : FStore.ListNames()) {
        std::unique_ptr<TBookCover> loaded;
        try {
            loaded = std::make_unique<TBookCover>(TBookCover::KindTemplate, name, &FStore);
        } catch (const std::exception& e) {
            // A hand-edited value or an unreadable file: the template is still listed (grey, with
            // empty faces) so it is neither hidden nor lost, and its stored values stay as they are.
            problems << name + QStringLiteral("\r\n") + WithFullStop(QString::fromUtf8(e.what()));
            loaded = std::make_unique<TBookCover>(TBookCover::KindTemplate, QString(), &FStore);
            loaded->Name = name;
        }
        TBookCover* cover = FTemplates.Add(std::move(loaded));
        AddEntry(QLatin1Char(' ') + name, cover);
        if (initial == 0 && cover->IsComplete())
            initial = C.lbxCollection->count() - 1;
    }
    C.lbxCollection->setUpdatesEnabled(true);
    if (!problems.isEmpty())
        ShowInfo(problems.join(QStringLiteral("\r\n\r\n")));
    return initial;
}

void TStartPage::SetPreviewView(QWidget* widget, ICoverView* view)
{
    FPreviewWidget = view ? widget : nullptr;
    FPreviewView = widget ? view : nullptr;
    if (FPreviewWidget) {
        // The view stands where the picture would, and takes over its hint.
        FPreviewWidget->setGeometry(C.imgPicture->geometry());
        FPreviewWidget->setToolTip(C.imgPicture->toolTip());
        FPreviewWidget->installEventFilter(this);
    }
}

void TStartPage::Start(int initialIndex)
{
    C.lbxCollection->setCurrentRow(initialIndex);
    // The list may already stand on that row: the handler then has not run.
    if (SelectedCover() != FApplied)
        ApplySelected(true);
    UpdateNextAndType();
}

void TStartPage::lbxCollectionChange(int)
{
    const TBookCover* entry = SelectedCover();
    if (!entry || !entry->IsEditEntry()) {
        ApplySelected(true);
        return;
    }
    // The list is still handling the press that chose the entry: a dialog opened now would let
    // that press select the entry again behind the template it ends on.
    UpdateNextAndType();
    QMetaObject::invokeMethod(this, [this] {
        if (const TBookCover* now = SelectedCover(); now && now->IsEditEntry())
            ApplySelected(true);
    }, Qt::QueuedConnection);
}

void TStartPage::SelectCover(const TBookCover* cover)
{
    const QSignalBlocker block(C.lbxCollection);
    for (int row = 0; row < C.lbxCollection->count(); ++row)
        if (cover && CoverAt(row) == cover) {
            C.lbxCollection->setCurrentRow(row);
            return;
        }
    C.lbxCollection->setCurrentRow(-1);
}

void TStartPage::ShowDocument()
{
    {
        const QSignalBlocker block(C.cmbStartType);
        C.cmbStartType->setCurrentIndex(int(FDocument.Type()));
    }
    SelectCover(FApplied);
    RedrawPreview(false);
    UpdateNextAndType();
}

void TStartPage::ApplySelected(bool allowDialog)
{
    const TBookCover* entry = SelectedCover();
    if (entry && entry != FApplied) {
        // Cancel keeps the work and the list on it.
        if (FHost.ConfirmDiscard && !FHost.ConfirmDiscard()) {
            SelectCover(FApplied);
            UpdateNextAndType();
            return;
        }
        if (!RedrawPreview(allowDialog)) {
            // The templates dialog changed nothing: back to the work in use, as before it.
            SelectCover(FApplied);
            RedrawPreview(false);
            UpdateNextAndType();
            return;
        }
        TBookCover* chosen = SelectedCover(); // after the templates dialog, which rebuilt the list
        if (chosen && !chosen->IsEditEntry()) {
            if (FHost.ClearFaceEditor)
                FHost.ClearFaceEditor();
            FApplied = chosen;
            FApplying = true;
            // A template that carries its type brings it; otherwise the type chosen stays.
            FDocument.ReplaceWithTemplate(*chosen, chosen->StoredType.value_or(FDocument.Type()));
            FApplying = false;
        }
    }
    UpdateNextAndType();
}

void TStartPage::UpdateNextAndType()
{
    const TBookCover* entry = SelectedCover();
    // No entry selected: the work came from a project, and it can be worked on; a separator
    // leads nowhere.
    const bool none = C.lbxCollection->currentRow() < 0;
    const bool usable = FPreviewWidget && (none || (entry && !entry->IsEditEntry()));
    C.cmbStartType->setEnabled(usable);
    if (FHost.SetNextEnabled)
        FHost.SetNextEnabled(usable);
}

void TStartPage::lbxCollectionDblClick()
{
    const TBookCover* entry = SelectedCover();
    if (!entry || !entry->IsEditEntry())
        return;
    TemplatesDialogCall();
    // The rebuilt list selects another entry without its handler: apply it now, so the list
    // and the applied cover agree.
    if (SelectedCover() != FApplied)
        ApplySelected(false);
    UpdateNextAndType();
}

bool TStartPage::TemplatesDialogCall()
{
    if (!EditTemplates(C.Page->window(), &FTemplates, &FStore))
        return false;
    {
        const QSignalBlocker block(C.lbxCollection);
        while (C.lbxCollection->count() > FixedItems)
            delete C.lbxCollection->takeItem(FixedItems);
        int index = 0;
        for (const auto& cover : FTemplates)
            if (cover->CanStore()) {
                AddEntry(QLatin1Char(' ') + cover->Name, cover.get());
                if (index == 0 && cover->IsComplete())
                    index = C.lbxCollection->count() - 1;
            }
        C.lbxCollection->setCurrentRow(index);
    }
    if (const TBookCover* cover = SelectedCover(); cover && cover->IsComplete())
        DrawPreview(*cover);
    return true;
}

void TStartPage::ImportPrintCover()
{
    TPrintCoverDlg dialog(C.Page->window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (FHost.ConfirmDiscard && !FHost.ConfirmDiscard())
        return;
    if (FHost.ClearFaceEditor)
        FHost.ClearFaceEditor();
    // As a project without a file: the list stands on no template, the type is the cover's.
    FDocument.ReplaceWithProject(dialog.Result(), QString());
}

void TStartPage::cmbStartTypeChange(int index)
{
    // A step of the document's history; the preview follows through TypeChanged.
    if (index >= 0)
        FDocument.SetType(TBookType(index));
}

const TBookCover* TStartPage::PreviewCover()
{
    const TBookCover* entry = SelectedCover();
    if (entry && entry != FApplied)
        return entry;
    // The work as it is: a face whose step was left (or that a project brought) is shown with its
    // layers, as the final page will compose it.
    FWorkPreview = std::make_unique<TBookCover>(FDocument.Cover());
    for (int f = 0; f < 3; ++f) {
        const TBitmap32& flat = FDocument.FaceRecord(f).Bitmap;
        if (flat.Empty())
            continue;
        TImageInfo& face = FWorkPreview->Faces[std::size_t(f)];
        face.StoreBitmap(flat);
        face.Original = face.Current;
        face.OriginalKind = face.CurrentKind;
    }
    return FWorkPreview.get();
}

bool TStartPage::RedrawPreview(bool allowDialog)
{
    const TBookCover* cover = PreviewCover();
    if (cover->IsComplete()) {
        DrawPreview(*cover);
        return true;
    }
    ShowNoPreview();
    if (allowDialog && cover->IsEditEntry())
        return TemplatesDialogCall();
    return true;
}

void TStartPage::DrawPreview(const TBookCover& cover)
{
    const TBookType type = FDocument.Type();
    TBitmap32 picture;
    bool made = false;
    {
        const TBusyCursor busy;
        made = RenderPreview(cover, picture, type, FPreviewView, FHost.FlatDrawing);
    }
    if (!made) {
        ShowNoPreview();
        return;
    }
    C.imgPicture->clear();
    C.pnlAboutExp->setPalette(QPalette());
    if (FPreviewWidget) {
        C.imgPicture->hide();
        FPreviewWidget->show();
        FPreviewWidget->setEnabled(true);
        return;
    }
    // The flat drawing, scaled down when it does not fit the panel.
    QPixmap pixmap = QPixmap::fromImage(picture.ToImage());
    const QSize room = C.imgPicture->size();
    if (pixmap.width() > room.width() || pixmap.height() > room.height())
        pixmap = pixmap.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    C.imgPicture->setPixmap(pixmap);
    C.imgPicture->show();
}

void TStartPage::ShowNoPreview()
{
    if (FPreviewWidget)
        FPreviewWidget->hide();
    QPalette palette = C.pnlAboutExp->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    C.pnlAboutExp->setPalette(palette);
    C.imgPicture->clear();
    C.imgPicture->setText(QStringLiteral("No Preview Available"));
    C.imgPicture->show();
}

QString TStartPage::PreviewCaption() const { return C.imgPicture->isVisible() ? C.imgPicture->text() : QString(); }

bool TStartPage::PreviewShown() const
{
    return FPreviewWidget ? FPreviewWidget->isVisible() : !C.imgPicture->pixmap().isNull();
}

bool TStartPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick && (watched == C.imgPicture || watched == FPreviewWidget)) {
        if (FHost.Next)
            FHost.Next();
        return true;
    }
    if (event->type() == QEvent::Resize && watched == C.Page) {
        Layout();
        if (FPreviewWidget)
            FPreviewWidget->setGeometry(C.imgPicture->geometry());
    }
    return QObject::eventFilter(watched, event);
}
