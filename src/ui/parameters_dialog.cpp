// The machine setup dialog's pages and controls; what they do is in parameters_dialog_actions.cpp.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/accel_plot.h"
#include "ui/parameters_dialog.h"

namespace zorvan::ui {
namespace {

constexpr const char* kAxisLetters[4] = {"X", "Y", "Z", "A"};

template <typename Field>
Field* MakeField(QWidget* parent, const QString& name, const char* format, double minimum, double maximum,
                 bool validate) {
    auto* field = new Field(parent);
    field->setObjectName(name);
    field->MinValue = minimum;
    field->MaxValue = maximum;
    field->SetFormatString(QString::fromLatin1(format));
    field->SetValidate(validate);
    field->SetRealValue(validate ? minimum : 0.0);
    field->setAlignment(Qt::AlignRight);
    field->setMinimumWidth(90);
    return field;
}

TIntegerEdit* IntegerField(QWidget* parent, const QString& name, double minimum, double maximum) {
    return MakeField<TIntegerEdit>(parent, name, "%d", minimum, maximum, true);
}

TRealEdit* RealField(QWidget* parent, const QString& name, const char* format, double minimum = 0,
                     double maximum = 0, bool validate = false) {
    return MakeField<TRealEdit>(parent, name, format, minimum, maximum, validate);
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QCheckBox* CheckBox(QWidget* parent, const QString& name, const char* caption) {
    auto* box = new QCheckBox(QString::fromLatin1(caption), parent);
    box->setObjectName(name);
    return box;
}

// A labelled row of a form grid.
void Row(QGridLayout* grid, const char* caption, QWidget* field) {
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(QString::fromLatin1(caption), field->parentWidget()), row, 0);
    grid->addWidget(field, row, 1);
}

}  // namespace

TfrmParameters::TfrmParameters(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmParameters"));
    setWindowTitle(QStringLiteral("Machine Configuration"));

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(BuildVelocitiesPage(), QStringLiteral("Machine Velocities"));
    PageControl1->addTab(BuildAxesPage(), QStringLiteral("Axes Setup"));
    PageControl1->addTab(BuildSetupPage(), QStringLiteral("TormelCNC Setup"));
    PageControl1->addTab(BuildToolPage(), QStringLiteral("Tool Library"));

    cmbMachine = new QComboBox(this);
    cmbMachine->setObjectName(QStringLiteral("cmbMachine"));
    cmbMachine->setEditable(true);
    // The list is kept sorted by the dialog; a typed name joins it only when it is saved.
    cmbMachine->setInsertPolicy(QComboBox::NoInsert);
    cmbMachine->setMinimumWidth(220);
    connect(cmbMachine, &QComboBox::activated, this,
            [this](int index) { cmbMachineClick(cmbMachine->itemText(index)); });
    btnSave = Button(this, "btnSave", "Save");
    Button1 = Button(this, "Button1", "Close");
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("Machine"), this));
    bottom->addWidget(cmbMachine);
    bottom->addWidget(btnSave);
    bottom->addStretch();
    bottom->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(bottom);

    for (TCommonEdit* field : NumericFields())
        field->OnMessage = [this](const QString& text) { Message(text); };
    for (TIntegerEdit* ramp : {txtAccel, txtScale, txtMaxVel, txtStartVel})
        connect(ramp, &QLineEdit::textChanged, this, [this] { DrawProfile(); });
    // A start velocity above the maximum is written back only once a field is left: while the maximum is
    // being typed its first digits are no maximum, and the start velocity typed before must survive them.
    txtMaxVel->OnExit = [this] { DrawProfile(true); };
    txtStartVel->OnExit = [this] { DrawProfile(true); };
    DrawProfile();
}

