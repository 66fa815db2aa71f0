#include "app/SaveFlow.h"

#include "app/Application.h"
#include "imageio/LastFolder.h"
#include "imageio/PictureKind.h"
#include "render/D3DWin.h"
#include "ui/MsgBox.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <exception>

const char* const SaveFilterText = "GIF Image (*.gif)|*.GIF|JPEG Image (*.jpg)|*.JPG|Bitmap Image (*.bmp)|*.BMP|"
                                   "Tag Image File Format (*.tif)|*.TIF|Portable Network Graphics (*.png)|*.PNG";

const char* const TurntableFilter = "Animated GIF (turntable) (*.gif)";
const char* const WebpTurntableFilter = "Animated WebP (turntable) (*.webp)";
const char* const ModelFilter = "3D model (GLB) (*.glb)";

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

void SetUpSaveDialog(QFileDialog& dialog, const QString& folder, const QString& fileName, bool turntable,
                     const QString& chosenFilter, bool webFiles)
{
    // Qt's own dialog: the same on every desktop, and tests can drive it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setOption(QFileDialog::ReadOnly, false);
    QStringList filters = SaveNameFilters();
    if (turntable)
        filters << QString::fromLatin1(TurntableFilter);
    if (webFiles)
        filters << QString::fromLatin1(WebpTurntableFilter) << QString::fromLatin1(ModelFilter);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.contains(chosenFilter) ? chosenFilter : filters.first());
    // A name without an extension takes the chosen type's, as on every desktop.
    dialog.setDefaultSuffix(SuffixForFilter(dialog.selectedNameFilter()));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& filter) { dialog.setDefaultSuffix(SuffixForFilter(filter)); });
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    dialog.selectFile(fileName);
}

QString SuffixForFilter(const QString& filter)
{
    const int star = filter.indexOf(QLatin1String("*."));
    if (star < 0)
        return QStringLiteral("bmp");
    const int end = filter.indexOf(QRegularExpression(QStringLiteral("[ )]")), star);
    return filter.mid(star + 2, end < 0 ? -1 : end - star - 2).toLower();
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

TSavedPictureLook::TSavedPictureLook(TD3DWin& view, bool transparent)
    : FView(view), FSmooth(view.FSmooth), FTransparent(view.FTransparent)
{
    view.FSmooth = true;
    view.FTransparent = transparent;
}

TSavedPictureLook::~TSavedPictureLook()
{
    FView.FSmooth = FSmooth;
    FView.FTransparent = FTransparent;
}

TBitmap32 CaptureFinalView(TD3DWin& view, int width, bool transparent)
{
    const TSavedPictureLook look(view, transparent);
    return view.RenderContentOffscreen(width);
}

QSize FinalPictureSize(TD3DWin& view, int width)
{
    const TSavedPictureLook look(view, view.FTransparent);
    return view.ContentSize(width);
}

int NaturalFinalWidth(TD3DWin& view)
{
    const TSavedPictureLook look(view, view.FTransparent);
    return view.NaturalContentWidth();
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
        // The picture is taken while the window still shows it, before the dialog covers it; a
        // photo is traced once the name is known, so a cancelled dialog costs no trace.
        const bool photo = mode == 4 && FHooks.FinalIsPhoto && FHooks.TracePhoto && FHooks.FinalIsPhoto();
        TBitmap32 picture = photo ? TBitmap32() : FHooks.Capture(mode == 4);

        QFileDialog dialog(FParent);
        const bool turntable = mode == 4 && FHooks.WriteTurntable;
        const bool webFiles = mode == 4 && FHooks.WriteWebpTurntable && FHooks.WriteModel;
        SetUpSaveDialog(dialog, LastFolder(), FHooks.DefaultName(mode), turntable, FLastFilter, webFiles);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return TSaveResult::Cancelled;
        FLastFilter = dialog.selectedNameFilter();
        const QString path = dialog.selectedFiles().first();
        RememberFolder(path);
        if (turntable && dialog.selectedNameFilter() == QLatin1String(TurntableFilter)) {
            if (PictureKindOf(ExtractExtension(path)) != PictureKind::Gif) {
                ShowInfo(QFileInfo(path).fileName()
                         + QStringLiteral("\r\nA turntable is an animated GIF: please choose a name ending in .gif."));
                return TSaveResult::Failed;
            }
            return FHooks.WriteTurntable(path) ? TSaveResult::Written : TSaveResult::Cancelled;
        }
        const bool model = dialog.selectedNameFilter() == QLatin1String(ModelFilter);
        if (webFiles && (model || dialog.selectedNameFilter() == QLatin1String(WebpTurntableFilter))) {
            if (ExtractExtension(path).compare(model ? "GLB" : "WEBP", Qt::CaseInsensitive) != 0) {
                ShowInfo(QFileInfo(path).fileName()
                         + (model ? QStringLiteral("\r\nA 3D model is a GLB file: please choose a name ending in .glb.")
                                  : QStringLiteral("\r\nThis turntable is an animated WebP: please choose a name ending "
                                                   "in .webp.")));
                return TSaveResult::Failed;
            }
            if (!model)
                return FHooks.WriteWebpTurntable(path) ? TSaveResult::Written : TSaveResult::Cancelled;
            FHooks.WriteModel(path);
            return TSaveResult::Written;
        }
        if (!CanWriteExtension(path)) {
            ShowInfo(UnsupportedFormatMessage(path));
            return TSaveResult::Failed;
        }
        if (photo) {
            std::optional<TBitmap32> traced = FHooks.TracePhoto();
            if (!traced)
                return TSaveResult::Cancelled;
            picture = std::move(*traced);
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
