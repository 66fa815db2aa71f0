#pragma once
// Save As: takes the picture of the current step (the face as edited, or the finished 3D cover cut
// to its contents), asks for a file name and writes the picture in the format of its extension.

#include "raster/TBitmap32.h"

#include <QSize>
#include <QString>
#include <functional>
#include <optional>

class QFileDialog;
class QWidget;
class TD3DWin;

// The save dialog's filter text, entries separated by '|': description, pattern, description...
extern const char* const SaveFilterText;
// The same five entries as the file dialog's name filters ("GIF Image (*.gif)", ...).
QStringList SaveNameFilters();
// The file name offered: "Noname" without a cover, otherwise the cover's name, followed for the
// face steps (mode 0 counts as 1) by a blank and "Front", "Spine" or "Top".
QString DefaultImageName(int mode, const std::optional<QString>& coverName);
// Title "Save As", the five filters with the first (GIF) selected, the overwrite question, the
// start folder and the offered name. A name typed without an extension gets the one of the
// chosen type; "bmp" only when no type is chosen.
// With a turntable, "Animated GIF (turntable)" is offered after the five types. chosenFilter,
// when it is one of them, is selected instead of the first: the type last chosen in this run.
// With webFiles, "Animated WebP (turntable)" and "3D model (GLB)" follow them.
void SetUpSaveDialog(QFileDialog& dialog, const QString& folder, const QString& fileName, bool turntable = false,
                     const QString& chosenFilter = QString(), bool webFiles = false);
// The name filters of the animated turntable, the WebP turntable and the 3D model.
extern const char* const TurntableFilter;
extern const char* const WebpTurntableFilter;
extern const char* const ModelFilter;
// The extension a name filter's pattern gives ("gif" for "GIF Image (*.gif)"); "bmp" for none.
QString SuffixForFilter(const QString& filter);
// Whether the name's extension is one the program writes ("bmp", "gif", "jpg", "jpeg", "png",
// "tif", any case).
bool CanWriteExtension(const QString& path);
// Told when a name has an extension the program cannot write.
QString UnsupportedFormatMessage(const QString& path);

// While it lives, the view draws as every saved picture is drawn: smoothed, and with a clear
// background when asked. The view's own settings come back when it ends.
class TSavedPictureLook {
public:
    TSavedPictureLook(TD3DWin& view, bool transparent);
    ~TSavedPictureLook();
    TSavedPictureLook(const TSavedPictureLook&) = delete;
    TSavedPictureLook& operator=(const TSavedPictureLook&) = delete;

private:
    TD3DWin& FView;
    bool FSmooth, FTransparent;
};

// The finished cover with its whole shadow, smoothed, framed in a picture `width` pixels wide
// (the height follows, TD3DWin::ContentSize), rendered offscreen with the view's camera, light
// and shadow. Transparent: alpha 0 around it, the shadow black with its darkness as opacity.
TBitmap32 CaptureFinalView(TD3DWin& view, int width, bool transparent = false);
// The size CaptureFinalView gives for `width`, and the width that shows the cover at the view's
// own scale (both with the smoothing every saved picture has).
QSize FinalPictureSize(TD3DWin& view, int width);
int NaturalFinalWidth(TD3DWin& view);

enum class TSaveResult { Cancelled, Failed, Written };

// What the save flow needs from the window.
struct TSaveFlowHooks {
    std::function<void()> StepForward;                       // as the Next button does
    std::function<void()> StepBack;                          // as the Back button does
    std::function<TBitmap32(bool finalPicture)> Capture;     // the picture of the shown step
    std::function<QString(int mode)> DefaultName;            // DefaultImageName for the window's cover
    std::function<void(const TBitmap32&, const QString&)> Write; // throws std::runtime_error
    // When set, the final step offers the turntable; false when the user cancelled it.
    std::function<bool(const QString&)> WriteTurntable;
    // When set and answering true, the final picture is a traced photo: TracePhoto makes it
    // after the name is chosen (it takes a while and may be cancelled; nothing then).
    std::function<bool()> FinalIsPhoto;
    std::function<std::optional<TBitmap32>()> TracePhoto;
    // When both are set, the final step also offers the files of web shops: the turntable as an
    // animated WebP (false when the user cancelled it) and the cover as a 3D model (GLB).
    std::function<bool(const QString&)> WriteWebpTurntable;
    std::function<void(const QString&)> WriteModel; // throws std::runtime_error
};

class TSaveFlow {
public:
    TSaveFlow(QWidget* parent, TSaveFlowHooks hooks);

    // The whole flow for the picture of step mode (0 steps to the front face and back again).
    // A failure is shown in the information box; the file is Written only when it is complete.
    TSaveResult SaveImageAs(int mode);

private:
    QWidget* FParent;
    TSaveFlowHooks FHooks;
    QString FLastFilter; // the type chosen in the last confirmed dialog, offered again
};
