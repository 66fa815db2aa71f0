// `tavlo atlas`: composes face pictures for a book type into the atlas the 3D view maps, writes
// it as a picture file and prints the box proportions, so the cover can be used in other 3D tools.
#include "CliCommand.h"
#include "CliOptions.h"

#include "cover/BookCover.h"
#include "cover/Composition.h"
#include "cover/ICoverView.h"
#include "cover/MissingFile.h"
#include "imageio/ImageWriter.h"

#include <optional>
#include <stdexcept>

namespace {
const char* const Help =
    "Usage: tavlo atlas --front FILE --side FILE [--top FILE] --type TYPE -o OUTPUT\n\n"
    "Reshapes the faces for the book type, joins them into the texture atlas of the 3D view and\n"
    "writes it to OUTPUT (GIF, JPEG, BMP, TIFF or PNG by its extension). Prints the atlas size and\n"
    "the box proportions X, Y, Z (width, height, depth; X is always 1).\n\n"
    "Faces are read like the program reads template files (the extensions below).\n"
    "TYPE is a type's name or its index:\n"
    "  0 \"Two Sided Box\", 1 \"Three Sided Box\", 2 \"Book Cover\", 3 \"Electronic Magazine\",\n"
    "  4 \"CD Cover\", 5 \"Special Report\", 6 \"Thin Book\", 7 \"Wide Box\".\n"
    "Paged types (2, 3, 5, 6) ignore --top; a missing top is generated from the front's colour.\n\n"
    "Atlas layout: the top at the upper right, the side at the lower left, the front at the lower\n"
    "right; the upper left corner is transparent and unused.";

// Keeps a copy of the atlas that composition shows.
class TAtlasCapture : public TAtlasSink {
public:
    std::optional<TBitmap32> Atlas;
    int FrontWidth = 0, FrontHeight = 0, SideWidth = 0;

    void ShowCover(const TBitmap32* atlas, int frontWidth, int frontHeight, int sideWidth) override
    {
        if (!atlas)
            return;
        Atlas = *atlas;
        FrontWidth = frontWidth;
        FrontHeight = frontHeight;
        SideWidth = sideWidth;
    }
};

struct TAtlasArgs {
    QString Front, Side, Top, Output;
    TBookType Type = btTwoSidedBox;
};

TAtlasArgs ParseArgs(const QStringList& args)
{
    TAtlasArgs result;
    std::optional<TBookType> type;
    for (int i = 0; i < args.size(); ++i) {
        const QString& option = args[i];
        if (i + 1 >= args.size())
            throw TCliUsageError(QStringLiteral("missing value after '%1'").arg(option));
        const QString value = args[++i];
        if (option == "--front")
            result.Front = value;
        else if (option == "--side")
            result.Side = value;
        else if (option == "--top")
            result.Top = value;
        else if (option == "-o" || option == "--output")
            result.Output = value;
        else if (option == "--type") {
            type = BookTypeFromText(value);
            if (!type)
                throw TCliUsageError(QStringLiteral("unknown book type '%1'").arg(value));
        } else
            throw TCliUsageError(QStringLiteral("unknown option '%1'").arg(option));
    }
    if (result.Front.isEmpty() || result.Side.isEmpty() || !type || result.Output.isEmpty())
        throw TCliUsageError(QStringLiteral("--front, --side, --type and -o are required"));
    result.Type = *type;
    return result;
}

std::unique_ptr<TBitmap32> DecodeFace(const TBookCover& cover, int index, const QString& path)
{
    auto face = cover.FaceAsBitmap(index);
    if (!face || face->Empty())
        throw std::runtime_error(QStringLiteral("%1: not a picture this program reads").arg(path).toStdString());
    return face;
}

int RunAtlas(const QStringList& args, QTextStream& out, QTextStream&)
{
    const TAtlasArgs a = ParseArgs(args);

    // Missing face files end the command with the program's own message.
    QStringList missing;
    const TMissingFileReporter previous =
        SetMissingFileReporter([&missing](const QString& message) { missing << message; });
    TBookCover cover(TBookCover::KindNone, QString());
    try {
        cover.SetFaceFiles(QString(), a.Front, a.Side, a.Top);
    } catch (...) {
        SetMissingFileReporter(previous);
        throw;
    }
    SetMissingFileReporter(previous);
    if (!missing.isEmpty())
        throw std::runtime_error(missing.join(QLatin1Char('\n')).replace(QLatin1String("\r\n"), QLatin1String(": ")).toStdString());

    auto front = DecodeFace(cover, 0, a.Front);
    auto side = DecodeFace(cover, 1, a.Side);
    std::unique_ptr<TBitmap32> top;
    if (!a.Top.isEmpty() && !IsPagedType(a.Type))
        top = DecodeFace(cover, 2, a.Top);

    TAtlasCapture view;
    if (!Compose(a.Type, &view, top.get(), side.get(), front.get()) || !view.Atlas)
        throw std::runtime_error("the faces make no atlas");
    WriteImageFile(*view.Atlas, a.Output);

    const TBoxProportions box = BoxProportionsFor(view.FrontWidth, view.FrontHeight, view.SideWidth);
    out << "Type: " << BookTypeName(a.Type) << "\n"
        << "Atlas: " << view.Atlas->Width() << " x " << view.Atlas->Height() << " pixels (front "
        << view.FrontWidth << " x " << view.FrontHeight << ", side width " << view.SideWidth << ")\n"
        << "Box: X = " << box.X << ", Y = " << box.Y << ", Z = " << box.Z << "\n";
    return 0;
}

const TCliCommandRegistrar Registrar({
    "atlas",
    "compose face pictures into the 3D view's texture atlas; print the box proportions",
    Help,
    RunAtlas,
});
} // namespace
