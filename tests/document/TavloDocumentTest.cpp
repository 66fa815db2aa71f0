// The document without any window: each command done and undone, the merging of drags, what
// counts as modified, replacing the work and the round trip through a project.
#include "document/TavloDocument.h"

#include "cover/BookCover.h"
#include "common/TestBitmaps.h"

#include <QSignalSpy>
#include <QUndoGroup>
#include <QUndoStack>
#include <gtest/gtest.h>

namespace {

// A change of one setting, as a control of the final page makes it.
void Set(TTavloDocument& d, TSettingKey key, const std::function<void(TFinalSettings&)>& edit, int gesture = 0)
{
    TFinalSettings next = d.Settings();
    edit(next);
    d.ChangeSettings(next, key, gesture);
}

// A step of a face's history that changes nothing, standing for a layer edit.
struct TMarkStep : QUndoCommand {
    int* Count;
    explicit TMarkStep(int* count) : Count(count) {}
    void redo() override { ++*Count; }
    void undo() override { --*Count; }
};

} // namespace

TEST(TavloDocument, EverySettingIsAStepThatUndoesAndRedoesExactly)
{
    TTavloDocument d;
    QSignalSpy changed(&d, &TTavloDocument::SettingsChanged);
    const TFinalSettings start = d.Settings();
    const std::vector<std::pair<TSettingKey, std::function<void(TFinalSettings&)>>> edits = {
        {TSettingKey::Angles, [](TFinalSettings& s) { s.AngleX = 57; s.AngleY = 123; }},
        {TSettingKey::Light, [](TFinalSettings& s) { s.LightAzimuth = 33; }},
        {TSettingKey::Light, [](TFinalSettings& s) { s.LightElevation = 12; }},
        {TSettingKey::Shadow, [](TFinalSettings& s) { s.Shadow = false; }},
        {TSettingKey::ShadowStrength, [](TFinalSettings& s) { s.ShadowStrength = 90; }},
        {TSettingKey::Zoom, [](TFinalSettings& s) { s.Zoom = 0.9; }},
        {TSettingKey::Background, [](TFinalSettings& s) { s.Background = Color32(1, 2, 3); }},
        {TSettingKey::Transparent, [](TFinalSettings& s) { s.TransparentBackground = true; }},
        {TSettingKey::CDPosition, [](TFinalSettings& s) { s.CDPosition = 7; }},
        {TSettingKey::ExportWidth, [](TFinalSettings& s) { s.ExportWidth = 1234; s.ExportWidthChosen = true; }},
    };
    std::vector<TFinalSettings> states{start};
    for (const auto& [key, edit] : edits) {
        Set(d, key, edit);
        EXPECT_NE(d.Settings(), states.back());
        states.push_back(d.Settings());
    }
    EXPECT_EQ(d.SettingsStack()->count(), int(edits.size())); // none merged: no gesture
    EXPECT_EQ(changed.count(), int(edits.size()));
    EXPECT_EQ(std::pair(d.AngleX(), d.AngleY()), std::pair(57, 123));
    for (std::size_t at = edits.size(); at-- > 0;) {
        d.History()->undo();
        EXPECT_EQ(d.Settings(), states[at]) << "undo to " << at;
    }
    EXPECT_FALSE(d.Modified());
    for (std::size_t at = 1; at <= edits.size(); ++at) {
        d.History()->redo();
        EXPECT_EQ(d.Settings(), states[at]) << "redo to " << at;
    }
    // The signal carries what was and what is.
    const auto last = changed.last();
    EXPECT_EQ(last.at(0).value<TFinalSettings>().ExportWidth, start.ExportWidth);
    EXPECT_EQ(last.at(1).value<TFinalSettings>().ExportWidth, 1234);
    // Asking for what is already there is no step.
    d.ChangeSettings(d.Settings(), TSettingKey::Zoom);
    EXPECT_EQ(d.SettingsStack()->count(), int(edits.size()));
}

