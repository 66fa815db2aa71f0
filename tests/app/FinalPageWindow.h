#pragma once
// A window like the main one for the final page's tests: the start page's preview panel, the
// chart panel with the type combo, the final page and (when OpenGL is there) its 3D view.
#include "app/FinalPage.h"

#include "cover/ImageViewInfo.h"
#include "document/TavloDocument.h"
#include "render/D3DWin.h"

#include "common/TestBitmaps.h"

#include <QComboBox>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

// A window like the main one: the preview panel of the start page and the chart panel.
struct TPageWindow {
    TTavloDocument document;
    QWidget top;
    QWidget* preview = new QWidget(&top);
    QWidget* chart = new QWidget(&top);
    QComboBox* types = new QComboBox(chart);
    TD3DWin* view = nullptr;
    TFinalPage* page = nullptr;
    std::vector<TBookType> composeRequests;

    explicit TPageWindow(bool withView = true)
    {
        top.resize(1000, 560);
        preview->setGeometry(0, 0, 400, 300);
        preview->hide();
        chart->setGeometry(0, 0, 1000, 560);
        for (int i = 0; i < BookTypeCount; ++i)
            types->addItem(QLatin1Char(' ') + BookTypeName(TBookType(i)));
        page = new TFinalPage(chart, types, document);
        QObject::connect(page, &TFinalPage::ComposeRequested, [this](TBookType t) { composeRequests.push_back(t); });
        if (withView) {
            bool ok = false;
            view = new TD3DWin(chart, ok);
            EXPECT_TRUE(ok);
            page->SetView(view, preview);
        }
        page->ShowOnStep(true);
        top.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&top));
    }
};

// Composes a red front and a blue spine as the wizard does when it enters the final step;
// opaque: on an opaque white background, as the pictures saved from it are.
inline void ComposeSample(TPageWindow& w, TBookType type, bool opaque = false)
{
    TImageViewInfo front, side, top;
    front.Bitmap = Filled(200, 300, Color32(200, 30, 30));
    side.Bitmap = Filled(40, 300, Color32(30, 30, 200));
    if (opaque)
        w.view->FBackColor = Color32(255, 255, 255, 255);
    w.page->ComposeFinal(type, front, side, top);
}

