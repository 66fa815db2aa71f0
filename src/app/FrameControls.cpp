// The window's controls: built, placed and laid out as the window's size and fonts ask. The
// wiring of what they do is in FrameFrm.cpp.
#include "app/FrameFrm.h"

#include "app/WizardSteps.h"
#include "ui/HTMLabel.h"
#include "ui/MsgBox.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

namespace {
QIcon GlyphIcon(const QString& resource, int images)
{
    // A glyph bitmap holds `images` pictures side by side: normal first, then disabled.
    const QPixmap all(resource);
    if (all.isNull())
        return {};
    const int w = all.width() / std::max(1, images);
    QIcon icon(all.copy(0, 0, w, all.height()));
    if (images > 1)
        icon.addPixmap(all.copy(w, 0, w, all.height()), QIcon::Disabled);
    return icon;
}
} // namespace

QRect MainWindowBounds(QSize screen, int iconWidth, int captionHeight)
{
    return QRect(0, 0, screen.width() - 2 * (iconWidth - 5), screen.height() - 6 * captionHeight + 1);
}

void TExperChild::PrepareWindow()
{
    setWindowTitle(QStringLiteral(" Velsor's ") + QString::fromLatin1(ProductName));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    font.setBold(true);
    setFont(font);

    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    pnlPrompt = new QWidget(central);
    pnlPrompt->setObjectName("pnlPrompt");
    pnlPrompt->setFixedHeight(36);
    layout->addWidget(pnlPrompt);
    lblPrompt = new QLabel(pnlPrompt);
    lblPrompt->setObjectName("lblPrompt");
    lblPrompt->setTextFormat(Qt::PlainText);
    lblPrompt->setWordWrap(true); // a long prompt wraps and the bar grows (FitPromptTexts)
    lblPrompt->setGeometry(10, 0, 600, 36);
    btnPrev = new QPushButton(QStringLiteral("Back"), pnlPrompt);
    btnPrev->setObjectName("btnPrev");
    btnPrev->setIcon(QIcon(QStringLiteral(":/images/back.png")));
    btnNext = new QPushButton(pnlPrompt);
    btnNext->setObjectName("btnNext");
    btnStore = new QPushButton(QStringLiteral(" Save &As..."), pnlPrompt);
    btnStore->setObjectName("btnStore");
    for (QPushButton* b : {btnPrev, btnNext, btnStore})
        b->setGeometry(0, 5, 90, 26);
    btnStore->setGeometry(0, 5, 110, 26);
    // The About box is reached from the start page, where Save As is not shown.
    btnAbout = new QPushButton(QStringLiteral("&About..."), pnlPrompt);
    btnAbout->setObjectName("btnAbout");
    btnAbout->setToolTip(QStringLiteral("Version, licence and libraries of Tavlo Generator (F1)"));
    btnAbout->setGeometry(0, 5, 110, 26);

    pnlWork = new QWidget(central);
    pnlWork->setObjectName("pnlWork");
    layout->addWidget(pnlWork, 1);
    auto* workLayout = new QVBoxLayout(pnlWork);
    workLayout->setContentsMargins(0, 0, 0, 0);
    PageControl = new QStackedWidget(pnlWork);
    PageControl->setObjectName("PageControl");
    workLayout->addWidget(PageControl);
    QFont notebookFont(QStringLiteral("Tahoma"));
    notebookFont.setPixelSize(12);
    PageControl->setFont(notebookFont);

    pagePrompts = new QWidget;
    pagePrompts->setObjectName("Prompts");
    PageControl->addWidget(pagePrompts);
    pageEditVarGroup = new QWidget;
    pageEditVarGroup->setObjectName("EditVarGroup");
    PageControl->addWidget(pageEditVarGroup);
    PageControl->setCurrentIndex(0);

    // Page 0: the start page's controls; the start page lays them out and fills them.
    lblStart = new THTMLabel(pagePrompts);
    lblStart->setObjectName("lblStart");
    lblStart->SetBorderWidth(15);
    lblStart->SetImageList(FImageList);
    lblStart->SetHtml(StepHelpText(0));
    lblTemplates = new THTMLabel(pagePrompts);
    lblTemplates->setObjectName("lblTemplates");
    lblTemplates->SetHtml(QStringLiteral("<B>Templates</b><hr>"));
    lbxCollection = new QListWidget(pagePrompts);
    lbxCollection->setObjectName("lbxCollection");
    lblBookType = new THTMLabel(pagePrompts);
    lblBookType->setObjectName("lblBookType");
    lblBookType->SetHtml(QStringLiteral("<B>Tavlo Type</b><hr><br>What type of Tavlo would you like to create?"));
    cmbStartType = new QComboBox(pagePrompts);
    cmbStartType->setObjectName("cmbStartType");
    pnlAboutExp = new QWidget(pagePrompts);
    pnlAboutExp->setObjectName("pnlAboutExp");
    imgPicture = new QLabel(pnlAboutExp);
    imgPicture->setObjectName("imgPicture");
    imgPicture->setAlignment(Qt::AlignCenter);

    // Page 1: the help label over the face editor / final page panel.
    lblImage = new THTMLabel(pageEditVarGroup);
    lblImage->setObjectName("lblImage");
    lblImage->SetBorderWidth(10);
    lblImage->SetImageList(FImageList);
    pnlChart2D = new QWidget(pageEditVarGroup);
    pnlChart2D->setObjectName("pnlChart2D");
    cmbFinalType = new QComboBox(pnlChart2D);
    cmbFinalType->setObjectName("cmbFinalType");
    cmbFinalType->hide();

    // Bounds from the screen; the window is not resizable.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->availableGeometry().size() : QSize(1280, 1024);
    const int iconWidth = style()->pixelMetric(QStyle::PM_LargeIconSize);
    const int captionHeight = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const QRect bounds = MainWindowBounds(screenSize, iconWidth, captionHeight);
    setFixedSize(bounds.size());
    move(screen ? screen->availableGeometry().topLeft() + QPoint((screenSize.width() - bounds.width()) / 2, 0)
                : bounds.topLeft());

    PlaceNavigationButtons();
    LayoutPage1();
}