TEST(TavloDocument, ADragIsOneStepAndOnlyChangesOfOneKeyAndGestureMerge)
{
    TTavloDocument d;
    const int drag = d.NewGesture();
    for (int x = 10; x <= 50; x += 10)
        Set(d, TSettingKey::Angles, [x](TFinalSettings& s) { s.AngleX = x; s.AngleY = x + 1; }, drag);
    EXPECT_EQ(d.SettingsStack()->count(), 1);
    EXPECT_EQ(d.AngleX(), 50);
    // Another key in the same gesture, the same key in another gesture, and no gesture at all
    // are steps of their own.
    Set(d, TSettingKey::Light, [](TFinalSettings& s) { s.LightAzimuth = 40; }, drag);
    const int other = d.NewGesture();
    EXPECT_NE(other, drag);
    Set(d, TSettingKey::Angles, [](TFinalSettings& s) { s.AngleX = 60; }, other);
    Set(d, TSettingKey::Angles, [](TFinalSettings& s) { s.AngleX = 70; });
    Set(d, TSettingKey::Angles, [](TFinalSettings& s) { s.AngleX = 80; });
    EXPECT_EQ(d.SettingsStack()->count(), 5);
    d.History()->undo();
    d.History()->undo();
    d.History()->undo();
    d.History()->undo();
    // One undo takes the whole drag back to where it began.
    EXPECT_EQ(d.AngleX(), 50);
    d.History()->undo();
    EXPECT_EQ(std::pair(d.Settings().AngleX, d.Modified()), std::pair(std::optional<int>(), false));

    // A drag that ends where it began leaves no step.
    d.SettingsStack()->clear();
    const int back = d.NewGesture();
    const int zoomAt = d.SettingsStack()->count();
    Set(d, TSettingKey::Zoom, [](TFinalSettings& s) { s.Zoom = 1.05; }, back);
    Set(d, TSettingKey::Zoom, [](TFinalSettings& s) { s.Zoom = 1.0; }, back);
    EXPECT_EQ(d.SettingsStack()->count(), zoomAt);
    EXPECT_FALSE(d.Modified());
}

TEST(TavloDocument, TypeChangeBringsTheTypesAnglesAndShadowRuleAndUndoesAsOne)
{
    TTavloDocument d;
    QSignalSpy types(&d, &TTavloDocument::TypeChanged);
    Set(d, TSettingKey::Angles, [](TFinalSettings& s) { s.AngleX = 57; s.AngleY = 123; });
    d.SetType(btCDCover);
    ASSERT_TRUE(ClearsShadow(btCDCover));
    const TViewAngles cd = DefaultAnglesFor(btCDCover);
    EXPECT_EQ(std::tuple(d.Type(), d.Settings().Shadow, d.AngleX(), d.AngleY(), types.count()),
              std::tuple(btCDCover, false, int(std::lround(cd.X * 180 / M_PI)), int(std::lround(cd.Y * 180 / M_PI)), 1));
    d.SetType(btCDCover); // the same type: no step
    EXPECT_EQ(d.SettingsStack()->count(), 2);
    d.History()->undo();
    EXPECT_EQ(std::tuple(d.Type(), d.Settings().Shadow, d.AngleX(), d.AngleY(), types.count()),
              std::tuple(btTwoSidedBox, true, 57, 123, 2));
    // A type that keeps the shadow keeps its on/off as it was.
    Set(d, TSettingKey::Shadow, [](TFinalSettings& s) { s.Shadow = false; });
    d.SetType(btBookCover);
    EXPECT_FALSE(d.Settings().Shadow);
}

TEST(TavloDocument, ModifiedFollowsEveryHistoryAndBecomesCleanOnlyWhenSaved)
{
    TTavloDocument d;
    QSignalSpy modified(&d, &TTavloDocument::ModifiedChanged);
    EXPECT_FALSE(d.Modified());
    int marks = 0;
    // A face edit on the side's stack counts, whatever the active stack is.
    d.SetActiveFace(1);
    EXPECT_EQ(d.History()->activeStack(), d.FaceStack(1));
    d.FaceStack(1)->push(new TMarkStep(&marks));
    EXPECT_TRUE(d.Modified());
    d.History()->undo();
    EXPECT_EQ(std::pair(marks, d.Modified()), std::pair(0, false));
    d.SetActiveFace(-1);
    EXPECT_EQ(d.History()->activeStack(), d.SettingsStack());
    d.SetType(btBookCover);
    d.FaceStack(0)->push(new TMarkStep(&marks));
    d.MarkSaved(QStringLiteral("/tmp/shelf.tavlo"));
    EXPECT_FALSE(d.Modified());
    EXPECT_EQ(std::pair(d.Origin().ProjectPath, d.DisplayName()), std::pair(QStringLiteral("/tmp/shelf.tavlo"), QStringLiteral("shelf")));
    // Undoing past the saved point is a change again; redoing to it is not.
    d.History()->undo();
    EXPECT_TRUE(d.Modified());
    d.History()->redo();
    EXPECT_FALSE(d.Modified());
    // Recovered work is unsaved until saved, even with nothing to undo.
    d.MarkRecovered();
    EXPECT_TRUE(d.Modified());
    d.MarkSaved();
    EXPECT_FALSE(d.Modified());
    // Each flip was told once.
    ASSERT_EQ(modified.count(), 8);
    for (int i = 0; i < modified.count(); ++i)
        EXPECT_EQ(modified.at(i).at(0).toBool(), i % 2 == 0) << i;
}

