// `tavlo convert INPUT OUTPUT`: reads a picture as the program reads a new image layer and writes
// it as Save As does, in the format of the output's extension.
#include "CliCommand.h"
#include "CliOptions.h"

#include "imageio/ImageWriter.h"
#include "imageio/PictureLoader.h"

namespace {

int RunConvert(const QStringList& args, QTextStream&, QTextStream&)
{
    // No options: anything with a dash is a mistake, unless it follows "--".
    QCommandLineParser parser;
    ParseCliOptions(parser, args);
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2)
        throw TCliUsageError(QStringLiteral("wants INPUT and OUTPUT, got %1 file names").arg(files.size()));
    TBitmap32 picture;
    LoadPictureFile(picture, files[0]);
    WriteImageFile(picture, files[1]);
    return 0;
}

const TCliCommandRegistrar Registrar({
    "convert",
    "Convert a picture file to GIF, JPEG, BMP, TIFF or PNG",
    "Usage: tavlo convert INPUT OUTPUT\n\n"
    "Reads INPUT (any of the extensions below) the way Tavlo Generator reads a new image layer and\n"
    "writes OUTPUT the way Save As does; the output's extension picks the format:\n"
    "  .gif   GIF89a, 256 colours (20 static + 236 octree colours, Floyd-Steinberg dithering)\n"
    "  .jpg   JPEG at quality 100 (also .jpeg)\n"
    "  .bmp   32 bits per pixel, uncompressed, the alpha byte kept\n"
    "  .tif   TIFF\n"
    "  .png   PNG\n"
    "Extensions are compared without regard to case. An existing OUTPUT is replaced only once the\n"
    "new file is complete. On failure the program's message is printed and the exit code is 1\n"
    "(2 for wrong arguments).",
    RunConvert,
});

} // namespace
