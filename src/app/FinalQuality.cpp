// The final page's picture quality: the Quality choice, the photo's look, the traced picture over
// the view at Photo quality, and the traced pictures Save As, Copy Picture and the turntable use.
#include "app/FinalPage.h"

#include "app/PhotoPreview.h"
#include "app/PhotoProgress.h"
#include "cover/Composition.h"
#include "cover/ICoverView.h"
#include "document/TavloDocument.h"
#include "render/HeadlessPicture.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <cmath>

namespace {
// Composition hands the cover to the 3D view and keeps a copy for the photo.
class TCoverTee : public ICoverView {
public:
    TCoverTee(ICoverView& view, TComposedCover& cover) : FView(view), FCover(cover) {}
    void SetRingBinding(bool on) override { FView.SetRingBinding(on), FCover.SetRingBinding(on); }
    void SetIsCD(bool on) override { FView.SetIsCD(on), FCover.SetIsCD(on); }
    void SetPagedBook(bool on) override { FView.SetPagedBook(on), FCover.SetPagedBook(on); }
    void SetAngleX(float radians) override { FView.SetAngleX(radians), FCover.SetAngleX(radians); }
    void SetAngleY(float radians) override { FView.SetAngleY(radians), FCover.SetAngleY(radians); }
    float GetAngleX() const override { return FView.GetAngleX(); }
    float GetAngleY() const override { return FView.GetAngleY(); }
    void SetPageInset(float value) override { FView.SetPageInset(value), FCover.SetPageInset(value); }
    void ShowCover(const TBitmap32* atlas, int frontWidth, int frontHeight, int sideWidth) override
    {
        FCover.ShowCover(atlas, frontWidth, frontHeight, sideWidth);
        FView.ShowCover(atlas, frontWidth, frontHeight, sideWidth);
    }

private:
    ICoverView& FView;
    TComposedCover& FCover;
};

constexpr int StandardItem = 0, PhotoItem = 1;
} // namespace

void TFinalPage::BuildQualityChoice(QHBoxLayout* row)
{
    cmbQuality = new QComboBox(pnlFinalTools);
    cmbQuality->setObjectName("cmbQuality");
    cmbQuality->addItems({QStringLiteral("Standard"), QStringLiteral("Photo")});
    cmbQuality->setToolTip(QStringLiteral("Standard draws the 3D view; Photo traces the light for a photograph"));
    lblQuality = new QLabel(QStringLiteral("&Quality:"), pnlFinalTools);
    lblQuality->setObjectName("lblQuality");
    lblQuality->setBuddy(cmbQuality);
    row->addWidget(lblQuality);
    row->addWidget(cmbQuality);
}

int TFinalPage::BuildPhotoLook(QGridLayout* grid, int row)
{
    const auto slider = [this](const char* name, const char* valueName, const QString& caption, QLabel*& label,
                               QLabel*& value) {
        auto* s = new QSlider(Qt::Horizontal, pnlOptions);
        s->setObjectName(QLatin1String(name));
        s->setRange(0, 100);
        label = new QLabel(caption, pnlOptions);
        label->setObjectName(QString::fromLatin1(name).replace(0, 3, QStringLiteral("lbl")));
        label->setBuddy(s);
        value = new QLabel(pnlOptions);
        value->setObjectName(QLatin1String(valueName));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return s;
    };
    trkReflection = slider("trkReflection", "lblReflectionValue", QStringLiteral("&Reflection:"), lblReflection,
                           lblReflectionValue);
    trkReflection->setToolTip(QStringLiteral("How much the floor mirrors the cover"));
    trkGloss = slider("trkGloss", "lblGlossValue", QStringLiteral("&Gloss:"), lblGloss, lblGlossValue);
    trkGloss->setToolTip(QStringLiteral("From a matte print to a glossy laminate"));
    lblPhotoProgress = new QLabel(pnlOptions);
    lblPhotoProgress->setObjectName("lblPhotoProgress");
    grid->addWidget(lblReflection, row, 0, 1, 2);
    grid->addWidget(lblReflectionValue, row++, 0, 1, 2, Qt::AlignRight);
    grid->addWidget(trkReflection, row++, 0, 1, 2);
    grid->addWidget(lblGloss, row, 0, 1, 2);
    grid->addWidget(lblGlossValue, row++, 0, 1, 2, Qt::AlignRight);
    grid->addWidget(trkGloss, row++, 0, 1, 2);
    grid->addWidget(lblPhotoProgress, row++, 0, 1, 2);
    return row;
}

