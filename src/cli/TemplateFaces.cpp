#include "TemplateFaces.h"

#include "cover/BookCover.h"
#include "templates/ProgramData.h"
#include "templates/SampleTemplates.h"
#include "templates/TemplateStore.h"

#include <QCoreApplication>
#include <QDir>
#include <stdexcept>

namespace {
QString HowToGetTemplates()
{
    return QStringLiteral("Templates are made with \"Edit Templates...\" on Tavlo Generator's start page; "
                          "--front and --side render face pictures without one.");
}
} // namespace

QString NoTemplateMessage(const QString& name, const QStringList& stored, const QString& storeProblem)
{
    if (!stored.isEmpty())
        return QStringLiteral("There is no template \"%1\". Stored templates: %2.").arg(name, stored.join(QStringLiteral(", ")));
    if (!storeProblem.isEmpty())
        return QStringLiteral("There is no template \"%1\": %2").arg(name, storeProblem);
    // No templates at all: either the samples were never found or the user deleted them.
    const QString samples = SampleTemplatesFolder();
    if (!samples.isEmpty() && !QDir(samples).isEmpty(QDir::Dirs | QDir::NoDotAndDotDot))
        return QStringLiteral("There is no template \"%1\" and none are stored: the sample templates were deleted in "
                              "Tavlo Generator. %2")
            .arg(name, HowToGetTemplates());
    const QString forced = qEnvironmentVariable("TAVLO_DATA_DIR");
    const QString looked = !samples.isEmpty() ? samples
        : (forced.isEmpty() ? DataFolderBeside(QCoreApplication::applicationDirPath()) : forced) + QStringLiteral("/samples");
    return QStringLiteral("There is no template \"%1\" and none are stored: the sample templates are not in %2 "
                          "(TAVLO_DATA_DIR can name the data folder that holds them). %3")
        .arg(name, QDir::toNativeSeparators(looked), HowToGetTemplates());
}

std::optional<TBookType> LoadTemplate(const QString& name, TBitmap32& front, TBitmap32& side, TBitmap32& top)
{
    TTemplateStore store;
    OpenWithSamples(store);
    QString found;
    const QStringList names = store.ListNames();
    for (const QString& n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            found = n;
    if (found.isEmpty())
        throw std::runtime_error(NoTemplateMessage(name, names, store.Problem()).toStdString());
    const TBookCover cover(TBookCover::KindTemplate, found, &store);
    TBitmap32* targets[] = {&front, &side, &top};
    for (int i = 0; i < 3; ++i)
        if (const auto bitmap = cover.FaceAsBitmap(i))
            *targets[i] = *bitmap;
    if (front.Empty() || side.Empty())
        throw std::runtime_error(QString("The template \"%1\" has no readable front or side picture.").arg(found).toStdString());
    return cover.StoredType;
}
