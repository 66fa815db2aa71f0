#include "raster/RubberbandLayer.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace {
struct TFrameEdges {
    int L, T, R, B; // right and bottom are the last pixels inside the frame
};

TFrameEdges EdgesOf(const QRectF& control)
{
    const auto round = [](double v) { return int(std::lround(std::clamp(v, -1.0e9, 1.0e9))); };
    return {round(control.left()), round(control.top()), round(control.right()) - 1, round(control.bottom()) - 1};
}

struct THandle {
    TRBDragState State;
    QPoint Point;
};

// The eight handles in the order a press tries them: corners, then side midpoints.
std::array<THandle, 8> HandlesOf(const TFrameEdges& e)
{
    const int mx = (e.L + e.R) / 2, my = (e.T + e.B) / 2;
    return {{{TRBDragState::SizeBR, {e.R, e.B}},
             {TRBDragState::SizeBL, {e.L, e.B}},
             {TRBDragState::SizeTR, {e.R, e.T}},
             {TRBDragState::SizeTL, {e.L, e.T}},
             {TRBDragState::SizeR, {e.R, my}},
             {TRBDragState::SizeB, {mx, e.B}},
             {TRBDragState::SizeL, {e.L, my}},
             {TRBDragState::SizeT, {mx, e.T}}}};
}

// A brush repeating white, white, black, black along a horizontal or a vertical line.
QBrush DotBrush(bool horizontal)
{
    QImage pattern(horizontal ? 4 : 1, horizontal ? 1 : 4, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < 4; ++i)
        pattern.setPixel(horizontal ? i : 0, horizontal ? 0 : i, i < 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return QBrush(pattern);
}

// Draws part of one side of the dotted frame; the pattern starts at the side's first pixel.
void DotLine(QPainter& painter, const QRect& part, QPoint sideStart, bool horizontal)
{
    static const QBrush hBrush = DotBrush(true), vBrush = DotBrush(false);
    painter.setBrushOrigin(sideStart);
    painter.fillRect(part, horizontal ? hBrush : vBrush);
}
} // namespace

Qt::CursorShape CursorForDragState(TRBDragState state)
{
    switch (state) {
    case TRBDragState::Move: return Qt::SizeAllCursor;
    case TRBDragState::SizeL:
    case TRBDragState::SizeR: return Qt::SizeHorCursor;
    case TRBDragState::SizeT:
    case TRBDragState::SizeB: return Qt::SizeVerCursor;
    case TRBDragState::SizeTL:
    case TRBDragState::SizeBR: return Qt::SizeFDiagCursor;
    case TRBDragState::SizeTR:
    case TRBDragState::SizeBL: return Qt::SizeBDiagCursor;
    case TRBDragState::None: break;
    }
    return Qt::ArrowCursor;
}

TRubberbandLayer::TRubberbandLayer(TLayerCollection& owner) : TPositionedLayer(owner) {}

TRubberbandLayer::~TRubberbandLayer()
{
    if (FChild)
        FChild->RemoveFreeNotification(*this);
}

void TRubberbandLayer::SetChildLayer(TPositionedLayer* child)
{
    if (FChild == child)
        return;
    if (FChild)
        FChild->RemoveFreeNotification(*this);
    FChild = child;
    FDragState = TRBDragState::None;
    if (FChild) {
        FChild->AddFreeNotification(*this);
        SetScaled(FChild->Scaled());
        TPositionedLayer::SetLocation(FChild->Location());
    }
}

void TRubberbandLayer::Notification(TCustomLayer& freed)
{
    if (&freed == FChild) {
        FChild = nullptr;
        FDragState = TRBDragState::None;
    }
}

void TRubberbandLayer::SetLocation(const TFloatRect& location)
{
    TPositionedLayer::SetLocation(location);
    if (FChild)
        FChild->SetLocation(location);
}

TRBDragState TRubberbandLayer::DragStateAt(QPoint controlPos, const TLayerTransform& t) const
{
    const TFrameEdges e = EdgesOf(ControlRect(t));
    for (const THandle& h : HandlesOf(e))
        if (std::abs(controlPos.x() - h.Point.x()) <= HandleSize + 1
            && std::abs(controlPos.y() - h.Point.y()) <= HandleSize + 1)
            return h.State;
    if (controlPos.x() >= e.L && controlPos.x() <= e.R && controlPos.y() >= e.T && controlPos.y() <= e.B)
        return TRBDragState::Move;
    return TRBDragState::None;
}

