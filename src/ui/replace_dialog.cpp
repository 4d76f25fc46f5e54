#include "ui/replace_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zorvan::ui {

TReplaceDialog::TReplaceDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ReplaceDialog1"));
    setWindowTitle(QStringLiteral("Replace"));
    setModal(false);

    lblFind = new QLabel(QStringLiteral("Fi&nd what:"), this);
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    lblFind->setBuddy(txtFind);
    lblReplace = new QLabel(QStringLiteral("Re&place with:"), this);
    txtReplace = new QLineEdit(this);
    txtReplace->setObjectName(QStringLiteral("txtReplace"));
    lblReplace->setBuddy(txtReplace);
    chkWholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    chkWholeWord->setObjectName(QStringLiteral("chkWholeWord"));
    chkMatchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    chkMatchCase->setObjectName(QStringLiteral("chkMatchCase"));
    btnFindNext = new QPushButton(QStringLiteral("&Find Next"), this);
    btnFindNext->setObjectName(QStringLiteral("btnFindNext"));
    btnReplace = new QPushButton(QStringLiteral("&Replace"), this);
    btnReplace->setObjectName(QStringLiteral("btnReplace"));
    btnReplaceAll = new QPushButton(QStringLiteral("Replace &All"), this);
    btnReplaceAll->setObjectName(QStringLiteral("btnReplaceAll"));
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton* b : {btnFindNext, btnReplace, btnReplaceAll, btnCancel})
        b->setAutoDefault(false);
    btnFindNext->setDefault(true);

    connect(btnFindNext, &QPushButton::clicked, this, [this] { Report(true, false, false); });
    connect(btnReplace, &QPushButton::clicked, this, [this] { Report(false, true, false); });
    connect(btnReplaceAll, &QPushButton::clicked, this, [this] { Report(false, false, true); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    // Nothing to search for: the three search buttons wait for a text.
    const auto enable = [this] {
        const bool any = !txtFind->text().isEmpty();
        for (QPushButton* b : {btnFindNext, btnReplace, btnReplaceAll})
            b->setEnabled(any);
    };
    connect(txtFind, &QLineEdit::textChanged, this, enable);
    enable();

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblFind, 0, 0);
    grid->addWidget(txtFind, 0, 1);
    grid->addWidget(lblReplace, 1, 0);
    grid->addWidget(txtReplace, 1, 1);
    auto* checks = new QVBoxLayout;
    checks->addWidget(chkWholeWord);
    checks->addWidget(chkMatchCase);
    checks->addStretch();
    grid->addLayout(checks, 2, 0, 2, 2);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {btnFindNext, btnReplace, btnReplaceAll, btnCancel})
        buttons->addWidget(b);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 4, 1);
    grid->setColumnMinimumWidth(1, 200);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

QString TReplaceDialog::FindText() const {
    return txtFind->text();
}

QString TReplaceDialog::ReplaceText() const {
    return txtReplace->text();
}

void TReplaceDialog::Report(bool find_next, bool replace, bool replace_all) {
    Options = {find_next, replace, replace_all, chkMatchCase->isChecked(), chkWholeWord->isChecked()};
    const auto& handler = find_next ? OnFind : OnReplace;
    if (handler) handler();
}

}  // namespace zorvan::ui
