#include "templates/TemplatesDlg.h"

#include "cover/BookCover.h"
#include "imageio/PictureKind.h"
#include "imageio/dialog/PictureOpenDialog.h"
#include "templates/DialogFont.h"
#include "templates/InputDlg.h"
#include "templates/TemplateStore.h"
#include "ui/MsgBox.h"
#include "ui/PathDrop.h"
#include "ui/StringUtils.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The program's picture open dialog with its preview, opening in (and moving) the folder every
// file dialog shares.
QString DefaultPickPicture(QWidget* parent, const QString& defaultExtension)
{
    return PickPictureFile(parent, OpenFaceImageMode, defaultExtension);
}

TPicturePicker& PicturePicker()
{
    static TPicturePicker picker = DefaultPickPicture;
    return picker;
}

TBookCover* CoverOf(const QComboBox* combo, int index)
{
    return index < 0 ? nullptr : reinterpret_cast<TBookCover*>(combo->itemData(index).value<quintptr>());
}

QString EntryText(const TBookCover* cover) { return QLatin1Char(' ') + cover->Name; }

// A field of blanks names no file: the face is left as it is.
QString PathOf(const QLineEdit* field) { return field->text().trimmed().isEmpty() ? QString() : field->text(); }

} // namespace

void TTemplatesFrm::SetPicturePicker(TPicturePicker picker)
{
    PicturePicker() = picker ? std::move(picker) : TPicturePicker(DefaultPickPicture);
}

TTemplatesFrm::TTemplatesFrm(TListEx<TBookCover>& templates, TTemplateStore* store, QWidget* parent)
    : QDialog(parent), FTemplates(templates), FStore(store)
{
    setObjectName("TTemplatesFrm");
    setWindowTitle(QStringLiteral("Edit Templates"));
    setFont(DialogFont());
    BuildControls();
    MoveOpenButton(txtFrontImage);
    FillList();
    cbTemplates->setCurrentIndex(cbTemplates->count() > 0 ? 0 : -1);
    cbTemplatesChange();
    UpdateApply();
    txtItemName->setFocus();
}

