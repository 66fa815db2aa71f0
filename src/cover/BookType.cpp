#include "cover/BookType.h"

#include <array>
#include <numbers>

namespace {
bool Known(TBookType type) { return int(type) < BookTypeCount; }

constexpr std::array<const char*, BookTypeCount> Names = {
    "Two Sided Box", "Three Sided Box", "Book Cover", "Electronic Magazine",
    "CD Cover",      "Special Report",  "Thin Book",  "Wide Box",
};

// Degrees about X and Y, in index order.
constexpr std::array<std::array<int, 2>, BookTypeCount> AnglesDeg = {{
    {0, 30}, {21, 21}, {30, 330}, {290, 0}, {25, 33}, {325, 0}, {300, 0}, {0, 325},
}};

float Radians(int degrees) { return float(degrees) * std::numbers::pi_v<float> / 180.0f; }
} // namespace

QString BookTypeName(TBookType type) { return Known(type) ? QString::fromLatin1(Names[type]) : QString(); }

std::optional<TBookType> BookTypeFromText(const QString& text)
{
    const QString t = text.trimmed();
    bool isNumber = false;
    const int index = t.toInt(&isNumber);
    if (isNumber)
        return index >= 0 && index < BookTypeCount ? std::optional(TBookType(index)) : std::nullopt;
    for (int i = 0; i < BookTypeCount; ++i)
        if (t.compare(QLatin1String(Names[size_t(i)]), Qt::CaseInsensitive) == 0)
            return TBookType(i);
    return std::nullopt;
}

bool IsPagedType(TBookType type)
{
    return type == btBookCover || type == btElectronicMagazine || type == btSpecialReport || type == btThinBook;
}

float PageInsetFor(TBookType type)
{
    switch (type) {
    case btElectronicMagazine:
    case btSpecialReport:
        return 0.3f;
    case btThinBook:
        return 0.8f;
    default:
        return 1.0f;
    }
}

TViewAngles DefaultAnglesFor(TBookType type)
{
    const auto& deg = AnglesDeg[Known(type) ? type : 0];
    return {Radians(deg[0]), Radians(deg[1])};
}

std::optional<TSideShape> SideShapeFor(TBookType type)
{
    switch (type) {
    case btThreeSidedBox:
        return TSideShape{150, false};
    case btElectronicMagazine:
        return TSideShape{8, false};
    case btSpecialReport:
        return TSideShape{14, true};
    case btThinBook:
        return TSideShape{30, false};
    case btWideBox:
        return TSideShape{225, false};
    default:
        return std::nullopt;
    }
}

bool HasRingBinding(TBookType type) { return type == btSpecialReport; }
bool IsCDCase(TBookType type) { return type == btCDCover; }
bool OrientationEnabledFor(TBookType type) { return type == btTwoSidedBox || type == btWideBox; }
bool ClearsShadow(TBookType type)
{
    return type == btElectronicMagazine || type == btCDCover || type == btSpecialReport || type == btThinBook;
}
bool ShowsCDPosition(TBookType type) { return type == btCDCover; }

TBoxProportions BoxProportionsFor(int frontWidth, int frontHeight, int sideWidth)
{
    if (frontWidth <= 0)
        return {};
    return {1.0f, float(frontHeight) / float(frontWidth), float(sideWidth) / float(frontWidth)};
}

TBoxProportions FitBoxToWindow(TBoxProportions box, int windowWidth, int windowHeight)
{
    if (windowWidth <= 0 || windowHeight <= 0 || box.Y <= 0)
        return box;
    if (float(windowHeight) * box.X < float(windowWidth) * box.Y) {
        const float scale = (float(windowHeight) / float(windowWidth)) / box.Y;
        box.X *= scale;
        box.Y *= scale;
        box.Z *= scale;
    }
    return box;
}
