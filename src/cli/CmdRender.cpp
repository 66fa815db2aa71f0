// `tavlo render`: a cover picture from face files without any display, as the wizard's final
// page would save it. Scripts can render a whole catalogue with it.
#include "CliCommand.h"
#include "CliOptions.h"
#include "TemplateFaces.h"
#include "RenderOptions.h"
#include "PrintCoverOptions.h"

#include "cover/BookType.h"
#include "cover/BookCover.h"
#include "imageio/PictureLoader.h"
#include "printcover/CoverBookType.h"
#include "printcover/CoverSplit.h"
#include "document/TavloDocument.h"
#include "project/ProjectFile.h"
#include "render/HeadlessPicture.h"
#include "render/photo/PhotoRenderer.h"
#include "export/CoverGlb.h"
#include "export/TurntableWebp.h"

// The picture writers join the imageio library separately; until they are there this command
// renders but says plainly that it cannot write.
#if __has_include("imageio/ImageWriter.h")
#include "imageio/ImageWriter.h"
#define TAVLO_HAVE_IMAGE_WRITER 1
#endif

#include "imageio/PictureKind.h"
#include "imageio/ProductName.h"

#include <QColor>
#include <QCommandLineParser>
#include <QRegularExpression>
#include <stdexcept>
#include <unistd.h>

