#include "ui/font_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>

#include <cmath>

namespace zorvan::ui {
namespace {

constexpr int kMinimumPoints = 6;
constexpr int kMaximumPoints = 72;

// A face the desktop really has (not a substitute) whose narrow and wide letters, digits and points all
// take the same width.
bool IsFixedPitch(const QString& family) {
    QFont font(family, 12);
    font.setStyleStrategy(QFont::NoFontMerging);
    if (QFontInfo(font).family().compare(family, Qt::CaseInsensitive) != 0) return false;
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QLatin1Char('M'));
    for (const char c : {'i', 'W', 'l', '0', '.', 'X'})
        if (metrics.horizontalAdvance(QLatin1Char(c)) != width) return false;
    return width > 0;
}

}  // namespace

QStringList TFontDialog::FixedPitchFamilies() {
    QStringList fixed;
    QStringList latin;
    for (const QString& family : QFontDatabase::families()) {
        if (QFontDatabase::isPrivateFamily(family)) continue;
        if (!QFontDatabase::writingSystems(family).contains(QFontDatabase::Latin)) continue;
        latin.push_back(family);
        if (IsFixedPitch(family)) fixed.push_back(family);
    }
    return fixed.isEmpty() ? latin : fixed;
}

TFontDialog::TFontDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FontDialog1"));
    setWindowTitle(QStringLiteral("Font"));

    auto* lblFamily = new QLabel(QStringLiteral("&Font:"), this);
    lstFamily = new QListWidget(this);
    lstFamily->setObjectName(QStringLiteral("lstFamily"));
    lstFamily->addItems(FixedPitchFamilies());
    lblFamily->setBuddy(lstFamily);
    auto* lblSize = new QLabel(QStringLiteral("&Size:"), this);
    txtSize = new QSpinBox(this);
    txtSize->setObjectName(QStringLiteral("txtSize"));
    txtSize->setRange(kMinimumPoints, kMaximumPoints);
    lblSize->setBuddy(txtSize);
    chkUnderline = new QCheckBox(QStringLiteral("&Underline"), this);
    chkUnderline->setObjectName(QStringLiteral("chkUnderline"));
    lblSample = new QLabel(QStringLiteral("N10 G01 X12.5 Y-3 F300"), this);
    lblSample->setObjectName(QStringLiteral("lblSample"));
    lblSample->setFrameShape(QFrame::StyledPanel);
    lblSample->setMinimumSize(320, 60);
    lblSample->setAlignment(Qt::AlignCenter);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(lstFamily, &QListWidget::currentRowChanged, this, [this] { ShowSample(); });
    connect(lstFamily, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(txtSize, &QSpinBox::valueChanged, this, [this] { ShowSample(); });
    connect(chkUnderline, &QCheckBox::toggled, this, [this] { ShowSample(); });

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblFamily, 0, 0);
    grid->addWidget(lblSize, 0, 1);
    grid->addWidget(lstFamily, 1, 0, 3, 1);
    grid->addWidget(txtSize, 1, 1);
    grid->addWidget(chkUnderline, 2, 1);
    grid->addWidget(lblSample, 4, 0, 1, 2);
    grid->addWidget(buttons, 5, 0, 1, 2);
    grid->setRowStretch(3, 1);
}

void TFontDialog::SetCurrentFont(const QFont& font) {
    const auto found = lstFamily->findItems(font.family(), Qt::MatchFixedString);
    lstFamily->setCurrentItem(found.isEmpty() ? lstFamily->item(0) : found.front());
    txtSize->setValue(static_cast<int>(std::lround(font.pointSizeF() > 0 ? font.pointSizeF() : 12)));
    chkUnderline->setChecked(font.underline());
    ShowSample();
}

QFont TFontDialog::SelectedFont() const {
    QFont font(lstFamily->currentItem() != nullptr ? lstFamily->currentItem()->text() : QString());
    font.setPointSize(txtSize->value());
    font.setUnderline(chkUnderline->isChecked());
    return font;
}

void TFontDialog::ShowSample() {
    lblSample->setFont(SelectedFont());
}

}  // namespace zorvan::ui