QWidget* TfrmParameters::BuildVelocitiesPage() {
    auto* page = new QWidget;
    auto* group = new QGroupBox(QStringLiteral("Machine Velocities (SPS)"), page);
    auto* fields = new QGridLayout(group);
    txtHomeVel = IntegerField(group, "txtHomeVel", 40, 45000);
    txtAccel = IntegerField(group, "txtAccel", 100, 100000000);
    txtScale = IntegerField(group, "txtScale", 0, 255);
    txtMaxVel = IntegerField(group, "txtMaxVel", 40, 45000);
    txtStartVel = IntegerField(group, "txtStartVel", 40, 45000);
    txtContouring = IntegerField(group, "txtContouring", 0, 50000);
    txtFastJogVel = RealField(group, "txtFastJogVel", "%.2f", 0.001, 1000, true);
    txtMedJogVel = RealField(group, "txtMedJogVel", "%.2f", 0.001, 1000, true);
    txtSlowJogVel = RealField(group, "txtSlowJogVel", "%.2f", 0.001, 1000, true);
    Row(fields, "Homing Velocity", txtHomeVel);
    Row(fields, "Acceleration", txtAccel);
    Row(fields, "Acceleration Scale", txtScale);
    Row(fields, "Max Velocity", txtMaxVel);
    Row(fields, "Start Velocity", txtStartVel);
    Row(fields, "Contouring", txtContouring);
    Row(fields, "Fast Jog Velocity", txtFastJogVel);
    Row(fields, "Med Jog Velocity", txtMedJogVel);
    Row(fields, "Slow Jog Velocity", txtSlowJogVel);
    chkInvertStepPulse = CheckBox(group, "chkInvertStepPulse", "Invert Step Pulse");
    fields->addWidget(chkInvertStepPulse, fields->rowCount(), 0, 1, 2);
    fields->setRowStretch(fields->rowCount(), 1);

    auto* plot = new QWidget(page);
    auto* grid = new QGridLayout(plot);
    DrawAccel = new TAccelPlot(plot);
    DrawAccel->setObjectName(QStringLiteral("DrawAccel"));
    // One letter a line: the label is as narrow as its widest letter.
    lblVelocity = new QLabel(QStringLiteral("V E L O C I T Y"), plot);
    lblVelocity->setObjectName(QStringLiteral("lblVelocity"));
    lblVelocity->setWordWrap(true);
    lblVelocity->setFixedWidth(lblVelocity->fontMetrics().horizontalAdvance(QLatin1Char('W')) + 2);
    lblVelocity->setAlignment(Qt::AlignCenter);
    lblTime = new QLabel(QStringLiteral("TIME"), plot);
    lblTime->setObjectName(QStringLiteral("lblTime"));
    lblTime->setAlignment(Qt::AlignCenter);
    lblMaxTime = new QLabel(plot);
    lblMaxTime->setObjectName(QStringLiteral("lblMaxTime"));
    lblMaxTime->setToolTip(QStringLiteral("The ramp's total time, in seconds"));
    auto* time_row = new QHBoxLayout;
    time_row->addStretch();
    time_row->addWidget(lblTime);
    time_row->addStretch();
    time_row->addWidget(new QLabel(QStringLiteral("Ramp time, s:"), plot));
    time_row->addWidget(lblMaxTime);
    DrawAccel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    grid->addWidget(lblVelocity, 0, 0);
    grid->addWidget(DrawAccel, 0, 1);
    grid->addLayout(time_row, 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);

    auto* layout = new QHBoxLayout(page);
    layout->addWidget(group);
    layout->addWidget(plot, 1);
    return page;
}

QWidget* TfrmParameters::BuildAxesPage() {
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);
    for (std::size_t i = 0; i < 4; ++i) {
        const QString axis = QString::fromLatin1(kAxisLetters[i]);
        auto* group = new QGroupBox(axis + QStringLiteral(" Axis"), page);
        group->setObjectName(i == 3 ? QStringLiteral("gbAAxis") : QStringLiteral("gb") + axis + "Axis");
        gbAxis[i] = group;
        auto* fields = new QGridLayout(group);
        txtHomePosition[i] = RealField(group, "txtHomePosition" + axis, "%.3f");
        txtHomeOffset[i] = RealField(group, "txtHomeOffset" + axis, "%.3f");
        txtStepsMM[i] = RealField(group, "txtStepsMM" + axis, "%.7f");
        txtBacklash[i] = RealField(group, "txtBacklash" + axis, "%.3f");
        txtMaxVelAxis[i] = IntegerField(group, "txtMaxVel" + axis, 20, 45000);
        Row(fields, "Home Position", txtHomePosition[i]);
        Row(fields, "Home Offset", txtHomeOffset[i]);
        Row(fields, "Steps per MM", txtStepsMM[i]);
        Row(fields, "Backlash", txtBacklash[i]);
        Row(fields, "Max Vel (SPS)", txtMaxVelAxis[i]);
        chkHomeDir[i] = CheckBox(group, "chkHomeDir" + axis, "Reverse Homing Direction");
        fields->addWidget(chkHomeDir[i], fields->rowCount(), 0, 1, 2);
        layout->addWidget(group, static_cast<int>(i) / 2, static_cast<int>(i) % 2);
    }
    layout->setRowStretch(2, 1);
    return page;
}

