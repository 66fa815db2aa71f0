// The final page inside the whole window.
#include "app/FinalPage.h"
#include "app/FrameFrm.h"
#include "ui/MsgBox.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// Answers the save question with `Question` and every other box with OK, recording them all.
struct TBoxes {
    std::vector<TMessageRequest> Asked;
    int Question = mrYes;
    TBoxes()
    {
        SetMessageHandler([this](const TMessageRequest& r) {
            Asked.push_back(r);
            return r.Type == mtConfirmation ? Question : int(mrOk);
        });
    }
    ~TBoxes() { SetMessageHandler(nullptr); }
};
} // namespace

TEST(FinalWindow, FinalPageShowsOnTheFinalStepOnly)
{
    TBoxes boxes;
    TExperChild w;
    TFinalPage* page = w.FinalPage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(w.cmbFinalType->parentWidget(), page->pnlFinalTools);
    EXPECT_EQ(w.cmbFinalType->count(), 8);
    EXPECT_FALSE(page->pnlOptions->isVisible());
    w.GoToStep(1);
    EXPECT_FALSE(page->pnlFinalTools->isVisible());
    EXPECT_FALSE(page->pnlOptions->isVisible());
    w.GoToStep(4);
    EXPECT_TRUE(page->pnlFinalTools->isVisible());
    EXPECT_TRUE(page->pnlOptions->isVisible());
    EXPECT_TRUE(page->cmbFinalType->isVisible());
    w.GoToStep(2);
    EXPECT_FALSE(page->pnlFinalTools->isVisible());
    boxes.Question = mrNo;
}
