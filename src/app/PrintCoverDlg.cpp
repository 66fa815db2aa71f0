#include "app/PrintCoverDlg.h"

#include "app/CoverCutView.h"
#include "document/TavloDocument.h"
#include "imageio/LastFolder.h"
#include "imageio/PictureFormats.h"
#include "printcover/CoverBookType.h"
#include "printcover/CoverSplit.h"
#include "ui/BusyCursor.h"
#include "ui/MsgBox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The preview of a PDF is drawn this many pixels wide at most; the faces at ImportDpi.
constexpr double PreviewWidth = 1200;

QString CoverFilter()
{
    QStringList patterns{QStringLiteral("*.pdf")};
    for (const TPictureFormat& f : PictureFormats().Readable())
        patterns << QStringLiteral("*.") + f.Extension;
    patterns.removeDuplicates();
    return QStringLiteral("Print covers (%1);;All files (*)").arg(patterns.join(QLatin1Char(' ')));
}

} // namespace

TPrintCoverDlg::TPrintCoverDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Import Print Cover"));
    txtFile = new QLineEdit;
    txtFile->setReadOnly(true);
    txtFile->setPlaceholderText(QStringLiteral("a PDF or picture of the whole wrap-around cover"));
    auto* browse = new QPushButton(QStringLiteral("&Browse..."));
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(txtFile, 1);
    fileRow->addWidget(browse);

    cmbTrim = new QComboBox;
    for (const TTrimSize& trim : CommonTrims())
        cmbTrim->addItem(trim.Name);
    cmbTrim->addItem(QStringLiteral("Custom"));
    cmbTrim->setCurrentIndex(2); // 6 x 9 in, the most common trim
    txtCustomTrim = new QLineEdit;
    txtCustomTrim->setPlaceholderText(QStringLiteral("width x height, e.g. 6.14x9.21in or 156x234mm"));
    auto* trimRow = new QHBoxLayout;
    trimRow->addWidget(cmbTrim);
    trimRow->addWidget(txtCustomTrim, 1);
    spnPages = new QSpinBox;
    spnPages->setRange(1, 2000);
    spnPages->setValue(200);
    cmbPaper = new QComboBox;
    for (TPaper paper : {TPaper::White, TPaper::Cream, TPaper::Colour})
        cmbPaper->addItem(PaperName(paper), int(paper));

    // Rows holding two controls need their labels made here: only a single control gets a buddy.
    const auto label = [](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text);
        l->setBuddy(buddy);
        return l;
    };
    auto* form = new QFormLayout;
    form->addRow(label(QStringLiteral("&Cover file:"), browse), fileRow);
    form->addRow(label(QStringLiteral("&Trim:"), cmbTrim), trimRow);
    form->addRow(QStringLiteral("&Pages:"), spnPages);
    form->addRow(QStringLiteral("P&aper:"), cmbPaper);

    View = new TCoverCutView;
    lblStatus = new QLabel;
    lblStatus->setWordWrap(true);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Import"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(View, 1);
    layout->addWidget(lblStatus);
    layout->addWidget(Buttons);
    resize(760, 620);

    connect(browse, &QPushButton::clicked, this, &TPrintCoverDlg::Browse);
    connect(cmbTrim, &QComboBox::currentIndexChanged, this, &TPrintCoverDlg::Update);
    connect(txtCustomTrim, &QLineEdit::textChanged, this, &TPrintCoverDlg::Update);
    connect(spnPages, &QSpinBox::valueChanged, this, &TPrintCoverDlg::Update);
    connect(cmbPaper, &QComboBox::currentIndexChanged, this, &TPrintCoverDlg::Update);
    connect(Buttons, &QDialogButtonBox::accepted, this, &TPrintCoverDlg::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &TPrintCoverDlg::reject);
    Update();
}

