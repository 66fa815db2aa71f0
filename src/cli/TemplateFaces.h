#pragma once
// The faces of a template stored by Tavlo Generator, for `tavlo render --template NAME`.

#include "cover/BookType.h"
#include "raster/TBitmap32.h"

#include <QStringList>
#include <optional>

// Finds the template by name without regard to case in the user's store, as a first start of the
// window leaves it (the samples added when the user has no templates yet), fills the faces it has
// and answers the cover type it carries. Throws std::runtime_error naming the stored templates,
// or saying how to get some when there are none.
std::optional<TBookType> LoadTemplate(const QString& name, TBitmap32& front, TBitmap32& side, TBitmap32& top);

// Why a template of that name cannot be found, given the names stored and the store's problem.
QString NoTemplateMessage(const QString& name, const QStringList& stored, const QString& storeProblem);
