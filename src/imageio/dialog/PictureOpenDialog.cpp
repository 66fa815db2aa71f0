#include "imageio/dialog/PictureOpenDialog.h"

#include "imageio/LastFolder.h"
#include "imageio/PictureFormats.h"
#include "imageio/PictureLoader.h"

#include <QDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {
constexpr int PreviewSide = 200; // device-independent pixels

struct TPreview {
    QString Path;
    QImage Picture; // full size; null when the file is no readable picture
    QImage Shown;   // shrunk to the preview area
};

// Runs on a worker thread: whatever the user merely selects must never hold up the window.
TPreview DecodePreview(const QString& path, qreal ratio)
{
    TPreview preview{path, {}, {}};
    try {
        TBitmap32 picture;
        LoadPictureFromFile(picture, path);
        if (!picture.Empty())
            preview.Picture = picture.ToImage();
    } catch (const std::exception&) {
        return preview; // not a readable picture: the pane shows "(None)"
    }
    // Larger pictures shrink to fit, keeping their proportions; smaller ones stay as they are.
    preview.Shown = preview.Picture;
    if (preview.Picture.width() > PreviewSide || preview.Picture.height() > PreviewSide)
        preview.Shown = preview.Picture.scaled(QSize(PreviewSide, PreviewSide) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return preview;
}
} // namespace

QStringList TPictureOpenDialog::NameFilters(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const qsizetype open = description.lastIndexOf(QStringLiteral(" ("));
        if (open > 0 && description.endsWith(u')'))
            description.truncate(open);
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        filters << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return filters;
}

TPictureOpenDialog::TPictureOpenDialog(int mode, QWidget* parent) : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setWindowTitle(mode == OpenFaceImageMode ? QStringLiteral("Select Image") : QStringLiteral("New Layer"));
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile); // the file, and so its folder, must exist
    setDirectory(LastFolder());
    setNameFilters(NameFilters(PictureFormats().Filter()));

    auto* pane = new QWidget(this);
    auto* column = new QVBoxLayout(pane);
    column->setContentsMargins(0, 0, 0, 0);
    lblPicture = new QLabel(QStringLiteral("Picture:"), pane);
    pbxPreview = new QLabel(QStringLiteral("(None)"), pane);
    pbxPreview->setAlignment(Qt::AlignCenter);
    pbxPreview->setFrameShape(QFrame::StyledPanel);
    pbxPreview->setFixedSize(PreviewSide, PreviewSide);
    btnFullSize = new QPushButton(QStringLiteral("Show &Full Size"), pane);
    btnFullSize->setToolTip(QStringLiteral("Shows the picture at its full size"));
    btnFullSize->setEnabled(false);
    column->addWidget(lblPicture);
    column->addWidget(pbxPreview);
    column->addWidget(btnFullSize);
    column->addStretch();
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);

    connect(this, &QFileDialog::currentChanged, this, &TPictureOpenDialog::UpdatePreview);
    // A name typed (or set by selectFile) previews too, not only a click in the list.
    if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& name) {
            if (!name.isEmpty())
                UpdatePreview(QFileInfo(name).isAbsolute() ? name : directory().filePath(name));
        });
    connect(btnFullSize, &QPushButton::clicked, this, &TPictureOpenDialog::ShowFullSize);
}

void TPictureOpenDialog::UpdatePreview(const QString& path)
{
    if (path == FPreviewPath)
        return;
    FPreviewPath = path;
    ShowPreview(QImage(), QImage());
    if (!QFileInfo(path).isFile())
        return;
    // The result of a selection the user has already left is dropped when it arrives.
    auto* watcher = new QFutureWatcher<TPreview>(this);
    connect(watcher, &QFutureWatcher<TPreview>::finished, this, [this, watcher] {
        const TPreview preview = watcher->result();
        watcher->deleteLater();
        if (preview.Path == FPreviewPath)
            ShowPreview(preview.Picture, preview.Shown);
    });
    watcher->setFuture(QtConcurrent::run(DecodePreview, path, devicePixelRatioF()));
}

bool TPictureOpenDialog::PreviewPending() const
{
    for (const auto* watcher : findChildren<QFutureWatcher<TPreview>*>())
        if (!watcher->isFinished())
            return true;
    return false;
}

void TPictureOpenDialog::ShowPreview(const QImage& picture, const QImage& shown)
{
    FPicture = picture;
    btnFullSize->setEnabled(!FPicture.isNull());
    if (FPicture.isNull()) {
        lblPicture->setText(QStringLiteral("Picture:"));
        pbxPreview->setPixmap(QPixmap());
        pbxPreview->setText(QStringLiteral("(None)"));
        return;
    }
    lblPicture->setText(QString::asprintf(" (%dx%d)", FPicture.width(), FPicture.height()));
    QPixmap pixmap = QPixmap::fromImage(shown);
    pixmap.setDevicePixelRatio(shown.width() == FPicture.width() ? 1.0 : devicePixelRatioF());
    pbxPreview->setPixmap(pixmap);
}

void TPictureOpenDialog::ShowFullSize()
{
    if (FPicture.isNull())
        return;
    auto* window = new QDialog(this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("Preview"));
    auto* label = new QLabel;
    label->setPixmap(QPixmap::fromImage(FPicture));
    auto* scroll = new QScrollArea(window);
    scroll->setWidget(label);
    scroll->setAlignment(Qt::AlignCenter);
    auto* box = new QVBoxLayout(window);
    box->addWidget(scroll);
    window->resize(FPicture.size().boundedTo(QSize(1024, 768)) + QSize(40, 40));
    window->show();
}

QString PickPictureFile(QWidget* parent, int mode, const QString& defaultSuffix)
{
    TPictureOpenDialog dialog(mode, parent);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString path = dialog.selectedFiles().first();
    RememberFolder(path);
    return path;
}

bool OpenPictureFile(QWidget* parent, int mode, const std::function<void(const QString& path)>& load)
{
    const QString path = PickPictureFile(parent, mode);
    if (path.isEmpty())
        return false;
    load(path);
    return true;
}
