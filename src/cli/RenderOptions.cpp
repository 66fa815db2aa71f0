#include "RenderOptions.h"

const std::vector<TRenderOption>& RenderOptions()
{
    using K = TRenderOptionKind;
    static const std::vector<TRenderOption> options = {
        {"project", K::File, {}},
        {"template", K::Template, {}},
        {"front", K::File, {}},
        {"side", K::File, {}},
        {"top", K::File, {}},
        {"back", K::File, {}},
        {"print-cover", K::File, {}},
        {"trim", K::Value, {}},
        {"pages", K::Value, {}},
        {"paper", K::Value, {}},
        {"spine", K::Value, {}},
        {"bleed", K::Value, {}},
        {"dpi", K::Value, {}},
        {"type", K::Value, {}},
        {"size", K::Value, {}},
        {"angle-x", K::Value, {}},
        {"angle-y", K::Value, {}},
        {"light-elevation", K::Value, {}},
        {"light-azimuth", K::Value, {}},
        {"shadow", K::Flag, "no-shadow"},
        {"no-shadow", K::Flag, "shadow"},
        {"shadow-strength", K::Value, {}},
        {"zoom", K::Value, {}},
        {"background", K::Value, {}},
        {"smooth", K::Flag, "no-smooth"},
        {"no-smooth", K::Flag, "smooth"},
        {"passes", K::Value, {}},
        {"cd-position", K::Value, {}},
        {"no-crop", K::Flag, {}},
        {"transparent", K::Flag, "no-transparent"},
        {"no-transparent", K::Flag, "transparent"},
        {"photo", K::Flag, "standard"},
        {"standard", K::Flag, "photo"},
        {"samples", K::Value, {}},
        {"reflection", K::Value, {}},
        {"gloss", K::Value, {}},
        {"turntable", K::Value, {}},
    };
    return options;
}

const TRenderOption* FindRenderOption(const QString& name)
{
    for (const TRenderOption& option : RenderOptions())
        if (option.Name == name)
            return &option;
    return nullptr;
}

void AddRenderOptions(QCommandLineParser& parser)
{
    for (const TRenderOption& option : RenderOptions()) {
        if (option.Kind == TRenderOptionKind::Flag)
            parser.addOption(QCommandLineOption(option.Name, option.Name));
        else
            parser.addOption(QCommandLineOption(option.Name, option.Name, QStringLiteral("value")));
    }
    parser.addOption(QCommandLineOption({QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("output"),
                                        QStringLiteral("file")));
}
