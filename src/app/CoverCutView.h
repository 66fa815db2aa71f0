#pragma once
// The wrap-around cover scaled into the widget, with the cuts drawn over it: the trim box (the
// bleed outside it is shaded) and the two spine folds, each face named.

#include "printcover/WrapLayout.h"

#include <QImage>
#include <QWidget>
#include <optional>

class TCoverCutView : public QWidget {
    Q_OBJECT
public:
    static constexpr QColor TrimColour{255, 40, 40};
    static constexpr QColor FoldColour{0, 200, 255};

    explicit TCoverCutView(QWidget* parent = nullptr);

    // The picture (any resolution) and the measures its cuts follow; none: the picture alone.
    void SetCover(const QImage& picture, const std::optional<TCoverMeasures>& measures);
    // Where the faces lie in the widget's coordinates (empty rectangles without picture or measures).
    TWrapLayout ShownLayout() const;
    QRectF PictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override { return {640, 400}; }

private:
    QImage FPicture;
    std::optional<TCoverMeasures> FMeasures;
};
