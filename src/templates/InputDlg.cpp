#include "templates/InputDlg.h"

#include "templates/DialogFont.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

TInputDlgFrm::TInputDlgFrm(QWidget* owner, TNameValidator validator)
    : QDialog(owner), FValidator(std::move(validator))
{
    setObjectName("TInputDlgFrm");
    setWindowTitle(QStringLiteral("Add New Template"));
    setFont(DialogFont());

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this).pixmap(iconSize));
    Image1->setAlignment(Qt::AlignTop);
    lblPrompt = new QLabel(QStringLiteral("&Select a unique name for the new template you want to add."), this);
    lblPrompt->setObjectName("lblPrompt");
    lblPrompt->setWordWrap(true);
    txtValue = new QLineEdit(this);
    txtValue->setObjectName("txtValue");
    txtValue->setMinimumWidth(300);
    lblPrompt->setBuddy(txtValue);
    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName("btnCancel");

    auto* grid = new QGridLayout(this);
    grid->addWidget(Image1, 0, 0, 2, 1);
    grid->addWidget(lblPrompt, 0, 1);
    grid->addWidget(txtValue, 1, 1);
    grid->addWidget(Bevel1, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize); // a fixed dialog frame

    connect(txtValue, &QLineEdit::textChanged, this, &TInputDlgFrm::txtValueChange);
    connect(btnOK, &QPushButton::clicked, this, &TInputDlgFrm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    txtValueChange();
    txtValue->setFocus();
}

QString TInputDlgFrm::Value() const { return txtValue->text().trimmed(); }

void TInputDlgFrm::txtValueChange() { btnOK->setEnabled(!Value().isEmpty()); }

void TInputDlgFrm::btnOKClick()
{
    // Enter also arrives here through the default button, so the empty name is refused here too.
    if (Value().isEmpty())
        return;
    if (FValidator && !FValidator(Value())) {
        txtValue->setFocus();
        txtValue->selectAll();
        return;
    }
    accept();
}

std::optional<QString> InputName(QWidget* owner, TNameValidator validator)
{
    TInputDlgFrm dialog(owner, std::move(validator));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Value();
}