QWidget* TfrmParameters::BuildSetupPage() {
    auto* page = new QWidget;
    const auto list_group = [&](const char* title, QComboBox*& box, QLineEdit*& edit, QPushButton*& add,
                                QPushButton*& remove, const char* prefix) {
        auto* group = new QGroupBox(QString::fromLatin1(title), page);
        auto* grid = new QGridLayout(group);
        box = new QComboBox(group);
        box->setObjectName(QStringLiteral("cmb") + prefix);
        edit = new QLineEdit(group);
        edit->setObjectName(QStringLiteral("txt") + prefix + "New");
        add = Button(group, "", "Add");
        add->setObjectName(QStringLiteral("btnAdd") + prefix);
        remove = Button(group, "", "Delete");
        remove->setObjectName(QStringLiteral("btnDelete") + prefix);
        grid->addWidget(box, 0, 0);
        grid->addWidget(remove, 0, 1);
        grid->addWidget(edit, 1, 0);
        grid->addWidget(add, 1, 1);
        grid->setColumnStretch(0, 1);
        return group;
    };
    QGroupBox* speed =
        list_group("Speed Key Macro's", cmbSpeed, txtSpeedNew, btnAddSpeed, btnDeleteSpeed, "Speed");
    QGroupBox* jog = list_group("Jog Distances", cmbJog, txtJogNew, btnAddJog, btnDeleteJog, "Jog");
    connect(btnAddSpeed, &QPushButton::clicked, this, [this] { btnAddSpeedClick(); });
    connect(btnDeleteSpeed, &QPushButton::clicked, this, [this] { btnDeleteSpeedClick(); });
    connect(btnAddJog, &QPushButton::clicked, this, [this] { btnAddJogClick(); });
    connect(btnDeleteJog, &QPushButton::clicked, this, [this] { btnDeleteJogClick(); });

    auto* size = new QGroupBox(QStringLiteral("Machine Size"), page);
    auto* size_fields = new QGridLayout(size);
    txtXMin = RealField(size, "txtXMin", "%.1f");
    txtXMax = RealField(size, "txtXMax", "%.1f");
    txtYMin = RealField(size, "txtYMin", "%.1f");
    txtYMax = RealField(size, "txtYMax", "%.1f");
    txtZMin = RealField(size, "txtZMin", "%.1f");
    txtZMax = RealField(size, "txtZMax", "%.1f");
    Row(size_fields, "X Min", txtXMin);
    Row(size_fields, "X Max", txtXMax);
    Row(size_fields, "Y Min", txtYMin);
    Row(size_fields, "Y Max", txtYMax);
    Row(size_fields, "Z Min", txtZMin);
    Row(size_fields, "Z Max", txtZMax);

    auto* display = new QGroupBox(QStringLiteral("Display "), page);
    auto* display_fields = new QGridLayout(display);
    txtGrid = RealField(display, "txtGrid", "%.1f", 0.1, 1000, true);
    txtResolution = RealField(display, "txtResolution", "%.1f", 1, 100, true);
    txtZero = RealField(display, "txtZero", "%.1f", 0, 1000, true);
    Row(display_fields, "Grid Size", txtGrid);
    Row(display_fields, "Resolution", txtResolution);
    Row(display_fields, "Zero plane", txtZero);

    auto* defaults = new QGroupBox(QStringLiteral("Default"), page);
    auto* default_fields = new QGridLayout(defaults);
    txtSeperator = new QLineEdit(defaults);
    txtSeperator->setObjectName(QStringLiteral("txtSeperator"));
    txtSeperator->setMaxLength(1);
    txtSeperator->setMaximumWidth(40);
    // The separator in force is what a save writes (every real of the files is read with it), so the
    // field only shows it.
    txtSeperator->setEnabled(false);
    txtSeperator->setToolTip(QStringLiteral("The decimal separator in force; a save keeps it"));
    Row(default_fields, "Decimal Separator", txtSeperator);
    txtPort = new QComboBox(defaults);
    txtPort->setObjectName(QStringLiteral("txtPort"));
    Row(default_fields, "Port", txtPort);
    rgUnits = new QGroupBox(QStringLiteral("Units"), defaults);
    rgUnits->setObjectName(QStringLiteral("rgUnits"));
    auto* units = new QHBoxLayout(rgUnits);
    rbMM = new QRadioButton(QStringLiteral("MM"), rgUnits);
    rbMM->setObjectName(QStringLiteral("rbMM"));
    rbInch = new QRadioButton(QStringLiteral("Inch"), rgUnits);
    rbInch->setObjectName(QStringLiteral("rbInch"));
    rbMM->setChecked(true);
    units->addWidget(rbMM);
    units->addWidget(rbInch);
    default_fields->addWidget(rgUnits, default_fields->rowCount(), 0, 1, 2);
    chkDialect = CheckBox(defaults, "chkDialect", "CAM Dialect");
    chkDialect->setToolTip(
        QStringLiteral("Also read what CAM programs write: % lines, ; comments, G28, G90.1 and more"));
    default_fields->addWidget(chkDialect, default_fields->rowCount(), 0, 1, 2);
    cmbLanguage = new QComboBox(defaults);
    cmbLanguage->setObjectName(QStringLiteral("cmbLanguage"));
    cmbLanguage->setToolTip(QStringLiteral("The section of Language.cfg the program's texts come from"));
    Row(default_fields, "Language", cmbLanguage);
    chkSafety = CheckBox(defaults, "chkSafety", "Safe Keyboard");
    chkHighlight = CheckBox(defaults, "chkHighlight", "Highlight Gcode");
    chkRedraw = CheckBox(defaults, "chkRedraw", "Automatic Redraw");
    for (QCheckBox* box : {chkSafety, chkHighlight, chkRedraw})
        default_fields->addWidget(box, default_fields->rowCount(), 0, 1, 2);

    auto* layout = new QGridLayout(page);
    layout->addWidget(speed, 0, 0);
    layout->addWidget(jog, 1, 0);
    layout->addWidget(size, 0, 1);
    layout->addWidget(display, 1, 1);
    layout->addWidget(defaults, 0, 2, 2, 1);
    layout->setRowStretch(2, 1);
    return page;
}