void TPrintCoverDlg::Browse()
{
    QFileDialog dialog(this, QStringLiteral("Import Print Cover"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(CoverFilter());
    if (!LastFolder().isEmpty())
        dialog.setDirectory(LastFolder());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    RememberFolder(dialog.selectedFiles().first());
    SetFile(dialog.selectedFiles().first());
}

bool TPrintCoverDlg::SetFile(const QString& path)
{
    std::optional<TCoverPicture> preview;
    try {
        const TBusyCursor busy;
        // A PDF drawn small enough to show; its size in inches does not depend on the drawing.
        const double height = Measures() ? Measures()->WrapInches().height() : 9.25;
        preview = ReadCoverPicture(path, 72, height);
        if (preview->Source == TCoverPicture::Rendered && preview->PageInches.width() > 0)
            preview = ReadCoverPicture(path, std::min(ImportDpi, PreviewWidth / preview->PageInches.width()), height);
    } catch (const std::exception& e) {
        ShowInfo(QString::fromUtf8(e.what()));
        return false;
    }
    FPath = path;
    FPreview = std::move(preview);
    FShown = FPreview->Pixels.ToImage();
    if (FShown.width() > PreviewWidth)
        FShown = FShown.scaledToWidth(int(PreviewWidth), Qt::SmoothTransformation);
    txtFile->setText(QDir::toNativeSeparators(path));
    Update();
    return true;
}

std::optional<TCoverMeasures> TPrintCoverDlg::Measures() const
{
    TCoverMeasures measures;
    const bool custom = cmbTrim->currentIndex() >= int(CommonTrims().size());
    try {
        measures.Trim = custom ? ParseTrim(txtCustomTrim->text()) : CommonTrims()[std::size_t(cmbTrim->currentIndex())];
    } catch (const TPrintMeasureError&) {
        return std::nullopt;
    }
    measures.Spine = SpineWidth(spnPages->value(), TPaper(cmbPaper->currentData().toInt()));
    return measures;
}

QString TPrintCoverDlg::Status() const { return lblStatus->text(); }

void TPrintCoverDlg::Update()
{
    txtCustomTrim->setEnabled(cmbTrim->currentIndex() >= int(CommonTrims().size()));
    const std::optional<TCoverMeasures> measures = Measures();
    bool fits = false;
    QString status;
    if (!measures) {
        status = QStringLiteral("Write the custom trim as width x height, e.g. 6.14x9.21in or 156x234mm.");
    } else if (FPreview) {
        // A picture without a declared resolution is taken to be the wrap's height, which the trim sets.
        if (FPreview->Source == TCoverPicture::FromHeight)
            FPreview->FitHeight(measures->WrapInches().height());
        try {
            CheckWrapSize(*measures, FPreview->PageInches, FPreview->SizeDetail());
            fits = true;
            const bool thin = BookTypeForSpine(*measures, ImportDpi) == btThinBook;
            status = QStringLiteral("%1: front and back %2, spine %3 (%4 pixels at %5 dpi).")
                         .arg(thin ? QStringLiteral("Thin Book") : QStringLiteral("Book Cover"), measures->Trim.Name,
                              InchText(measures->Spine))
                         .arg(FacePixels(*measures, TCoverFace::Spine, ImportDpi).width())
                         .arg(ImportDpi);
        } catch (const TCoverSizeError& e) {
            status = QString::fromUtf8(e.what()) + QLatin1Char('.');
            status[0] = status[0].toUpper();
        }
    } else {
        status = QStringLiteral("Choose the PDF or picture of the whole cover: back, spine and front.");
    }
    View->SetCover(FShown, fits ? measures : std::nullopt);
    lblStatus->setText(status);
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(fits);
}

TProject TPrintCoverDlg::MakeProject(const TCoverMeasures& measures)
{
    // A PDF is drawn again at print resolution; a picture is cut from what was read.
    const TCoverPicture cover = FPreview->Source == TCoverPicture::Rendered ? ReadCheckedCover(FPath, measures, ImportDpi)
                                                                             : *FPreview;
    TCoverFaces faces = SplitCover(cover, measures, ImportDpi);
    TProject project;
    project.Name = QFileInfo(FPath).completeBaseName();
    project.Faces[0].Base = std::move(faces.Front);
    project.Faces[1].Base = std::move(faces.Spine);
    project.Back.Base = std::move(faces.Back);
    for (TProjectFace* face : {&project.Faces[0], &project.Faces[1], &project.Back})
        face->FileName = FPath;
    project.Final = DefaultSettings(BookTypeForSpine(measures, ImportDpi));
    return project;
}

void TPrintCoverDlg::accept()
{
    const std::optional<TCoverMeasures> measures = Measures();
    if (!measures || !FPreview)
        return;
    try {
        const TBusyCursor busy;
        FResult = MakeProject(*measures);
    } catch (const std::exception& e) {
        ShowInfo(QString::fromUtf8(e.what()));
        return;
    }
    QDialog::accept();
}