TEST(TavloDocument, TemplateIsCopiedSoEditsNeverReachItAndTheHistoryStartsClean)
{
    TBookCover entry(TBookCover::KindTemplate, QString());
    entry.Name = QStringLiteral("Box");
    entry.Faces[0].StoreBitmap(Filled(20, 30, Color32(200, 0, 0)));
    entry.Faces[0].Original = entry.Faces[0].Current;
    entry.Faces[0].OriginalKind = entry.Faces[0].CurrentKind;
    entry.Faces[0].Current = "edited earlier"; // working bytes the entry still holds
    TTavloDocument d;
    d.SetType(btCDCover);
    int marks = 0;
    d.FaceStack(2)->push(new TMarkStep(&marks));
    d.FaceRecord(1).Bitmap = Filled(5, 5, Color32(0, 0, 0));
    QSignalSpy replaced(&d, &TTavloDocument::Replaced);

    d.ReplaceWithTemplate(entry, btThreeSidedBox);
    EXPECT_EQ(replaced.count(), 1);
    EXPECT_EQ(std::tuple(d.Type(), d.Modified(), d.SettingsStack()->count(), d.FaceStack(2)->count()),
              std::tuple(btThreeSidedBox, false, 0, 0));
    EXPECT_EQ(std::pair(d.Origin().TemplateName, d.Origin().ProjectPath), std::pair(QStringLiteral("Box"), QString()));
    EXPECT_TRUE(d.FaceRecord(1).Bitmap.Empty());
    EXPECT_EQ(d.Cover().Faces[0].Current, entry.Faces[0].Original); // from the template's file
    EXPECT_FALSE(d.Cover().CanStore()); // never written back as the template
    d.Cover().Faces[0].StoreBitmap(Filled(4, 4, Color32(0, 255, 0)));
    EXPECT_EQ(entry.Faces[0].Current, QByteArray("edited earlier"));
    EXPECT_EQ(entry.Kind, TBookCover::KindTemplate);
}

TEST(TavloDocument, ProjectRoundTripKeepsFacesLayersTextAndSettings)
{
    TProject p;
    p.Name = QStringLiteral("Spring");
    p.Step = 3;
    p.Faces[0].Base = Filled(40, 60, Color32(10, 20, 30));
    p.Faces[0].FileName = QStringLiteral("/art/front.png");
    p.Faces[1].Base = Filled(8, 60, Color32(90, 90, 90));
    TProjectLayer sticker{Filled(6, 4, Color32(0, 200, 0)), {2, 3, 8, 7}, true, std::nullopt};
    TProjectLayer hidden{Filled(3, 3, Color32(200, 0, 0)), {0, 0, 3, 3}, false, std::nullopt};
    TTextParams text;
    text.Lines = {QStringLiteral("Title")};
    TProjectLayer words{Filled(10, 5, Color32(255, 255, 255)), {5, 5, 15, 10}, true, text};
    p.Faces[0].Layers = {sticker, hidden, words};
    p.Final.Type = btBookCover;
    p.Final.AngleX = 57;
    p.Final.AngleY = 123;
    p.Final.LightAzimuth = 44;
    p.Final.Background = Color32(9, 9, 9);
    p.UnknownKeys = QJsonObject{{"futureKey", 5}, {"final", QJsonObject{{"futureLight", true}}}};

    TTavloDocument d;
    int made = 0;
    d.SetLayerFactory([&made](TLayerCollection& owner, const TProjectLayer&) {
        ++made;
        return owner.Add<TBitmapLayer>();
    });
    d.ReplaceWithProject(p, QStringLiteral("/nowhere/spring.tavlo"));
    EXPECT_EQ(made, 3);
    EXPECT_FALSE(d.Modified());
    EXPECT_EQ(std::tuple(d.Type(), d.AngleX(), d.AngleY(), d.Settings().LightAzimuth, d.DisplayName()),
              std::tuple(btBookCover, 57, 123, 44, QStringLiteral("spring")));
    // The record holds the face as the final page composes it: the visible layers painted over.
    const TBitmap32& flat = d.FaceRecord(0).Bitmap;
    ASSERT_EQ(flat.Size(), QSize(40, 60));
    EXPECT_EQ(std::tuple(flat.Pixel(4, 4), flat.Pixel(0, 0)), std::tuple(Color32(0, 200, 0), Color32(10, 20, 30)));

    // Written back: the same faces, layers (text kept only where a layer carries it) and settings.
    const TProject back = d.ToProject(2);
    EXPECT_EQ(std::tuple(back.Name, back.Step, back.Faces[0].FileName), std::tuple(p.Name, 2, p.Faces[0].FileName));
    EXPECT_TRUE(back.Faces[0].Base.SamePixels(p.Faces[0].Base));
    EXPECT_TRUE(back.Faces[1].Base.SamePixels(p.Faces[1].Base));
    ASSERT_EQ(back.Faces[0].Layers.size(), 3u);
    EXPECT_EQ(std::tuple(back.Faces[0].Layers[1].Visible, back.Faces[0].Layers[1].Location.Right),
              std::tuple(false, 3.0f));
    EXPECT_EQ(back.Final, p.Final);
    EXPECT_EQ(back.UnknownKeys, p.UnknownKeys) << "what this version does not know goes back to the file";

    // The face on show is read from whoever shows it.
    d.SetShownFaceLayers([](int face, std::vector<TProjectLayer>& layers) {
        if (face != 0)
            return false;
        layers.push_back({Filled(1, 1, Color32(1, 1, 1)), {0, 0, 1, 1}, true, std::nullopt});
        return true;
    });
    EXPECT_EQ(d.ToProject(1).Faces[0].Layers.size(), 1u);
    d.ReplaceWithTemplate(TBookCover(TBookCover::KindTemplate, QStringLiteral("Box")), btBookCover);
    EXPECT_TRUE(d.ToProject(0).UnknownKeys.isEmpty()) << "a template brings none";
}

