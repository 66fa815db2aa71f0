#include "project/ProjectPictures.h"

#include "imageio/DecodeBudget.h"
#include "project/ProjectFile.h"
#include "project/ZipArchive.h"

#include <algorithm>
#include <stdexcept>

namespace {

// One entry may be this large. All pictures together may inflate to the free part plus a few
// times the file: pictures are stored as they are, so a real project inflates to about its size.
constexpr qint64 MaxPictureBytes = qint64(1) << 30;
constexpr qint64 FreeInflateBytes = qint64(64) << 20;
constexpr qint64 InflatePerArchiveByte = 4;
// The pictures of one project together, as decoded: four canvases at most, and no more than
// 256 MiB plus 64 bytes for each byte of the file. Pictures this program writes compress a few
// times at most (a photograph) and stay within 256 MiB where they compress more (flat artwork);
// a file of a few megabytes cannot make the program decode gigabytes.
constexpr int64_t MaxProjectPixels = 4 * TBitmap32::MaxPixels;
constexpr int64_t FreeDecodedBytes = int64_t(256) << 20;
constexpr int64_t DecodedPerArchiveByte = 64;

[[noreturn]] void Fail(const QString& detail) { throw TProjectError(detail.toStdString()); }

} // namespace

TProjectPictures::TProjectPictures(const TZipReader& zip, qint64 archiveBytes)
    : FZip(zip),
      FArchiveBytes(std::max<qint64>(archiveBytes, 0)),
      FInflateLeft(FreeInflateBytes + InflatePerArchiveByte * FArchiveBytes)
{
}

int TProjectPictures::Refer(const QString& name)
{
    auto found = FByName.constFind(name);
    if (found == FByName.constEnd()) {
        // The declared size is checked against what is left before the entry is inflated.
        TEntry entry;
        entry.Name = name;
        entry.Bytes = FZip.Read(name, std::min(MaxPictureBytes, FInflateLeft));
        FInflateLeft -= entry.Bytes.size();
        try {
            entry.Claim = ExamineWithQt(entry.Bytes, "png");
        } catch (const std::runtime_error&) {
            Fail(QStringLiteral("\"%1\" is no picture of a size this program handles").arg(name));
        }
        found = FByName.insert(name, int(FEntries.size()));
        FEntries.push_back(std::move(entry));
    }
    ++FEntries[size_t(*found)].References;
    FReferences.push_back(*found);
    return int(FReferences.size()) - 1;
}

void TProjectPictures::CheckBudget() const
{
    // The pixels a picture may have without data to paint them are shared by the whole project,
    // as if it were one file; beyond them each picture pays with its own data, once: a second
    // reference to the same entry has no data of its own.
    int64_t free = DecodeBudgetBytes / 4, total = 0;
    const int64_t decodable = FreeDecodedBytes + DecodedPerArchiveByte * FArchiveBytes;
    std::vector<bool> paid(FEntries.size(), false);
    for (const int e : FReferences) {
        const TEntry& entry = FEntries[size_t(e)];
        const int64_t pixels = int64_t(entry.Claim.Size.width()) * entry.Claim.Size.height();
        total += pixels;
        if (total > MaxProjectPixels)
            Fail(QStringLiteral("its pictures together are too large"));
        if (pixels <= free)
            free -= pixels;
        else if (!paid[size_t(e)] && pixels <= entry.Claim.PaintablePixels)
            paid[size_t(e)] = true;
        else
            Fail(QStringLiteral("\"%1\" declares %2 x %3 pixels, more than its data can paint")
                     .arg(entry.Name)
                     .arg(entry.Claim.Size.width())
                     .arg(entry.Claim.Size.height()));
        if (total * 4 > decodable)
            Fail(QStringLiteral("its pictures together would take more than %1 MiB, too much for a file of %2 KiB")
                     .arg(decodable >> 20)
                     .arg((FArchiveBytes + 1023) / 1024));
    }
}

void TProjectPictures::Decode()
{
    CheckBudget();
    for (TEntry& entry : FEntries) {
        try {
            DecodeWithQt(entry.Bytes, "png", entry.Picture);
        } catch (const std::runtime_error& e) {
            Fail(QStringLiteral("\"%1\" is a damaged picture (%2)").arg(entry.Name, QString::fromUtf8(e.what())));
        }
        if (entry.Picture.Size() != entry.Claim.Size)
            Fail(QStringLiteral("\"%1\" is a damaged picture").arg(entry.Name));
        entry.Bytes = QByteArray();
    }
}

TBitmap32 TProjectPictures::Take(int handle)
{
    TEntry& entry = FEntries[size_t(FReferences.at(size_t(handle)))];
    if (--entry.References == 0)
        return std::move(entry.Picture);
    return entry.Picture;
}
