#pragma once
// The sample templates of the program's own artwork, so that a first start has something to
// show. Each sample is a folder of the data folder's "samples/", named as the template, holding
// its faces as front.*, side.* and top.* and its cover type's name in type.txt.

#include <QStringList>

class TTemplateStore;

// Adds the samples, with their types, to a store that has no templates yet, once: a note in the
// settings remembers it, so samples the user deleted stay deleted and a user with templates of
// their own gets none. Samples added by a version that stored no types get their type, once
// (templates without a type whose front and side are still a sample's files). Answers the names
// added. The faces are used where they are; nothing is copied.
QStringList AddSampleTemplatesOnce(TTemplateStore& store, const QString& samplesFolder);

// Opens the user's store as a first start of the window leaves it: the samples of the program's
// data folder added, once, as above. For `tavlo`, which may run before the window ever has.
QStringList OpenWithSamples(TTemplateStore& store);
