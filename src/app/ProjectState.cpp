#include "app/ProjectState.h"

#include "app/FinalPage.h"
#include "cover/BookCover.h"
#include "cover/ImageViewInfo.h"
#include "editor/ImgView32.h"
#include "editor/LayerCommands.h"
#include "editor/TextLayer.h"

#include <QCheckBox>
#include <QSlider>
#include <QSpinBox>
#include <cmath>

namespace {

void CaptureLayers(const TLayerCollection& layers, std::vector<TProjectLayer>& out)
{
    for (TCustomLayer* item : layers) {
        const auto* layer = dynamic_cast<const TBitmapLayer*>(item);
        if (!layer) // the selection frame
            continue;
        TProjectLayer l{layer->Bitmap(), layer->Location(), layer->Visible(), std::nullopt};
        if (const auto* text = dynamic_cast<const TTextLayer*>(layer))
            l.Text = static_cast<const TTextParams&>(*text);
        out.push_back(std::move(l));
    }
}

} // namespace

int GaugeForZoom(double zoom)
{
    const double position = zoom <= 1.0 ? (zoom - 1.0) / 0.01 : (zoom - 1.0) / 0.005;
    return std::clamp(int(std::lround(position)), -20, 20);
}

TProject CaptureProject(const TProjectStateAccess& w)
{
    TProject p;
    p.Step = w.Step;
    const int shownFace = w.Step >= 1 && w.Step <= 3 ? w.Step - 1 : -1;
    if (w.Cover)
        p.Name = w.Cover->Name;
    for (int f = 0; f < 3; ++f) {
        TProjectFace& face = p.Faces[size_t(f)];
        if (w.Cover) {
            w.Cover->LoadFaceInto(&face.Base, f);
            face.FileName = w.Cover->Faces[size_t(f)].FileName;
        }
        if (f == shownFace)
            CaptureLayers(w.Editor->imgView->Layers(), face.Layers);
        else if (TImageViewInfo* record = w.FaceRecord(f))
            CaptureLayers(record->Layers, face.Layers);
    }
    TFinalPage& fp = *w.Final;
    TFinalSettings& s = p.Final;
    s.Type = fp.SelectedType();
    // The angles on the track bars are the view's only while the final step shows; elsewhere the
    // next visit composes afresh with the type's own angles.
    if (w.Step == 4) {
        s.AngleX = fp.trkAngleX->value();
        s.AngleY = fp.trkAngleY->value();
    }
    s.LightElevation = fp.gbrLightCY->value();
    s.LightAzimuth = fp.trkLight->value();
    s.Shadow = fp.chkShadow->isChecked();
    s.ShadowStrength = fp.gbrIntensity->value();
    s.Zoom = ZoomForGauge(fp.gbrScaleFinal->value());
    s.CDPosition = fp.trkPosCD->value();
    if (TD3DWin* view = fp.View()) {
        s.Background = view->FBackColor | 0xFF000000u;
        const QSize size = fp.ExportSize();
        const qreal dpr = view->devicePixelRatioF();
        s.ExportWidth = size.width();
        s.ExportHeight = size.height();
        // The picture is framed within the view, so its shape travels with the project.
        s.ViewWidth = int(std::lround(view->width() * dpr));
        s.ViewHeight = int(std::lround(view->height() * dpr));
        s.ExportWidthChosen = fp.ExportWidthChosen();
        s.Smooth = true; // every saved picture is smoothed
        s.TransparentBackground = fp.Transparent();
    }
    return p;
}

void ApplyProjectFaces(const TProject& project, TBookCover& cover, const std::function<TImageViewInfo*(int)>& record,
                       const std::function<void(TBitmapLayer&)>& adopt)
{
    for (int f = 0; f < 3; ++f) {
        const TProjectFace& face = project.Faces[size_t(f)];
        TImageInfo& info = cover.Faces[size_t(f)];
        info.StoreBitmap(face.Base);
        info.OriginalKind = info.CurrentKind;
        info.Original = info.Current;
        info.FileName = face.FileName;
        TImageViewInfo* r = record(f);
        r->Clear();
        for (const TProjectLayer& l : face.Layers) {
            TBitmapLayer* layer = nullptr;
            if (l.Text) {
                auto* text = r->Layers.Add<TTextLayer>();
                static_cast<TTextParams&>(*text) = *l.Text;
                layer = text;
            } else {
                layer = r->Layers.Add<TBitmapLayer>();
            }
            layer->Bitmap() = l.Bitmap;
            layer->SetScaled(true);
            layer->SetLocation(l.Location);
            layer->SetVisible(l.Visible);
            adopt(*layer);
        }
        r->Bitmap = face.Flattened();
    }
}

void ApplyFinalSettings(const TFinalSettings& s, TFinalPage& fp)
{
    fp.SelectType(s.Type);
    fp.gbrLightCY->setValue(s.LightElevation);
    fp.trkLight->setValue(s.LightAzimuth);
    fp.chkShadow->setChecked(s.Shadow);
    fp.SetShadowEnabled(fp.chkShadow->isChecked());
    fp.gbrIntensity->setValue(s.ShadowStrength);
    fp.gbrScaleFinal->setValue(GaugeForZoom(s.Zoom));
    fp.trkPosCD->setValue(s.CDPosition);
    if (TD3DWin* view = fp.View())
        view->FBackColor = s.Background | 0xFF000000u;
    fp.SetTransparent(s.TransparentBackground);
    fp.SetExportWidth(s.ExportWidthChosen ? std::optional<int>(s.ExportWidth) : std::nullopt);
}

void ApplyFinalAngles(const TFinalSettings& s, TFinalPage& fp)
{
    if (s.AngleX)
        fp.trkAngleX->setValue(*s.AngleX);
    if (s.AngleY)
        fp.trkAngleY->setValue(*s.AngleY);
}
