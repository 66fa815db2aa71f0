#include "app/SaveFlow.h"

#include "app/Application.h"
#include "imageio/LastFolder.h"
#include "imageio/PictureKind.h"
#include "render/CropToContent.h"
#include "render/D3DWin.h"
#include "ui/MsgBox.h"

#include <QFileDialog>
#include <QFileInfo>
#include <exception>

const char* const SaveFilterText = "GIF Image (*.gif)|*.GIF|JPEG Image (*.jpg)|*.JPG|Bitmap Image (*.bmp)|*.BMP|"
                                   "Tag Image File Format (*.tif)|*.TIF|Portable Network Graphics (*.png)|*.PNG";

QStringList SaveNameFilters()
{
    // Every other field of the filter text is a description; the dialog matches the pattern that
    // the description already shows, without regard to case.
    const QStringList parts = QString::fromLatin1(SaveFilterText).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i];
    return filters;
}

QString DefaultImageName(int mode, const std::optional<QString>& coverName)
{
    if (!coverName)
        return QStringLiteral("Noname");
    static const char* const FaceNames[] = {"Front", "Spine", "Top"};
    const int face = std::max(mode, 1) - 1;
    if (face >= 0 && face <= 2)
        return *coverName + QLatin1Char(' ') + QString::fromLatin1(FaceNames[face]);
    return *coverName;
}

void SetUpSaveDialog(QFileDialog& dialog, const QString& folder, const QString& fileName)
{
    // Qt's own dialog: the same on every desktop, and tests can drive it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setOption(QFileDialog::ReadOnly, false);
    const QStringList filters = SaveNameFilters();
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
    dialog.setDefaultSuffix(QStringLiteral("bmp"));
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    dialog.selectFile(fileName);
}

bool CanWriteExtension(const QString& path)
{
    switch (PictureKindOf(ExtractExtension(path))) {
    case PictureKind::Bitmap:
    case PictureKind::Gif:
    case PictureKind::Jpeg:
    case PictureKind::Png:
    case PictureKind::Tiff:
        return true;
    default:
        return false;
    }
}

QString UnsupportedFormatMessage(const QString& path)
{
    return QFileInfo(path).fileName()
        + QStringLiteral("\r\nThis picture format cannot be written.\r\n\r\nPlease choose a name ending in "
                         ".gif (GIF), .jpg or .jpeg (JPEG), .bmp (BMP), .tif (TIFF) or .png (PNG).");
}

TBitmap32 CaptureFinalView(TD3DWin& view, QSize size)
{
    TBitmap32 work;
    const TBitmap32& shown = view.LastFrame();
    if (!shown.Empty() && shown.Size() == size) {
        work = shown;
    } else {
        const bool smooth = view.FSmooth;
        view.FSmooth = true;
        struct TRestore {
            TD3DWin& View;
            bool Smooth;
            ~TRestore() { View.FSmooth = Smooth; }
        } restore{view, smooth};
        work = view.RenderOffscreen(size.width(), size.height());
    }
    CropToContent(work);
    return work;
}

TSaveFlow::TSaveFlow(QWidget* parent, TSaveFlowHooks hooks) : FParent(parent), FHooks(std::move(hooks)) {}

TSaveResult TSaveFlow::SaveImageAs(int mode)
{
    // Saving from the start page saves the front face: step there and, whatever happens, back.
    struct TStepBack {
        const TSaveFlowHooks* Hooks = nullptr;
        ~TStepBack()
        {
            if (!Hooks)
                return;
            try {
                Hooks->StepBack();
            } catch (const std::exception& e) {
                TApplication::ShowException(QString::fromUtf8(e.what()));
            }
        }
    } stepBack;
    try {
        if (mode == 0) {
            FHooks.StepForward();
            stepBack.Hooks = &FHooks;
        }
        // The picture is taken while the window still shows it, before the dialog covers it.
        const TBitmap32 picture = FHooks.Capture(mode == 4);

        QFileDialog dialog(FParent);
        SetUpSaveDialog(dialog, LastFolder(), FHooks.DefaultName(mode));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return TSaveResult::Cancelled;
        const QString path = dialog.selectedFiles().first();
        RememberFolder(path);
        if (!CanWriteExtension(path)) {
            ShowInfo(UnsupportedFormatMessage(path));
            return TSaveResult::Failed;
        }
        FHooks.Write(picture, path);
        return TSaveResult::Written;
    } catch (const std::exception& e) {
        // Reported here rather than by the event loop: the caller may be a close that must not
        // go on when the picture was not saved.
        TApplication::ShowException(QString::fromUtf8(e.what()));
        return TSaveResult::Failed;
    }
}
