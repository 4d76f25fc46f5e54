// The machine panel on the right of the window: the zero buttons, the coordinates, the Edit Center's and
// the Control Center's buttons, the jog box, the labels and the two sliders, with what locks them and
// what the machine interface sets on them.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/main_window.h"
#include "ui/panel_widgets.h"

namespace zorvan::ui {

void TfrmMain::BuildMachinePanel(QWidget* panel) {
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(2, 2, 2, 2);
    gbControlCenter = new QGroupBox("Edit Mode", panel);
    gbControlCenter->setObjectName("gbControlCenter");
    layout->addWidget(gbControlCenter);
    QWidget* box = gbControlCenter;
    const int w = kMachinePanelWidth - 14;

    const char* const clear_names[5] = {"btnClearX", "btnClearY", "btnClearZ", "btnClearA", "btnClearAll"};
    const char* const clear_captions[5] = {"X", "Y", "Z", "A", "&All"};
    for (int i = 0; i < 5; ++i)
        btnClear[static_cast<std::size_t>(i)] =
            MakeButton(box, clear_names[i], clear_captions[i], QRect(5 + i * (w / 5), 20, w / 5 - 2, 24));

    pnlCoords = new QWidget(box);
    pnlCoords->setObjectName("pnlCoords");
    pnlCoords->setGeometry(5, 48, w - 5, kCoordsHeight);
    pnlCoords->setAutoFillBackground(true);
    QPalette white = pnlCoords->palette();
    white.setColor(QPalette::Window, Qt::white);
    pnlCoords->setPalette(white);
    QFont big = pnlCoords->font();
    big.setPixelSize(22);
    big.setBold(true);
    const char* const axis_names[4] = {"lblX", "lblY", "lblZ", "lblA"};
    const char* const coord_names[4] = {"lblXCoord", "lblYCoord", "lblZCoord", "lblACoord"};
    const char* const axis_captions[4] = {"X", "Y", "Z", "A"};
    for (std::size_t i = 0; i < 4; ++i) {
        lblAxis[i] = MakeLabel(pnlCoords, axis_names[i], axis_captions[i], QRect(10, 10, 30, 26));
        lblCoord[i] = MakeLabel(pnlCoords, coord_names[i], "0.000", QRect(40, 10, w - 60, 26));
        lblAxis[i]->setFont(big);
        lblCoord[i]->setFont(big);
        lblCoord[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }

    const int panel_height = 150;
    pnlEdit = new QWidget(box);
    pnlEdit->setObjectName("pnlEdit");
    pnlEdit->resize(w, panel_height);
    const int half = (w - 15) / 2;
    const auto edit_button = [&](const char* name, const char* caption, int column, int line,
                                 void (TfrmMain::*handler)()) {
        QPushButton* b =
            MakeButton(pnlEdit, name, caption, QRect(5 + column * (half + 5), 4 + line * 29, half, 26));
        connect(b, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    edit_button("SpeedButton1", "Next", 0, 0, &TfrmMain::SpeedButton1Click);
    edit_button("SpeedButton2", "Next 10", 1, 0, &TfrmMain::SpeedButton2Click);
    edit_button("Button3", "Next 100", 0, 1, &TfrmMain::Button3Click);
    edit_button("Button4", "Next 1000", 1, 1, &TfrmMain::Button4Click);
    edit_button("SpeedButton3", "To Cursor", 0, 2, &TfrmMain::SpeedButton3Click);
    edit_button("SpeedButton4", "From Cursor", 1, 2, &TfrmMain::SpeedButton4Click);
    edit_button("btnAll", "All", 0, 3, &TfrmMain::btnAllClick);
    edit_button("Button1", "Reset", 1, 3, &TfrmMain::Button1Click);
    edit_button("btnClear", "Clear", 0, 4, &TfrmMain::btnClearClick);

    pnlControl = new QWidget(box);
    pnlControl->setObjectName("pnlControl");
    pnlControl->resize(w, panel_height);
    btnGo = MakeButton(pnlControl, "btnGo", "&GO [0]", QRect(5, 4, half, 26));
    btnExecuteNext = MakeButton(pnlControl, "btnExecuteNext", "&Next", QRect(10 + half, 4, half, 26));
    btnPause = MakeButton(pnlControl, "btnPause", "&Pause(Hold)", QRect(5, 33, half, 26));
    btnStop = MakeButton(pnlControl, "btnStop", "Reset (&ESTP)", QRect(10 + half, 33, half, 26));
    btnPause->setCheckable(true);
    btnStop->setCheckable(true);
    connect(btnGo, &QPushButton::clicked, this, [this] { btnGoClick(); });
    connect(btnExecuteNext, &QPushButton::clicked, this, [this] { btnExecuteNextClick(); });
    // The latching buttons show the controller's state, not the click: the handlers set them.
    connect(btnPause, &QPushButton::clicked, this, [this] {
        btnPause->setChecked(controller_->Paused);
        btnPauseClick();
    });
    connect(btnStop, &QPushButton::clicked, this, [this] {
        btnStop->setChecked(controller_->EStopActive);
        btnStopClick();
    });
    const int third = (w - 20) / 3;
    const char* const jog_names[8] = {"btnUp",   "btnDown",    "btnRight", "btnLeft",
                                      "btnBack", "btnForward", "btnCCW",   "btnCW"};
    const char* const jog_captions[8] = {"Z+", "Z-", "X+", "X-", "Y-", "Y+", "CCW", "CW"};
    // A cross of X and Y around Home, Z on the right, A on the left.
    const QPoint jog_places[8] = {{2, 0}, {2, 2}, {2, 1}, {0, 1}, {1, 2}, {1, 0}, {0, 0}, {0, 2}};
    for (std::size_t i = 0; i < 8; ++i) {
        jogButtons[i] =
            MakeButton(pnlControl, jog_names[i], jog_captions[i],
                       QRect(5 + jog_places[i].x() * (third + 5), 64 + jog_places[i].y() * 28, third, 25));
    }
    btnHome = MakeButton(pnlControl, "btnHome", "&Home", QRect(5 + third + 5, 64 + 28, third, 25));
    connect(btnHome, &QPushButton::clicked, this, [this] { btnHomeClick(); });
    // The jog buttons are pressed and let go, not clicked (ManualControlEvent); movement over the panel
    // ends a jog whose release went astray.
    pnlControl->setMouseTracking(true);

    const int below = 48 + kCoordsHeight + 3 + panel_height + 4;
    lblUnits = MakeLabel(box, "lblUnits", "MM", QRect(5, below, 50, 20));
    cmbJog = new QComboBox(box);
    cmbJog->setObjectName("cmbJog");
    cmbJog->setEditable(true);
    // A typed distance is read as it stands; it does not become one of the JOGDIST choices.
    cmbJog->setInsertPolicy(QComboBox::NoInsert);
    cmbJog->setGeometry(60, below, w - 60, 22);
    Label3 = MakeLabel(box, "Label3", "Feed Rate", QRect(5, below + 26, 70, 20));
    Label3->setCursor(Qt::PointingHandCursor);
    lblFeed = MakeLabel(box, "lblFeed", "0.00", QRect(80, below + 26, 80, 20));
    MakeLabel(box, "lblToolCaption", "Tool", QRect(5, below + 48, 40, 20));
    lblTool = MakeLabel(box, "lblTool", "0", QRect(50, below + 48, 40, 20));
    MakeLabel(box, "lblTLOCaption", "TLO", QRect(100, below + 48, 40, 20));
    lblTLO = MakeLabel(box, "lblTLO", "0.00", QRect(140, below + 48, 80, 20));
    slOveride = new QSlider(Qt::Horizontal, box);
    slOveride->setObjectName("slOveride");
    slOveride->setRange(-25, 25);
    slOveride->setValue(0);
    slOveride->setGeometry(5, below + 72, w - 5, 22);
    slOveride->setFocusPolicy(Qt::NoFocus);
    connect(slOveride, &QSlider::valueChanged, this, [this](int position) { slOverideChange(position); });
    tbSpindle = new QSlider(Qt::Horizontal, box);
    tbSpindle->setObjectName("tbSpindle");
    tbSpindle->setGeometry(5, below + 98, w - 5, 22);
    tbSpindle->setFocusPolicy(Qt::NoFocus);
    connect(tbSpindle, &QSlider::valueChanged, this, [this](int percent) { tbSpindleChange(percent); });
    box->setMinimumHeight(below + 124);

    void (TfrmMain::*const clear_handlers[5])() = {&TfrmMain::btnClearXClick, &TfrmMain::btnClearYClick,
                                                   &TfrmMain::btnClearZClick, &TfrmMain::btnClearAClick,
                                                   &TfrmMain::btnClearAllClick};
    for (std::size_t i = 0; i < 5; ++i) {
        connect(btnClear[i], &QPushButton::clicked, this,
                [this, handler = clear_handlers[i]] { (this->*handler)(); });
    }
}

void TfrmMain::LockMachineControls(bool locked) {
    QWidget* const controls[] = {txtHotStat,    btnHome,       jogButtons[0], jogButtons[1],
                                 jogButtons[2], jogButtons[3], jogButtons[4], jogButtons[5],
                                 jogButtons[6], jogButtons[7], btnGo,         btnExecuteNext,
                                 btnAux[0],     btnAux[1],     btnAux[2],     btnAux[3]};
    for (QWidget* control : controls)
        control->setEnabled(!locked);
}

void TfrmMain::ZeroFeedOverride() {
    slOveride->setValue(0);
}

void TfrmMain::SetUnitsLabel(std::string_view text) {
    lblUnits->setText(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
}

// A preview sets the feed on nearly every line of a large program; the label takes the last one when the
// window's messages next run, instead of being formatted and laid out a million times.
void TfrmMain::SetFeedLabel(double rate) {
    feed_label_rate_ = rate;
    if (feed_label_pending_) return;
    feed_label_pending_ = true;
    QTimer::singleShot(0, lblFeed, [this] {
        feed_label_pending_ = false;
        lblFeed->setText(QString::asprintf("%.2f", feed_label_rate_));
    });
}

void TfrmMain::SetToolLabel(std::string_view text) {
    lblTool->setText(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
}

void TfrmMain::SetOutputButton(machine::OutputButton button, int caption_entry, bool pressed) {
    const int index = static_cast<int>(button);
    // Entries 17 to 24 have no built-in text; without a language file the buttons keep a caption.
    static const char* const kCaptions[8] = {"Mist On",  "Flood On",  "CW On",  "CCW On",
                                             "Mist Off", "Flood Off", "CW Off", "CCW Off"};
    QString caption;
    if (caption_entry >= 0 && caption_entry < static_cast<int>(Msg.size()))
        caption = Msg[static_cast<std::size_t>(caption_entry)];
    if (caption.isEmpty() && caption_entry >= 17 && caption_entry <= 24)
        caption = kCaptions[caption_entry - 17];
    QPushButton* b = btnAux[static_cast<std::size_t>(index)];
    if (!caption.isEmpty()) b->setText(caption);
    b->setChecked(pressed);
}

void TfrmMain::SetSpindleSliderRange(int minimum_percent, int maximum_percent) {
    tbSpindle->setRange(minimum_percent, maximum_percent);
}

void TfrmMain::SetSpindleSlider(int percent) {
    tbSpindle->setValue(percent);
}

}  // namespace zorvan::ui