QWidget* TfrmParameters::BuildToolPage() {
    auto* page = new QWidget;
    sgTool = new QTableWidget(0, 7, page);
    sgTool->setObjectName(QStringLiteral("sgTool"));
    sgTool->setHorizontalHeaderLabels({QStringLiteral("Slot"), QStringLiteral("Id"), QStringLiteral("Length"),
                                       QStringLiteral("Diameter"), QStringLiteral("Type"),
                                       QStringLiteral("Ang/Rad"), QStringLiteral("Comment")});
    const int widths[7] = {50, 50, 75, 75, 75, 75, 500};
    for (int column = 0; column < 7; ++column)
        sgTool->setColumnWidth(column, widths[column]);
    sgTool->verticalHeader()->hide();
    sgTool->setSelectionMode(QAbstractItemView::SingleSelection);
    btnAddTool = Button(page, "btnAddTool", "Add Tool");
    Button2 = Button(page, "Button2", "Remove Tool");
    btnPrint = Button(page, "btnPrint", "Print Table");
    connect(btnAddTool, &QPushButton::clicked, this, [this] { btnAddToolClick(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(btnPrint, &QPushButton::clicked, this, [this] { btnPrintClick(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnAddTool);
    buttons->addWidget(Button2);
    buttons->addStretch();
    buttons->addWidget(btnPrint);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(sgTool);
    layout->addLayout(buttons);
    return page;
}

std::vector<TCommonEdit*> TfrmParameters::NumericFields() const {
    std::vector<TCommonEdit*> fields{txtHomeVel,    txtAccel,      txtScale,     txtMaxVel,     txtStartVel,
                                     txtContouring, txtFastJogVel, txtMedJogVel, txtSlowJogVel, txtXMin,
                                     txtXMax,       txtYMin,       txtYMax,      txtZMin,       txtZMax,
                                     txtGrid,       txtResolution, txtZero};
    for (std::size_t i = 0; i < 4; ++i) {
        for (TCommonEdit* field :
             {static_cast<TCommonEdit*>(txtHomePosition[i]), static_cast<TCommonEdit*>(txtHomeOffset[i]),
              static_cast<TCommonEdit*>(txtStepsMM[i]), static_cast<TCommonEdit*>(txtBacklash[i]),
              static_cast<TCommonEdit*>(txtMaxVelAxis[i])})
            fields.push_back(field);
    }
    return fields;
}

void TfrmParameters::Message(const QString& text) {
    if (OnMessage) {
        OnMessage(text);
        return;
    }
    QMessageBox::information(this, windowTitle(), text);
}

}  // namespace zorvan::ui