namespace {

QString HelpText()
{
    return QStringLiteral(
    "Usage: tavlo render --front FILE --side FILE [--top FILE] [--back FILE] [--type TYPE]\n"
    "                    -o OUTPUT [OPTIONS]\n"
    "       tavlo render --project FILE.tavlo -o OUTPUT [OPTIONS]\n"
    "       tavlo render --template NAME -o OUTPUT [OPTIONS]\n"
    "       tavlo render --print-cover FILE --trim SIZE --pages N --paper PAPER -o OUTPUT [OPTIONS]\n"
    "\n"
    "Renders a 3D cover from face pictures without a display (OpenGL through EGL), framed to the\n"
    "cover and its whole shadow as Save As does, and writes it as GIF, JPEG, BMP, TIFF or PNG by\n"
    "the output's extension. Defaults are those of the wizard's final page, so the picture is the\n"
    "one the wizard makes.\n"
    "\n"
    "  --project FILE          a project saved by Tavlo Generator: its faces with their layers and\n"
    "                          its final page settings (the options below override them). With\n"
    "                          --front, --side or --top, the picture given replaces that face\n"
    "                          of the project and the layers on it (it is the title's finished\n"
    "                          art); the other faces keep theirs: one look for a whole series\n"
    "  --template NAME         a template stored by Tavlo Generator (its face files); a user\n"
    "                          without templates gets the samples, as on its first start\n"
    "  --front FILE            front face picture (any of the extensions at the end)\n"
    "  --side FILE             side (spine) face picture\n"
    "  --top FILE              top face picture (boxes only; generated when absent)\n"
    "  --back FILE             back cover picture of the paged types (Book Cover, Electronic\n"
    "                          Magazine, Special Report, Thin Book), also in place of a\n"
    "                          project's or a print cover's back; without one the back cover\n"
    "                          shows the front mirrored\n"
    "  --print-cover FILE      a printer's wrap-around cover (PDF or picture) in place of the\n"
    "                          faces: front, spine and back cut out as `tavlo split-cover`\n"
    "                          does, with its --trim, --pages, --paper, --spine, --bleed and\n"
    "                          --dpi; a Book Cover, or a Thin Book when the spine is no wider\n"
    "                          than its 30-pixel side at --dpi (0.1 in at 300 dpi), unless\n"
    "                          --type says otherwise\n"
    "  --type TYPE             book type by name or index 0..7 (default \"Two Sided Box\"):\n"
    "                          Two Sided Box, Three Sided Box, Book Cover, Electronic Magazine,\n"
    "                          CD Cover, Special Report, Thin Book, Wide Box\n"
    "  -o, --output FILE       picture to write (.gif .jpg .jpeg .bmp .tif .png), or .glb: the\n"
    "                          cover as a 3D model (binary glTF, metres, the front 0.24 m high,\n"
    "                          a CD case 0.125 m; the photo's materials, --gloss applies)\n"
    "  --size WxH              the view's shape; the picture written is W pixels wide and as\n"
    "                          high as the cover and its shadow need (default 800x600, at\n"
    "                          most 8192x8192; with --no-crop the picture is exactly WxH)\n"
    "  --angle-x DEG           rotation about the horizontal axis (default: the type's)\n"
    "  --angle-y DEG           rotation about the vertical axis (default: the type's)\n"
    "  --light-elevation N     light attitude 0..100 (default 72)\n"
    "  --light-azimuth N       light orientation 0..100 (default 10)\n"
    "  --shadow, --no-shadow   shadow on or off (default on, off for types 3 to 6)\n"
    "  --shadow-strength N     shadow intensity 0..100 (default 50)\n"
    "  --zoom F                zoom factor from 0.761 to 9.99 (default 1); below 1 the field\n"
    "                          of view widens quickly and reaches 180 degrees at 0.7603\n"
    "  --background COLOR      background colour, #rrggbb or a colour name (default white)\n"
    "  --smooth, --no-smooth   smooth the edges (averaged shifted passes) or not (default off,\n"
    "                          a project's own setting with --project)\n"
    "  --passes N              smoothing passes 1..255 (default 9)\n"
    "  --cd-position N         how far the disc is out of its case, 0..100 (default 50)\n"
    "  --no-crop               keep the whole view instead of cutting to the contents\n"
    "  --transparent           see-through background: PNG and TIFF get alpha (the shadow\n"
    "                          partly clear), GIF one transparent colour; JPEG and BMP cannot\n"
    "                          be transparent and keep the background colour; --no-transparent\n"
    "                          keeps a project's background opaque\n"
    "  --turntable FRAMES      an animated GIF of the cover turning a full circle about its\n"
    "                          vertical axis in FRAMES frames (2..360, a turn takes about 4 s);\n"
    "                          the output must end in .gif, or in .webp for an animated WebP in\n"
    "                          full colour with alpha. Frames are written as they are\n"
    "                          drawn; a turn larger than the free memory is refused at once\n"
    "  --photo                 a photograph: the light traced through the scene on every core\n"
    "                          (a soft shadow, the floor's reflection, the gloss of the print),\n"
    "                          slower than the 3D view's drawing; on a terminal its progress is\n"
    "                          shown. A project saved at Photo quality renders as a photo\n"
    "  --standard              the 3D view's drawing, also for a project saved at Photo quality\n"
    "  --samples N             photo samples per pixel 1..65536 (default %1; more is smoother)\n"
    "  --reflection N          photo: the floor's reflection 0..100 (default %2)\n"
    "  --gloss N               photo: matte print 0 to glossy laminate 100 (default %3)\n"
    "\n"
    "TAVLO_PHOTO_THREADS=N in the environment keeps the photo to N threads (tavlo batch gives\n"
    "each of its renders its share of the cores).\n"
    "\n"
    "Exit status: 0 written, 1 failed (unreadable picture, no OpenGL driver, write error),\n"
    "2 wrong usage.")
        .arg(TPhotoOptions::DefaultSamples)
        .arg(TPhotoLook().Reflection)
        .arg(TPhotoLook().Gloss);
}

struct TUsageError {
    QString Message;
};

double Number(const QCommandLineParser& p, const QString& name, double low, double high)
{
    bool ok = false;
    const double v = p.value(name).toDouble(&ok);
    if (!ok || !(v >= low && v <= high))
        throw TUsageError{QString("--%1 wants a number from %2 to %3, not \"%4\".")
                              .arg(name)
                              .arg(low)
                              .arg(high)
                              .arg(p.value(name))};
    return v;
}

// A setting with an on and an off option; nullopt when neither is given.
std::optional<bool> OnOff(const QCommandLineParser& p, const QString& on, const QString& off)
{
    if (p.isSet(on) && p.isSet(off))
        throw TUsageError{QString("--%1 and --%2 contradict each other.").arg(on, off)};
    if (!p.isSet(on) && !p.isSet(off))
        return std::nullopt;
    return p.isSet(on);
}

// The quality options change the quality they start from; the environment may limit the threads.
TPictureQuality Quality(const QCommandLineParser& p, TPictureQuality q)
{
    if (const auto on = OnOff(p, "photo", "standard"))
        q.Photo = *on;
    if (p.isSet("samples"))
        q.Samples = int(Number(p, "samples", 1, 65536));
    if (p.isSet("reflection"))
        q.Look.Reflection = int(Number(p, "reflection", 0, 100));
    if (p.isSet("gloss"))
        q.Look.Gloss = int(Number(p, "gloss", 0, 100));
    q.Threads = std::max(0, qEnvironmentVariableIntValue("TAVLO_PHOTO_THREADS"));
    try {
        ValidateQuality(q);
    } catch (const std::exception& e) {
        throw TUsageError{QString::fromUtf8(e.what())};
    }
    return q;
}

// A one-line percentage on stderr while a photo is traced, when stderr is a terminal; scripts
// reading stderr get only the messages.
class TTerminalProgress {
public:
    explicit TTerminalProgress(QTextStream& err) : FErr(err), FShown(isatty(STDERR_FILENO)) {}
    ~TTerminalProgress()
    {
        if (FShown && FPercent >= 0)
            FErr << "\r" << QString(40, QLatin1Char(' ')) << "\r" << Qt::flush;
    }
    bool operator()(const TPictureProgress& at)
    {
        const int percent = int(at.Done * 100);
        if (FShown && percent != FPercent)
            FErr << "\rTracing the photo: " << percent << " %" << Qt::flush;
        FPercent = percent;
        return true;
    }

private:
    QTextStream& FErr;
    const bool FShown;
    int FPercent = -1;
};

// Options given on the command line change the settings they start from.
TCoverRenderSettings Settings(const QCommandLineParser& p, TCoverRenderSettings s)
{
    if (p.isSet("type")) {
        const auto type = BookTypeFromText(p.value("type"));
        if (!type)
            throw TUsageError{QString("Unknown book type \"%1\".").arg(p.value("type"))};
        s.Type = *type;
    }
    if (p.isSet("size")) {
        const auto m = QRegularExpression(R"(^\s*(\d{1,5})\s*[xX]\s*(\d{1,5})\s*$)").match(p.value("size"));
        if (!m.hasMatch())
            throw TUsageError{QString("--size wants WIDTHxHEIGHT, not \"%1\".").arg(p.value("size"))};
        s.Width = m.captured(1).toInt();
        s.Height = m.captured(2).toInt();
        s.ViewWidth = s.ViewHeight = 0; // a size asked for replaces the project's view
    }
    if (p.isSet("angle-x"))
        s.AngleX = float(Number(p, "angle-x", -360, 720));
    if (p.isSet("angle-y"))
        s.AngleY = float(Number(p, "angle-y", -360, 720));
    if (p.isSet("light-elevation"))
        s.LightElevation = float(Number(p, "light-elevation", 0, 100) / 100);
    if (p.isSet("light-azimuth"))
        s.LightAzimuth = float(Number(p, "light-azimuth", 0, 100) / 100);
    if (const auto on = OnOff(p, "shadow", "no-shadow"))
        s.Shadow = *on;
    if (p.isSet("shadow-strength"))
        s.ShadowStrength = float(Number(p, "shadow-strength", 0, 100) / 100);
    if (p.isSet("zoom"))
        s.Zoom = float(Number(p, "zoom", MinZoom, 9.99));
    if (p.isSet("background")) {
        const QColor c = QColor::fromString(p.value("background"));
        if (!c.isValid())
            throw TUsageError{QString("Unknown colour \"%1\".").arg(p.value("background"))};
        s.Background = Color32(c.red(), c.green(), c.blue());
    }
    if (const auto on = OnOff(p, "smooth", "no-smooth"))
        s.Smooth = *on;
    if (p.isSet("passes"))
        s.Passes = int(Number(p, "passes", 1, 255));
    if (p.isSet("cd-position"))
        s.CDPosition = float(Number(p, "cd-position", 0, 100) / 100);
    s.Crop = !p.isSet("no-crop");
    if (const auto on = OnOff(p, "transparent", "no-transparent"))
        s.Transparent = *on;
    try {
        ValidateSettings(s);
    } catch (const std::exception& e) {
        throw TUsageError{QString::fromUtf8(e.what())};
    }
    return s;
}

int Run(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    AddRenderOptions(p);
    try {
        ParseCliOptions(p, args);
        if (!p.positionalArguments().isEmpty())
            throw TUsageError{QString("Unexpected argument \"%1\".").arg(p.positionalArguments().first())};
        // Face pictures beside a project are one title of a series: the project's look, its own faces.
        const int sources = int(p.isSet("project")) + int(p.isSet("template")) + int(p.isSet("print-cover"))
                          + int(!p.isSet("project") && (p.isSet("front") || p.isSet("side")));
        if (sources > 1)
            throw TUsageError{"Give either --project, --template, --print-cover or the face pictures, not several."};
        const QStringList needed = p.isSet("project") || p.isSet("template") || p.isSet("print-cover")
                                       ? QStringList{"output"}
                                                                             : QStringList{"front", "side", "output"};
        for (const QString& name : needed)
            if (!p.isSet(name))
                throw TUsageError{QString("--%1 is missing.").arg(name)};

        TBitmap32 front, side, top;
        TCoverRenderSettings base;
        TPictureQuality baseQuality;
        if (p.isSet("project")) {
            // The same model the window works on: its faces flattened with their layers.
            TTavloDocument document;
            document.ReplaceWithProject(LoadProject(p.value("project")), p.value("project"));
            front = document.FaceRecord(0).Bitmap;
            side = document.FaceRecord(1).Bitmap;
            top = document.FaceRecord(2).Bitmap;
            base = FinalRenderSettings(document.Settings());
            if (document.HasBack())
                base.Back = std::make_shared<const TBitmap32>(document.BackPicture());
            baseQuality = FinalPictureQuality(document.Settings());
        } else if (p.isSet("template")) {
            if (const auto type = LoadTemplate(p.value("template"), front, side, top))
                base.Type = *type; // --type still chooses another
        } else if (p.isSet("print-cover")) {
            // The faces split-cover would write, without writing them.
            const TCoverMeasures measures = PrintCoverSpec(p);
            const double dpi = PrintCoverDpi(p);
            TCoverFaces faces = SplitCover(ReadCheckedCover(p.value("print-cover"), measures, dpi), measures, dpi);
            front = std::move(faces.Front);
            side = std::move(faces.Spine);
            base.Back = std::make_shared<const TBitmap32>(std::move(faces.Back));
            base.Type = BookTypeForSpine(measures, dpi); // --type still chooses another
        }
        // A face picture given is the finished art of that face: with --project it replaces the
        // project's face and the layers on it; the project's other faces keep theirs.
        if (p.isSet("front"))
            LoadPictureFromFile(front, p.value("front"));
        if (p.isSet("side"))
            LoadPictureFromFile(side, p.value("side"));
        if (p.isSet("top"))
            LoadPictureFromFile(top, p.value("top"));
        if (p.isSet("back")) {
            auto back = std::make_shared<TBitmap32>();
            LoadPictureFromFile(*back, p.value("back"));
            base.Back = std::move(back);
        }
        const TCoverRenderSettings settings = Settings(p, base);
        const TPictureQuality quality = Quality(p, baseQuality);
        int frames = 0;
        bool webp = false;
        if (p.isSet("turntable")) {
            frames = int(Number(p, "turntable", 2, 360));
            webp = ExtractExtension(p.value("output")).compare("WEBP", Qt::CaseInsensitive) == 0;
            if (PictureKindOf(ExtractExtension(p.value("output"))) != PictureKind::Gif && !webp)
                throw TUsageError{"--turntable writes an animated GIF or WebP: the output must end in .gif or .webp."};
            if (webp && quality.Photo)
                throw TUsageError{"A photo turntable is written as an animated GIF: the output must end in .gif."};
        }
        TBitmap32* topFace = top.Empty() ? nullptr : &top;
        if (frames == 0 && ExtractExtension(p.value("output")).compare("GLB", Qt::CaseInsensitive) == 0) {
            SaveCoverGlb(front, side, top, settings, quality.Look, p.value("output"));
            out << "Wrote " << p.value("output") << " (3D model)\n";
            return 0;
        }
        if (frames > 0) {
            // Frames are written as they are rendered; a turn memory cannot hold is refused first.
            // A progress line on a terminal; scripts reading stderr get only the messages.
            const bool terminal = isatty(STDERR_FILENO);
            const TTurntableProgressFn told = [&](const TTurntableProgress& at) {
                if (terminal)
                    err << (at.Sampling ? "\rChoosing the colours " : "\rRendering frame ") << at.Index + 1 << " of "
                        << at.Count << "   " << Qt::flush;
                return true;
            };
            const QSize size =
                webp ? SaveTurntableWebpHeadless(
                           ComposeCover(settings.Type, front, side, topFace, settings.Back.get()), settings, frames,
                           p.value("output"), told)
                     : SaveTurntablePicture(front, side, topFace, settings, quality, frames, p.value("output"), told);
            if (terminal)
                err << "\r" << QString(40, QLatin1Char(' ')) << "\r" << Qt::flush;
            out << "Wrote " << p.value("output") << " (" << frames << " frames, " << size.width() << " x "
                << size.height() << ")\n";
            return 0;
        }
        std::optional<TBitmap32> rendered;
        {
            TTerminalProgress progress(err);
            rendered = RenderCoverPicture(front, side, topFace, settings, quality,
                                          quality.Photo ? TPictureProgressFn(std::ref(progress)) : TPictureProgressFn());
        }
        if (!rendered)
            throw std::runtime_error("The picture was not finished.");
        const TBitmap32& picture = *rendered;
#ifdef TAVLO_HAVE_IMAGE_WRITER
        if (settings.Transparent)
            WriteTransparentImageFile(picture, p.value("output"), settings.Background);
        else
            WriteImageFile(picture, p.value("output"));
#else
        throw std::runtime_error("This build of tavlo has no picture writers yet; nothing was written.");
#endif
        out << "Wrote " << p.value("output") << " (" << picture.Width() << " x " << picture.Height() << ")\n";
        return 0;
    } catch (const TUsageError& e) {
        err << "tavlo render: " << e.Message << "\n'tavlo render --help' lists the options.\n";
        return 2;
    }
    // Other failures (unreadable picture, no OpenGL driver, write error) reach the dispatcher,
    // which prints their message and exits with 1.
}

const TCliCommandRegistrar Registrar{
    {"render", "render a 3D cover picture from face pictures (no display needed)", HelpText(), Run}};

} // namespace