void TTemplatesFrm::BuildControls()
{
    lblSel = new QLabel(QStringLiteral("Se&lection:"), this);
    lblSel->setObjectName("lblSel");
    cbTemplates = new QComboBox(this);
    cbTemplates->setObjectName("cbTemplates");
    cbTemplates->setMinimumContentsLength(24);
    cbTemplates->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    lblSel->setBuddy(cbTemplates);
    btnAdd = new QToolButton(this);
    btnAdd->setObjectName("btnAdd");
    btnAdd->setText(QStringLiteral("+"));
    btnAdd->setToolTip(QStringLiteral("Adds Template"));
    btnDelete = new QToolButton(this);
    btnDelete->setObjectName("btnDelete");
    btnDelete->setText(QStringLiteral("\u2212"));
    btnDelete->setToolTip(QStringLiteral("Deletes Template"));
    for (QToolButton* b : {btnAdd, btnDelete}) {
        b->setAccessibleName(b->toolTip());
        b->setFixedSize(26, 24);
    }

    pnlTemplates = new QGroupBox(this);
    pnlTemplates->setObjectName("pnlTemplates");
    FFieldGrid = new QGridLayout(pnlTemplates);
    FFieldGrid->setVerticalSpacing(2);
    const struct {
        QLineEdit** field;
        const char* name;
        const char* caption;
    } fields[] = {
        {&txtItemName, "txtItemName", "Display &Name:"},
        {&txtFrontImage, "txtFrontImage", "&Front Image:"},
        {&txtSideImage, "txtSideImage", "&Side Image:"},
        {&txtTopImage, "txtTopImage", "&Top Image (applies only to three sided box):"},
    };
    int row = 0;
    for (const auto& f : fields) {
        auto* label = new QLabel(QString::fromLatin1(f.caption), pnlTemplates);
        *f.field = new QLineEdit(pnlTemplates);
        (*f.field)->setObjectName(QString::fromLatin1(f.name));
        (*f.field)->setMinimumWidth(360);
        label->setBuddy(*f.field);
        FFieldGrid->addWidget(label, row++, 0);
        // The name spans the full width; the image fields leave room for the browse button.
        FFieldGrid->addWidget(*f.field, row++, 0, 1, *f.field == txtItemName ? 2 : 1);
    }
    // The type the start page selects when the template is chosen; " None" keeps the user's.
    auto* typeLabel = new QLabel(QStringLiteral("Tavlo T&ype:"), pnlTemplates);
    cmbBookType = new QComboBox(pnlTemplates);
    cmbBookType->setObjectName("cmbBookType");
    cmbBookType->addItem(QStringLiteral(" None"));
    for (int i = 0; i < BookTypeCount; ++i)
        cmbBookType->addItem(QLatin1Char(' ') + BookTypeName(TBookType(i)));
    cmbBookType->setToolTip(QStringLiteral("The type selected when this template is chosen"));
    typeLabel->setBuddy(cmbBookType);
    FFieldGrid->addWidget(typeLabel, row++, 0);
    FFieldGrid->addWidget(cmbBookType, row++, 0, Qt::AlignLeft);
    btnOpen = new QToolButton(pnlTemplates);
    btnOpen->setObjectName("btnOpen");
    btnOpen->setText(QStringLiteral("..."));
    btnOpen->setToolTip(QStringLiteral("Browse for the image file"));
    btnOpen->setAccessibleName(btnOpen->toolTip());

    btnApply = new QPushButton(QStringLiteral("&Apply"), this);
    btnApply->setObjectName("btnApply");
    btnApply->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    btnApply->setAutoDefault(false);
    btnDone = new QPushButton(QStringLiteral("&Done"), this);
    btnDone->setObjectName("btnDone");
    btnDone->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    btnDone->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(lblSel);
    top->addWidget(cbTemplates, 1);
    top->setSpacing(7);
    auto* pair = new QHBoxLayout;
    pair->setSpacing(0);
    pair->addWidget(btnAdd);
    pair->addWidget(btnDelete);
    top->addLayout(pair);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnApply);
    buttons->addSpacing(10);
    buttons->addWidget(btnDone);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addSpacing(14);
    main->addWidget(pnlTemplates);
    main->addSpacing(10);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize); // a fixed dialog frame

    connect(cbTemplates, &QComboBox::currentIndexChanged, this, &TTemplatesFrm::cbTemplatesChange);
    connect(btnAdd, &QToolButton::clicked, this, &TTemplatesFrm::btnAddClick);
    connect(btnDelete, &QToolButton::clicked, this, &TTemplatesFrm::btnDeleteClick);
    connect(btnApply, &QPushButton::clicked, this, &TTemplatesFrm::btnApplyClick);
    connect(btnOpen, &QToolButton::clicked, this, &TTemplatesFrm::btnOpenClick);
    connect(btnDone, &QPushButton::clicked, this, &QDialog::accept);
    connect(txtItemName, &QLineEdit::textChanged, this, &TTemplatesFrm::UpdateApply);
    for (QLineEdit* field : {txtFrontImage, txtSideImage, txtTopImage}) {
        field->installEventFilter(this);
        AcceptPathDrops(field);
    }
}

void TTemplatesFrm::FillList()
{
    const QSignalBlocker block(cbTemplates);
    for (const auto& cover : FTemplates)
        if (cover->CanStore())
            AddEntry(cover.get());
}

int TTemplatesFrm::AddEntry(TBookCover* cover)
{
    // The list is sorted: the entry goes before the first one that sorts after it.
    int index = 0;
    while (index < cbTemplates->count() && CompareTextAscii(CoverOf(cbTemplates, index)->Name, cover->Name) <= 0)
        ++index;
    const QSignalBlocker block(cbTemplates);
    cbTemplates->insertItem(index, EntryText(cover), QVariant::fromValue(reinterpret_cast<quintptr>(cover)));
    return index;
}

TBookCover* TTemplatesFrm::SelectedTemplate() const { return CoverOf(cbTemplates, cbTemplates->currentIndex()); }

void TTemplatesFrm::cbTemplatesChange()
{
    const TBookCover* cover = SelectedTemplate();
    btnDelete->setEnabled(cover != nullptr);
    txtItemName->setText(cover ? cover->Name : QString());
    txtFrontImage->setText(cover ? cover->Faces[0].FileName : QString());
    txtSideImage->setText(cover ? cover->Faces[1].FileName : QString());
    txtTopImage->setText(cover ? cover->Faces[2].FileName : QString());
    cmbBookType->setCurrentIndex(cover && cover->StoredType ? int(*cover->StoredType) + 1 : 0);
    UpdateApply();
}