void TExperChild::PlaceNavigationButtons()
{
    for (QPushButton* b : {btnPrev, btnNext, btnStore}) {
        b->setDefault(false);
        b->setAutoDefault(false);
    }
    const int w = btnNext->width() * 6 / 5;
    const int nextLeft = std::max(width() - w - 5, btnNext->x());
    btnNext->move(nextLeft, btnNext->y());
    btnPrev->move(nextLeft - w + 5, btnPrev->y());
    const int gap = btnNext->x() - (btnPrev->x() + btnPrev->width());
    btnStore->move(btnPrev->x() - (gap + 10) - btnStore->width(), btnStore->y());
    btnAbout->setAutoDefault(false);
    btnAbout->move(btnStore->pos());
    lblPrompt->setFixedWidth(std::max(100, btnStore->x() - lblPrompt->x() - 10));
}

void TExperChild::LayoutPage1()
{
    // The notebook sizes its pages only when the shown window is laid out, so page 1 follows
    // its own size (see eventFilter) rather than the window's. The help text gets the height
    // its lines need at the current font size, 42 pixels at least.
    const QSize page = pageEditVarGroup->size();
    const int help = std::max(42, lblImage->heightForWidth(page.width()));
    lblImage->setGeometry(0, -1, page.width(), help);
    pnlChart2D->setGeometry(0, help - 1, page.width(), std::max(0, page.height() - help + 1));
}

void TExperChild::FitPromptTexts()
{
    const int prompt = std::max(36, lblPrompt->heightForWidth(lblPrompt->width()));
    lblPrompt->setFixedHeight(prompt);
    pnlPrompt->setFixedHeight(prompt);
    LayoutPage1();
}

void TExperChild::SetButtonKind(TButtonKind kind)
{
    if (kind == FButtonKind && !btnNext->text().isEmpty())
        return;
    FButtonKind = kind;
    if (kind == TButtonKind::bkNext) {
        btnNext->setText(QStringLiteral("Next"));
        btnNext->setIcon(GlyphIcon(QStringLiteral(":/images/11.png"), 2));
    } else {
        btnNext->setText(QStringLiteral("Close"));
        btnNext->setIcon(GlyphIcon(QStringLiteral(":/images/13.png"), 1));
    }
    btnNext->update();
}
