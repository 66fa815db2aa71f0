#include "editor/BackImageMenu.h"

#include "document/TavloDocument.h"
#include "editor/LayerCommands.h"
#include "imageio/PictureLoader.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

TBackImageMenu::TBackImageMenu(TLayerCommands& editor, TTavloDocument& document,
                               std::function<void(const QString&)> notice)
    : QObject(&editor), FEditor(editor), FDocument(&document), FNotice(std::move(notice))
{
    QMenu* menu = editor.popLayer;
    // Between the layer commands and undo: Edit Text..., Back Image..., Remove Back Image, Undo.
    miBackImage = new QAction(QStringLiteral("Back Image..."), menu);
    miBackImage->setObjectName(QStringLiteral("miBackImage"));
    miBackImage->setToolTip(QStringLiteral("Loads a picture for the back cover of a book"));
    miRemoveBackImage = new QAction(QStringLiteral("Remove Back Image"), menu);
    miRemoveBackImage->setObjectName(QStringLiteral("miRemoveBackImage"));
    menu->insertActions(editor.miUndo, {miBackImage, miRemoveBackImage});
    menu->insertSeparator(editor.miUndo);

    connect(miBackImage, &QAction::triggered, this, &TBackImageMenu::LoadBackImage);
    connect(miRemoveBackImage, &QAction::triggered, this, &TBackImageMenu::RemoveBackImage);
    connect(&editor.History(), &TFaceHistory::Changed, this, &TBackImageMenu::Update);
    connect(&document, &TTavloDocument::BackChanged, this, &TBackImageMenu::Update);
    Update();
}

void TBackImageMenu::Update()
{
    const bool front = FEditor.History().Face() == 0;
    miBackImage->setVisible(front);
    miRemoveBackImage->setVisible(front);
    miRemoveBackImage->setEnabled(FDocument && FDocument->HasBack());
}

void TBackImageMenu::LoadBackImage()
{
    if (!FDocument || !FEditor.Hooks.ChoosePictureFile)
        return;
    const QString path = FEditor.Hooks.ChoosePictureFile(1);
    if (path.isEmpty())
        return;
    TBitmap32 picture;
    LoadPictureFromFile(picture, path);
    FDocument->SetBack(picture, path);
    if (FNotice)
        FNotice(QStringLiteral("A book's back cover now shows %1.").arg(QFileInfo(path).fileName()));
}

void TBackImageMenu::RemoveBackImage()
{
    if (!FDocument || !FDocument->HasBack())
        return;
    FDocument->SetBack(TBitmap32(), QString());
    if (FNotice)
        FNotice(QStringLiteral("A book's back cover shows the front mirrored again."));
}