TEST(TavloDocument, TheTopStepOfAThreeSidedBoxGetsTheTopTheFinalPageDraws)
{
    TTavloDocument d;
    d.FaceRecord(0).Bitmap = Filled(50, 80, Color32(200, 10, 10));
    d.FaceRecord(1).Bitmap = Filled(12, 80, Color32(10, 10, 200));
    d.SetType(btBookCover);
    EXPECT_FALSE(d.FillGeneratedTop()); // a type without a top step
    d.SetType(btThreeSidedBox);
    const int steps = d.SettingsStack()->count() + d.FaceStack(2)->count();
    ASSERT_TRUE(d.FillGeneratedTop());
    // Front width by side width, as composition fits it, and kept as the face's picture.
    TBitmap32 top;
    d.Cover().LoadFaceInto(&top, 2);
    EXPECT_EQ(std::pair(top.Size(), d.FaceRecord(2).Bitmap.Size()), std::pair(QSize(50, 12), QSize(50, 12)));
    EXPECT_EQ(d.SettingsStack()->count() + d.FaceStack(2)->count(), steps); // not a change of the picture
    EXPECT_FALSE(d.FillGeneratedTop()); // a top of its own is never replaced
}

// The back cover is a step of the front face's history, travels through the project and is gone
// with a template; undo brings back exactly the picture it replaced.
TEST(TavloDocument, BackImageIsAnUndoableFrontStepAndTravelsWithTheProject)
{
    TTavloDocument d;
    QSignalSpy backChanged(&d, &TTavloDocument::BackChanged);
    const TBitmap32 first = Filled(30, 40, Color32(10, 200, 30)), second = Filled(12, 16, Color32(200, 10, 90));
    d.SetBack(TBitmap32(), QString()); // nothing to remove: no step
    EXPECT_EQ(d.FaceStack(0)->count(), 0);
    d.SetBack(first, QStringLiteral("/art/back.png"));
    d.SetBack(second, QStringLiteral("/art/back2.png"));
    EXPECT_EQ(d.FaceStack(0)->count(), 2);
    EXPECT_TRUE(d.Modified());
    EXPECT_TRUE(d.BackPicture().SamePixels(second));
    d.SetBack(TBitmap32(), QString()); // "Remove Back Image"
    EXPECT_FALSE(d.HasBack());
    EXPECT_TRUE(d.BackPicture().Empty());
    d.FaceStack(0)->undo();
    EXPECT_TRUE(d.BackPicture().SamePixels(second));
    d.FaceStack(0)->undo();
    EXPECT_TRUE(d.BackPicture().SamePixels(first));
    EXPECT_EQ(d.Cover().Back.FileName, QStringLiteral("/art/back.png"));
    EXPECT_EQ(backChanged.count(), 5);

    // The project holds the picture; opening it brings the back with a clean history.
    const TProject project = d.ToProject(1);
    EXPECT_TRUE(project.Back.Base.SamePixels(first));
    EXPECT_EQ(project.Back.FileName, QStringLiteral("/art/back.png"));
    TTavloDocument opened;
    opened.ReplaceWithProject(project, QString());
    EXPECT_TRUE(opened.BackPicture().SamePixels(first));
    EXPECT_FALSE(opened.Modified());
    // A template has no back: choosing one drops it with the rest of the work.
    opened.ReplaceWithTemplate(TBookCover(TBookCover::KindTemplate, QString()), btBookCover);
    EXPECT_FALSE(opened.HasBack());
    EXPECT_TRUE(opened.ToProject(0).Back.Base.Empty());
}