QRect TRubberbandLayer::PaintBounds(const TLayerTransform& t) const
{
    const TFrameEdges e = EdgesOf(ControlRect(t));
    const int grow = HandleSize + 1;
    return QRect(QPoint(std::min(e.L, e.R) - grow, std::min(e.T, e.B) - grow),
                 QPoint(std::max(e.L, e.R) + grow, std::max(e.T, e.B) + grow));
}

void TRubberbandLayer::Paint(QPainter& painter, const TLayerTransform& t, bool) const
{
    const TFrameEdges e = EdgesOf(ControlRect(t));
    if (e.R < e.L || e.B < e.T)
        return;
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Very large frames (zoomed far in) are drawn only where the painter can reach.
    const QRect reach = (painter.hasClipping() ? painter.clipBoundingRect().toAlignedRect()
                                               : QRect(0, 0, painter.device()->width(), painter.device()->height()))
                            .adjusted(-8, -8, 8, 8);
    const auto clipLine = [&](const QRect& line, bool horizontal) {
        const QRect part = line.intersected(reach);
        if (!part.isEmpty())
            DotLine(painter, part, line.topLeft(), horizontal);
    };
    clipLine(QRect(QPoint(e.L, e.T), QPoint(e.R, e.T)), true);
    clipLine(QRect(QPoint(e.L, e.B), QPoint(e.R, e.B)), true);
    clipLine(QRect(QPoint(e.L, e.T), QPoint(e.L, e.B)), false);
    clipLine(QRect(QPoint(e.R, e.T), QPoint(e.R, e.B)), false);

    for (const THandle& h : HandlesOf(e)) {
        const QRect square(h.Point.x() - HandleSize, h.Point.y() - HandleSize, 2 * HandleSize, 2 * HandleSize);
        painter.fillRect(square, Qt::black);
        painter.fillRect(square.adjusted(1, 1, -1, -1), Qt::white);
    }
}

bool TRubberbandLayer::HitTest(QPoint controlPos, const TLayerTransform& t) const
{
    return DragStateAt(controlPos, t) != TRBDragState::None;
}

Qt::CursorShape TRubberbandLayer::CursorAt(QPoint controlPos, const TLayerTransform& t) const
{
    return CursorForDragState(DragStateAt(controlPos, t));
}

void TRubberbandLayer::MouseDown(Qt::MouseButton button, QPoint controlPos)
{
    TPositionedLayer::MouseDown(button, controlPos);
    if (button != Qt::LeftButton)
        return;
    FDragState = DragStateAt(controlPos, Transform());
    FDragStart = Location();
    FPressPos = controlPos;
}

void TRubberbandLayer::MouseMove(QPoint controlPos)
{
    if (FDragState == TRBDragState::None)
        return;
    const TLayerTransform t = Transform();
    double dx = controlPos.x() - FPressPos.x(), dy = controlPos.y() - FPressPos.y();
    if (Scaled()) {
        dx /= t.ScaleX;
        dy /= t.ScaleY;
    }
    TFloatRect r = FDragStart;
    const auto moveLeft = [&] { r.Left = std::min(float(FDragStart.Left + dx), FDragStart.Right - FMinWidth); };
    const auto moveRight = [&] { r.Right = std::max(float(FDragStart.Right + dx), FDragStart.Left + FMinWidth); };
    const auto moveTop = [&] { r.Top = std::min(float(FDragStart.Top + dy), FDragStart.Bottom - FMinHeight); };
    const auto moveBottom = [&] { r.Bottom = std::max(float(FDragStart.Bottom + dy), FDragStart.Top + FMinHeight); };
    switch (FDragState) {
    case TRBDragState::Move:
        r = {float(FDragStart.Left + dx), float(FDragStart.Top + dy), float(FDragStart.Right + dx),
             float(FDragStart.Bottom + dy)};
        break;
    case TRBDragState::SizeL: moveLeft(); break;
    case TRBDragState::SizeR: moveRight(); break;
    case TRBDragState::SizeT: moveTop(); break;
    case TRBDragState::SizeB: moveBottom(); break;
    case TRBDragState::SizeTL: moveTop(); moveLeft(); break;
    case TRBDragState::SizeTR: moveTop(); moveRight(); break;
    case TRBDragState::SizeBL: moveBottom(); moveLeft(); break;
    case TRBDragState::SizeBR: moveBottom(); moveRight(); break;
    case TRBDragState::None: break;
    }
    SetLocation(r);
}

void TRubberbandLayer::MouseUp(Qt::MouseButton button, QPoint)
{
    if (button == Qt::LeftButton)
        FDragState = TRBDragState::None;
}
