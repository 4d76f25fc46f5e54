#include "ui/about_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>
#include <charconv>
#include "ui/window_placement.h"

namespace zorvan::ui {

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("About Quelmar"));

    lblTitle = new QLabel(QStringLiteral("Quelmar  Ver 2.2.0.12"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblPlatform = new QLabel(QStringLiteral("For Windows"), this);
    lblPlatform->setObjectName(QStringLiteral("lblPlatform"));
    lblDemo = new QLabel(QStringLiteral("Firmware Version:"), this);
    lblDemo->setObjectName(QStringLiteral("lblDemo"));
    cmdOk = new QPushButton(QStringLiteral("Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    // Escape already closes a QDialog through reject().
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    for (QLabel* label : {lblTitle, lblPlatform, lblDemo}) {
        label->setAlignment(Qt::AlignHCenter);
        layout->addWidget(label);
    }
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmAbout::FormShow(bool controller_present, double firmware_version) {
    lblDemo->setText(controller_present
                         ? QStringLiteral("Firmware Version: V") + VersionText(firmware_version)
                         : QStringLiteral("Controller not detected."));
    CentreOnScreen(*this);
}

QString TfrmAbout::VersionText(double value) {
    std::array<char, 400> text{};
    const auto result =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    return QString::fromLatin1(text.data(), result.ptr - text.data());
}

}  // namespace zorvan::ui