void TFinalPage::ConnectQuality()
{
    connect(cmbQuality, &QComboBox::currentIndexChanged, this, [this](int index) {
        const TRenderQuality quality = index == PhotoItem ? TRenderQuality::Photo : TRenderQuality::Standard;
        Change(TSettingKey::Quality, [quality](TFinalSettings& s) { s.Quality = quality; });
    });
    TrackSliderGesture(trkReflection);
    TrackSliderGesture(trkGloss);
    connect(trkReflection, &QSlider::valueChanged, this, [this](int position) {
        Change(TSettingKey::Reflection, [position](TFinalSettings& s) { s.Reflection = position; },
               SliderGesture(trkReflection));
    });
    connect(trkGloss, &QSlider::valueChanged, this, [this](int position) {
        Change(TSettingKey::Gloss, [position](TFinalSettings& s) { s.Gloss = position; }, SliderGesture(trkGloss));
    });
}

void TFinalPage::ShowQuality(const TFinalSettings& s)
{
    const bool photo = s.Quality == TRenderQuality::Photo;
    {
        const QSignalBlocker block(cmbQuality);
        cmbQuality->setCurrentIndex(photo ? PhotoItem : StandardItem);
    }
    for (auto [slider, value, position] : {std::tuple(trkReflection, lblReflectionValue, s.Reflection),
                                           std::tuple(trkGloss, lblGlossValue, s.Gloss)}) {
        const QSignalBlocker block(slider);
        slider->setValue(position);
        value->setText(QString::number(position));
    }
    for (QWidget* w : std::initializer_list<QWidget*>{lblReflection, lblReflectionValue, trkReflection, lblGloss,
                                                      lblGlossValue, trkGloss, lblPhotoProgress})
        w->setVisible(photo);
    RefreshPhoto();
}

void TFinalPage::ComposeCover(TBookType type, TImageViewInfo& front, TImageViewInfo& side, TImageViewInfo& top)
{
    // The photo of the old cover must not stay over the new one until the trace catches up.
    if (FPhotoPreview)
        FPhotoPreview->Stop();
    auto cover = std::make_shared<TComposedCover>();
    TCoverTee tee(*FView, *cover);
    FCoverType = type;
    const TBitmap32 back = FDocument.BackPicture();
    if (::ComposeFinal(type, &tee, front, side, top, &back) && !cover->Atlas.Empty())
        FCover = std::move(cover);
    else
        FCover.reset();
}

TPhotoRequest TFinalPage::PhotoRequest(bool saved) const
{
    const TFinalSettings& s = FDocument.Settings();
    TPhotoRequest r;
    r.Cover = FCover;
    // The settings as `tavlo render --project` takes them; the view decides its angles, its size
    // and, for the saved picture, the transparency.
    r.Settings = FinalRenderSettings(s);
    r.Settings.AngleX = float(FDocument.AngleX());
    r.Settings.AngleY = float(FDocument.AngleY());
    const TPictureQuality quality = FinalPictureQuality(s);
    r.Look = quality.Look;
    r.Samples = quality.Samples;
    const qreal dpr = FView ? FView->devicePixelRatioF() : 1.0;
    const QSize view = FView ? FView->size() : QSize(1, 1);
    r.Settings.ViewWidth = std::max(1, int(std::lround(view.width() * dpr)));
    r.Settings.ViewHeight = std::max(1, int(std::lround(view.height() * dpr)));
    if (saved) {
        const QSize size = ExportSize();
        r.Settings.Width = size.width();
        r.Settings.Height = size.height();
        r.Settings.Transparent = Transparent();
    } else {
        // The whole view in device pixels, framed as the 3D view frames it.
        r.Settings.Width = r.Settings.ViewWidth;
        r.Settings.Height = r.Settings.ViewHeight;
        r.Settings.Crop = false;
        r.Settings.Transparent = false; // the view shows its background
    }
    return r;
}

std::optional<TPhotoRequest> TFinalPage::SavedPhoto() const
{
    if (FDocument.Settings().Quality != TRenderQuality::Photo || !FCover || !FView || !FView->GLReady())
        return std::nullopt;
    return PhotoRequest(true);
}

std::optional<TBitmap32> TFinalPage::TracePicture(QWidget* parent)
{
    const std::optional<TPhotoRequest> request = SavedPhoto();
    if (!request)
        return std::nullopt;
    // The view's refinement waits: the saved picture gets every core.
    if (FPhotoPreview)
        FPhotoPreview->Pause();
    struct TResume {
        TFinalPage* Page;
        ~TResume() { Page->RefreshPhoto(); }
    } resume{this};
    return TracePhotoModal(parent, *request);
}

void TFinalPage::RefreshPhoto()
{
    if (!FPhotoPreview)
        return;
    const bool shown = FDocument.Settings().Quality == TRenderQuality::Photo && !pnlOptions->isHidden() && FView
        && FView->isVisible() && FView->GLReady();
    FPhotoPreview->setVisible(shown);
    if (!shown) {
        FPhotoPreview->Stop();
        return;
    }
    FPhotoPreview->setGeometry(FView->geometry());
    FPhotoPreview->raise();
    // A type chosen but not composed yet: the composition that follows traces.
    if (FCover && FDocument.Type() == FCoverType)
        FPhotoPreview->Trace(PhotoRequest(false));
}