void TTemplatesFrm::UpdateApply()
{
    btnApply->setEnabled(SelectedTemplate() && !txtItemName->text().trimmed().isEmpty());
}

bool TTemplatesFrm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn)
        for (QLineEdit* field : {txtFrontImage, txtSideImage, txtTopImage})
            if (watched == field)
                MoveOpenButton(field);
    return QDialog::eventFilter(watched, event);
}

void TTemplatesFrm::MoveOpenButton(QLineEdit* field)
{
    // The browse button stands beside the image field it serves.
    FOpenTarget = field;
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    FFieldGrid->getItemPosition(FFieldGrid->indexOf(field), &row, &column, &rowSpan, &columnSpan);
    FFieldGrid->removeWidget(btnOpen);
    FFieldGrid->addWidget(btnOpen, row, 1);
}

bool TTemplatesFrm::IsUniqueName(const QString& name, const TBookCover* exclude) const
{
    // The settings keep one key of this name for their own use; a template of that name would
    // never be listed again.
    if (SameTextAscii(name, QString::fromLatin1(TTemplateStore::IgnoredKey))) {
        ShowWarning(QStringLiteral("%1\r\nThis name is reserved.  Please enter another name.").arg(name));
        return false;
    }
    for (const auto& cover : FTemplates)
        if (cover->CanStore() && cover.get() != exclude && SameTextAscii(cover->Name, name)) {
            ShowWarning(QStringLiteral("%1\r\nThis template already exists.  Please enter unique name.").arg(name));
            return false;
        }
    return true;
}

void TTemplatesFrm::btnAddClick()
{
    const auto name = InputName(this, [this](const QString& typed) { return IsUniqueName(typed, nullptr); });
    if (!name)
        return;
    txtItemName->setText(*name);
    TBookCover* cover = FTemplates.Insert(0, std::make_unique<TBookCover>(TBookCover::KindTemplate, *name, FStore));
    const int index = AddEntry(cover);
    {
        const QSignalBlocker block(cbTemplates);
        cbTemplates->setCurrentIndex(index);
    }
    cbTemplatesChange();
    FChanged = true;
}

void TTemplatesFrm::btnDeleteClick()
{
    TBookCover* cover = SelectedTemplate();
    if (!cover || !ConfirmDelete(cover->Name, QStringLiteral("template")))
        return;
    cover->Deleted = true; // stays in the list; its key goes when the window closes
    const int index = cbTemplates->currentIndex();
    {
        const QSignalBlocker block(cbTemplates);
        cbTemplates->removeItem(index);
        cbTemplates->setCurrentIndex(std::min(index, cbTemplates->count() - 1));
    }
    cbTemplatesChange();
    FChanged = true;
}

void TTemplatesFrm::btnApplyClick()
{
    TBookCover* cover = SelectedTemplate();
    const QString name = txtItemName->text().trimmed();
    if (!cover || name.isEmpty() || !IsUniqueName(name, cover))
        return;
    const QString oldName = cover->Name;
    FChanged = true; // the name changes first, even when a face file then fails to load
    if (FStore && name != oldName)
        FStore->NoteRenamed(oldName, name);
    cover->StoredType = cmbBookType->currentIndex() > 0 ? std::optional(TBookType(cmbBookType->currentIndex() - 1))
                                                         : std::nullopt;
    cover->SetFaceFiles(name, PathOf(txtFrontImage), PathOf(txtSideImage), PathOf(txtTopImage));

    // The entry shows the new name, at its new place in the sorted list.
    const QSignalBlocker block(cbTemplates);
    cbTemplates->removeItem(cbTemplates->currentIndex());
    cbTemplates->setCurrentIndex(AddEntry(cover));
}

void TTemplatesFrm::btnOpenClick()
{
    QLineEdit* target = FOpenTarget ? FOpenTarget : txtFrontImage;
    const QString file = PicturePicker()(this, FDefaultExtension);
    if (file.isEmpty())
        return;
    FDefaultExtension = ExtractExtension(file).left(5);
    target->setText(file);
}

bool EditTemplates(QWidget* parent, TListEx<TBookCover>* templates, TTemplateStore* store)
{
    if (!templates)
        return false;
    TTemplatesFrm dialog(*templates, store, parent);
    dialog.exec();
    return dialog.Changed();
}
