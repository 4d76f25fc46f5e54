#include "ui/colors_dialog.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/machine_config.h"
#include "display/picture.h"
#include "display/tool_path_view.h"

namespace zorvan::ui {

TColourPanel::TColourPanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
    setMinimumSize(60, 22);
    SetColour(0);
}

void TColourPanel::SetColour(int colour) {
    colour_ = colour;
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(display::PixelOfColour(colour)));
    setPalette(colours);
}

void TColourPanel::mouseReleaseEvent(QMouseEvent* event) {
    QFrame::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
        OnClick();
}

TfrmColors::TfrmColors(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmColors"));
    setWindowTitle(QStringLiteral("Options"));

    GroupBox1 = new QGroupBox(QStringLiteral("Colors"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid = new QGridLayout(GroupBox1);
    const char* const captions[5] = {"Linear Moves", "Rapid Moves", "CW Arc Moves", "CCW Arc Moves",
                                     "Background"};
    const char* const panel_names[5] = {"pnlLinear", "pnlRapid", "pnlCW", "pnlCCW", "pnlBack"};
    TColourPanel** const panels[5] = {&pnlLinear, &pnlRapid, &pnlCW, &pnlCCW, &pnlBack};
    for (int i = 0; i < 5; ++i) {
        QLabel*& label = Labels[static_cast<std::size_t>(i)];
        label = new QLabel(QString::fromLatin1(captions[i]), GroupBox1);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        TColourPanel* panel = new TColourPanel(GroupBox1);
        panel->setObjectName(QString::fromLatin1(panel_names[i]));
        panel->setMinimumWidth(90);
        panel->OnClick = [this, i] { PanelClick(i); };
        *panels[i] = panel;
        grid->addWidget(label, i, 0);
        grid->addWidget(panel, i, 1);
    }

    Button1 = new QPushButton(QStringLiteral("Save"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::array<int*, 5> TfrmColors::ViewColours() const {
    return {&View->ColorLinear, &View->ColorRapid, &View->ColorCW, &View->ColorCCW, &View->ColorBackground};
}

void TfrmColors::FormShow() {
    if (View == nullptr) return;
    const auto colours = ViewColours();
    const auto panels = Panels();
    for (std::size_t i = 0; i < panels.size(); ++i)
        panels[i]->SetColour(*colours[i]);
}

void TfrmColors::PanelClick(int panel) {
    if (View == nullptr || panel < 0 || panel >= 5) return;
    TColourPanel* shown = Panels()[static_cast<std::size_t>(panel)];
    std::optional<int> chosen;
    if (PickColour) {
        chosen = PickColour(shown->Colour());
    } else {
        const QColor picked = QColorDialog::getColor(QColor(display::PixelOfColour(shown->Colour())), this);
        if (picked.isValid()) chosen = display::ColourOfPixel(picked.rgb());
    }
    if (!chosen) return;
    shown->SetColour(*chosen);
    *ViewColours()[static_cast<std::size_t>(panel)] = *chosen;
    if (panel == 4) View->SetBackgroundColor(*chosen);
}

void TfrmColors::Button1Click() {
    if (View == nullptr) return;
    const config::ToolPathColours colours{View->ColorLinear, View->ColorRapid, View->ColorCW, View->ColorCCW,
                                          View->ColorBackground};
    // A failed write leaves the file as it was and the dialog open, so Save can be tried again.
    if (const auto failure = config::save_colours(ProgramDir, colours)) {
        Message(QString::fromStdString(*failure));
        return;
    }
    Message(QStringLiteral("Options Saved!"));
    accept();
}

void TfrmColors::Button2Click() {
    reject();
}

void TfrmColors::Message(const QString& text) {
    if (OnMessage) {
        OnMessage(text);
        return;
    }
    QMessageBox::information(this, windowTitle(), text);
}

}  // namespace zorvan::ui
