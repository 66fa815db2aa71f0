#pragma once
// The front step's way to the back cover: "Back Image..." loads a picture that the paged types
// draw on their back cover instead of the front mirrored, "Remove Back Image" takes it off again.
// Both are steps of the front face's history, so undo on the front step takes them back. The two
// items sit in the face editor's menu and show on the front step only.

#include <QObject>
#include <QPointer>
#include <functional>

class QAction;
class TLayerCommands;
class TTavloDocument;

class TBackImageMenu : public QObject {
    Q_OBJECT
public:
    // notice: a short message in the prompt bar (may be empty).
    TBackImageMenu(TLayerCommands& editor, TTavloDocument& document, std::function<void(const QString&)> notice);

    QAction* miBackImage;
    QAction* miRemoveBackImage;

    // Asks for a picture with the editor's open dialog; a file the loader refuses throws its
    // message and changes nothing.
    void LoadBackImage();
    void RemoveBackImage();

private:
    void Update();

    TLayerCommands& FEditor;
    QPointer<TTavloDocument> FDocument; // the window may destroy the document first
    std::function<void(const QString&)> FNotice;
};
