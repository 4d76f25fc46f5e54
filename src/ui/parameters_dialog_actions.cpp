// What the machine setup dialog does: filling its fields, the machine box and the lists, the tool grid,
// printing, the plot and the save sequence.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QTabWidget>
#include <QTableWidget>

#include <algorithm>
#include <cmath>

#include "config/number_text.h"
#include "ui/accel_plot.h"
#include "ui/parameters_dialog.h"

namespace zorvan::ui {
namespace {

enum Column { ColSlot, ColId, ColLength, ColDiameter, ColType, ColAngRad, ColComment };

std::vector<std::string> Items(const QComboBox* box) {
    std::vector<std::string> items;
    for (int i = 0; i < box->count(); ++i)
        items.push_back(box->itemText(i).toStdString());
    return items;
}

void SetItems(QComboBox* box, const std::vector<std::string>& items) {
    box->clear();
    for (const std::string& item : items)
        box->addItem(QString::fromStdString(item));
}

QString CellText(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item != nullptr ? item->text().trimmed() : QString();
}

QString IntegerError(const QString& text) {
    return "'" + text + "' is not a valid integer value";
}

QString RealError(const QString& text) {
    return "'" + text + "' is not a valid floating point value";
}

// The heading's spacing in dots of a 600 dpi printer, as the table was laid out for one.
constexpr double kPrintDpi = 600.0;
constexpr int kPrintFontSize = 12;  // points

}  // namespace

bool IsReservedMachineName(const QString& name) {
    const QString upper = name.toUpper();
    return upper == QStringLiteral("TORMELCNC") || upper == QStringLiteral("ZORVANNC");
}

std::vector<QString> ToolTableLines(const std::vector<config::ToolEntry>& tools) {
    std::vector<QString> lines{
        QStringLiteral("SLOT    ID     LEN     DIAM      STYLE   ANG/RAD      COMMENT"), QString()};
    for (std::size_t k = 1; k < tools.size(); ++k) {
        const config::ToolEntry& t = tools[k];
        const QByteArray style = QByteArray(config::style_name(t.Style).data(),
                                            static_cast<int>(config::style_name(t.Style).size()));
        lines.push_back(QString::asprintf("%d          %d     %.4f   %.4f     %s     %.4f        %s",
                                          static_cast<int>(k), t.Id, t.Length, t.Diameter, style.constData(),
                                          t.AngRad, t.Comment.c_str()));
    }
    return lines;
}

void TfrmParameters::FormShow() {
    if (ValuesInForce) in_force_ = ValuesInForce();
    const config::MachineSetup& setup = in_force_.setup;
    for (TCommonEdit* field : NumericFields())
        field->SetDecimalSeparator(in_force_.separator);
    gbAxis[3]->setVisible(in_force_.axis_count > 3);
    DrawAccel->SetBackgroundColour(in_force_.background);
    txtSeperator->setText(QString(QChar(in_force_.separator)));

    SetItems(cmbMachine, setup.MachineNames);
    cmbMachine->setEditText(QString::fromStdString(setup.Name));
    cmbLanguage->clear();
    cmbLanguage->addItem(QStringLiteral("English"));
    for (const std::string& language : in_force_.languages) {
        if (cmbLanguage->findText(QString::fromStdString(language)) < 0)
            cmbLanguage->addItem(QString::fromStdString(language));
    }
    FillFields(setup);

    tools_ = in_force_.tools;
    FillToolGrid();
    PageControl1->setCurrentIndex(0);
}

void TfrmParameters::FillFields(const config::MachineSetup& m) {
    SetItems(cmbSpeed, m.SpeedKeys);
    SetItems(cmbJog, m.JogDistances);
    txtHomeVel->SetValue(m.HomingVel);
    txtAccel->SetValue(m.Acceleration);
    txtScale->SetValue(m.AccelScale);
    txtMaxVel->SetValue(m.MaxSps);
    txtStartVel->SetValue(m.StartVelocity);
    txtContouring->SetValue(m.Contouring);
    txtFastJogVel->SetValue(m.FastJog);
    txtMedJogVel->SetValue(m.MedJog);
    txtSlowJogVel->SetValue(m.SlowJog);
    chkInvertStepPulse->setChecked(m.InvertStepPulse);
    for (std::size_t i = 0; i < 4; ++i) {
        const config::AxisSetup& a = m.Axes[i];
        txtHomePosition[i]->SetValue(a.HomePosition);
        txtHomeOffset[i]->SetValue(a.HomeOffset);
        txtStepsMM[i]->SetValue(a.StepsPerUnit);
        txtBacklash[i]->SetValue(a.Backlash_steps);
        txtMaxVelAxis[i]->SetValue(a.MaxSps);
        chkHomeDir[i]->setChecked(a.ReverseHoming);
    }
    txtXMin->SetValue(m.MinX);
    txtXMax->SetValue(m.MaxX);
    txtYMin->SetValue(m.MinY);
    txtYMax->SetValue(m.MaxY);
    txtZMin->SetValue(m.MinZ);
    txtZMax->SetValue(m.MaxZ);
    FillPorts(m.Port);
    (m.UnitsInch ? rbInch : rbMM)->setChecked(true);
    chkDialect->setChecked(m.CamDialect.value_or(false));
    if (m.Language) {
        const QString language = QString::fromStdString(*m.Language);
        if (cmbLanguage->findText(language) < 0) cmbLanguage->addItem(language);
        cmbLanguage->setCurrentText(language);
    }
    chkSafety->setChecked(m.SAFETY);
    chkHighlight->setChecked(m.HighLight);
    chkRedraw->setChecked(m.AutoRedraw);
    txtGrid->SetValue(m.Grid);
    txtResolution->SetValue(m.OpenGLResolution);
    txtZero->SetValue(m.Zero);
    DrawProfile();
}

// The system's serial ports, numbered from 1 in the order of their names (1 = the first port), and the
// configured port where the system has no port of its number.
void TfrmParameters::FillPorts(int configured) {
    txtPort->clear();
    auto ports = QSerialPortInfo::availablePorts();
    std::sort(ports.begin(), ports.end(),
              [](const QSerialPortInfo& a, const QSerialPortInfo& b) { return a.portName() < b.portName(); });
    for (int i = 0; i < ports.size(); ++i)
        txtPort->addItem(QStringLiteral("%1  (%2)").arg(i + 1).arg(ports[i].portName()), i + 1);
    if (configured < 1 || configured > ports.size()) {
        const int at = configured < 1 ? 0 : txtPort->count();
        txtPort->insertItem(at, QString::number(configured), configured);
    }
    txtPort->setCurrentIndex(txtPort->findData(configured));
}

void TfrmParameters::FillToolGrid() {
    sgTool->setRowCount(0);
    const int rows = tools_.empty() ? 0 : static_cast<int>(tools_.size()) - 1;
    sgTool->setRowCount(rows);
    for (int row = 0; row < rows; ++row)
        SetToolRow(row, row + 1, tools_[static_cast<std::size_t>(row) + 1]);
    // Remove Tool always has a row to remove while there is one.
    if (rows > 0) sgTool->setCurrentCell(0, ColId);
    Button2->setEnabled(rows > 0);
}

void TfrmParameters::SetToolRow(int row, int position, const config::ToolEntry& tool) {
    const char sep = in_force_.separator;
    const std::string_view style = config::style_name(tool.Style);
    const QString texts[7] = {QString::number(position),
                              QString::number(tool.Id),
                              FormatValue(QStringLiteral("%.3f"), tool.Length, sep),
                              FormatValue(QStringLiteral("%.3f"), tool.Diameter, sep),
                              QString::fromLatin1(style.data(), static_cast<int>(style.size())),
                              FormatValue(QStringLiteral("%.3f"), tool.AngRad, sep),
                              QString::fromStdString(tool.Comment)};
    for (int column = 0; column < 7; ++column) {
        auto* item = new QTableWidgetItem(texts[column]);
        // The slot is the row's position, which the save writes whatever the cell says.
        if (column == ColSlot) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        sgTool->setItem(row, column, item);
    }
}

void TfrmParameters::cmbMachineClick(const QString& name) {
    config::MachineSetup setup;
    const auto path = config::machine_configuration_path(in_force_.program_dir, name.toStdString());
    const auto file = path ? config::ProfileFile::load(*path) : std::nullopt;
    if (file) {
        setup = config::read_machine_setup(*file);
    } else {
        Message(in_force_.missing_file_message);
    }
    FillFields(setup);
    cmbMachine->setEditText(name);
}

void TfrmParameters::AddListItem(QComboBox* box, QLineEdit* edit) {
    const QString text = edit->text();
    if (text.isEmpty()) {
        Message(QStringLiteral("Text field is blank!"));
        return;
    }
    // The list is written as the key names of a section: an item that would not come back is refused.
    if (!config::ProfileFile::is_list_item(text.toStdString())) {
        Message(QStringLiteral("\"%1\" cannot be kept in the list: no \"=\", no blanks at its ends, and no "
                               "\";\" or \"[\" first.")
                    .arg(text));
        return;
    }
    const int at = box->currentIndex() + 1;
    box->insertItem(at, text);
    box->setCurrentIndex(at);
}

void TfrmParameters::DeleteListItem(QComboBox* box) {
    if (box->currentIndex() < 0) return;
    box->removeItem(box->currentIndex());
    box->setCurrentIndex(box->count() - 1);
}

void TfrmParameters::btnAddSpeedClick() {
    AddListItem(cmbSpeed, txtSpeedNew);
}

void TfrmParameters::btnDeleteSpeedClick() {
    DeleteListItem(cmbSpeed);
}

void TfrmParameters::btnAddJogClick() {
    AddListItem(cmbJog, txtJogNew);
}

void TfrmParameters::btnDeleteJogClick() {
    DeleteListItem(cmbJog);
}

void TfrmParameters::btnAddToolClick() {
    // A table without its reset line (no file yet) gets one first, as every written table has it.
    if (tools_.empty()) tools_.push_back(config::ToolEntry{0, 0.0, 0.0, config::StyleEnd, 0.0, "Tool Reset"});
    const int n = static_cast<int>(tools_.size());
    config::ToolEntry added = tools_.back();
    added.Id = n;
    added.Length = 1.0;
    added.Diameter = 1.0;
    added.AngRad = 0.0;
    added.Comment = "New Tool";
    added.Used = false;
    tools_.push_back(added);
    sgTool->setRowCount(n);
    SetToolRow(n - 1, n, added);
    sgTool->setCurrentCell(n - 1, ColId);
    Button2->setEnabled(true);
}

// Only the row goes: the other rows and pages keep what was typed into them.
void TfrmParameters::Button2Click() {
    const int row = sgTool->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) + 1 >= tools_.size()) return;
    tools_.erase(tools_.begin() + row + 1);
    sgTool->removeRow(row);
    for (int r = row; r < sgTool->rowCount(); ++r)
        sgTool->item(r, ColSlot)->setText(QString::number(r + 1));
    if (sgTool->rowCount() > 0) sgTool->setCurrentCell(std::min(row, sgTool->rowCount() - 1), ColId);
    Button2->setEnabled(sgTool->rowCount() > 0);
}

bool TfrmParameters::SaveToolTable(std::vector<config::ToolEntry>& list, QString& error) const {
    const char sep = in_force_.separator;
    const auto real = [&](int row, int column, double& field) {
        const QString text = CellText(sgTool, row, column);
        const auto value = config::parse_real(text.toStdString(), sep);
        if (!value || !std::isfinite(*value)) {
            error = RealError(text);
            return false;
        }
        field = *value;
        return true;
    };
    for (int row = 0; row < sgTool->rowCount(); ++row) {
        const std::size_t position = static_cast<std::size_t>(row) + 1;
        if (position >= list.size()) break;
        const QString id = CellText(sgTool, row, ColId);
        if (id.isEmpty()) continue;
        config::ToolEntry tool = list[position];
        const auto id_value = config::parse_int(id.toStdString());
        if (!id_value) {
            error = IntegerError(id);
            return false;
        }
        tool.Id = *id_value;
        if (!real(row, ColLength, tool.Length) || !real(row, ColDiameter, tool.Diameter) ||
            !real(row, ColAngRad, tool.AngRad))
            return false;
        tool.Style = config::style_from_name(CellText(sgTool, row, ColType).toStdString());
        const QTableWidgetItem* comment = sgTool->item(row, ColComment);
        tool.Comment = comment != nullptr ? comment->text().toStdString() : std::string();
        list[position] = tool;
    }
    return true;
}

// What the grid shows is what is printed, on as many pages as it takes.
void TfrmParameters::btnPrintClick() {
    std::vector<config::ToolEntry> list = tools_;
    QString error;
    if (!SaveToolTable(list, error)) {
        Message(error);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    const bool confirmed =
        ConfirmPrint ? ConfirmPrint(printer) : QPrintDialog(&printer, this).exec() == QDialog::Accepted;
    if (!confirmed) return;
    QPainter painter;
    if (!painter.begin(&printer)) {
        Message(QStringLiteral("The tool table could not be printed: the printer did not start."));
        return;
    }
    const double scale = printer.resolution() / kPrintDpi;
    painter.scale(scale, scale);
    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(static_cast<int>(kPrintFontSize * kPrintDpi / 72));
    painter.setFont(font);
    const double page_height = printer.pageRect(QPrinter::DevicePixel).height() / scale;
    const int line_step = 12 * kPrintFontSize;
    const auto lines = ToolTableLines(list);
    double y = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == 1) y += std::round(5.5 * kPrintFontSize);
        if (i >= 2) y += line_step;
        if (y + line_step > page_height) {
            printer.newPage();
            y = 0;
        }
        painter.drawText(QRectF(10, y, 100000, line_step), Qt::AlignLeft | Qt::AlignTop, lines[i]);
    }
    painter.end();
}

config::MachineSetup TfrmParameters::CollectSetup() const {
    config::MachineSetup m;
    m.Name = cmbMachine->currentText().trimmed().toStdString();
    m.MinX = txtXMin->Value(), m.MaxX = txtXMax->Value();
    m.MinY = txtYMin->Value(), m.MaxY = txtYMax->Value();
    m.MinZ = txtZMin->Value(), m.MaxZ = txtZMax->Value();
    m.Grid = txtGrid->Value();
    m.OpenGLResolution = txtResolution->Value();
    m.Zero = txtZero->Value();
    m.SAFETY = chkSafety->isChecked();
    m.HighLight = chkHighlight->isChecked();
    m.AutoRedraw = chkRedraw->isChecked();
    m.Port = txtPort->currentData().toInt();
    m.Contouring = txtContouring->Value();
    m.InvertStepPulse = chkInvertStepPulse->isChecked();
    m.UnitsInch = rbInch->isChecked();
    m.DecimalSeparator = in_force_.separator;
    m.HomingVel = txtHomeVel->Value();
    m.Acceleration = txtAccel->Value();
    m.AccelScale = txtScale->Value();
    m.MaxSps = txtMaxVel->Value();
    m.StartVelocity = txtStartVel->Value();
    m.FastJog = txtFastJogVel->Value();
    m.MedJog = txtMedJogVel->Value();
    m.SlowJog = txtSlowJogVel->Value();
    m.JogDistances = Items(cmbJog);
    m.SpeedKeys = Items(cmbSpeed);
    m.MachineNames = Items(cmbMachine);
    for (std::size_t i = 0; i < 4; ++i) {
        config::AxisSetup& a = m.Axes[i];
        a.HomePosition = txtHomePosition[i]->Value();
        a.HomeOffset = txtHomeOffset[i]->Value();
        a.ReverseHoming = chkHomeDir[i]->isChecked();
        a.StepsPerUnit = txtStepsMM[i]->Value();
        a.MaxSps = txtMaxVelAxis[i]->Value();
        // Backlash is whole steps in the file.
        a.Backlash_steps = static_cast<int>(std::clamp(std::nearbyint(txtBacklash[i]->Value()), -1e9, 1e9));
    }
    m.CamDialect = chkDialect->isChecked();
    m.Language = cmbLanguage->currentText().toStdString();
    return m;
}

void TfrmParameters::AddMachineName(const QString& name) {
    for (int i = 0; i < cmbMachine->count(); ++i) {
        const int order = QString::compare(cmbMachine->itemText(i), name, Qt::CaseInsensitive);
        if (order == 0) return;
        if (order > 0) {
            cmbMachine->insertItem(i, name);
            return;
        }
    }
    cmbMachine->addItem(name);
}

// Nothing is written before every check has passed, the tool grid's conversions included; a refusal
// leaves the dialog open with everything typed into it.
bool TfrmParameters::btnSaveClick() {
    // A value typed into a field and saved from the keyboard is limited as leaving the field would.
    if (auto* field = qobject_cast<TCommonEdit*>(focusWidget())) field->Reformat();
    const QString name = cmbMachine->currentText().trimmed();
    if (name.isEmpty() || IsReservedMachineName(name)) {
        Message(QStringLiteral("Machine Name is Blank."));
        return false;
    }
    const int largest =
        std::max({txtMaxVelAxis[0]->Value(), txtMaxVelAxis[1]->Value(), txtMaxVelAxis[2]->Value()});
    if (largest != txtMaxVel->Value())
        Message(QStringLiteral("Warning: Max Velocity does not equel the Max velocity of XYZ Axis."));
    std::vector<config::ToolEntry> list = tools_;
    QString error;
    if (!SaveToolTable(list, error)) {
        Message(error);
        return false;
    }

    config::MachineSetup setup = CollectSetup();
    setup.Name = name.toStdString();
    std::vector<std::string> names = setup.MachineNames;
    if (std::none_of(names.begin(), names.end(), [&](const std::string& n) {
            return QString::fromStdString(n).compare(name, Qt::CaseInsensitive) == 0;
        }))
        names.push_back(setup.Name);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) < 0;
    });
    setup.MachineNames = names;

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto failure = config::save_machine_setup(in_force_.program_dir, setup, in_force_.separator, &list);
    if (failure) {
        QApplication::restoreOverrideCursor();
        Message(QString::fromStdString(*failure) + QStringLiteral(". Nothing was saved."));
        return false;
    }
    AddMachineName(name);
    tools_ = list;
    accept();
    if (Restart) Restart();
    QApplication::restoreOverrideCursor();
    return true;
}

void TfrmParameters::Button1Click() {
    reject();
}

void TfrmParameters::DrawProfile(bool write_back) {
    machine::ProfileFields fields{txtStartVel->Value(), txtMaxVel->Value(), txtAccel->Value(),
                                  txtScale->Value()};
    const int typed_start = fields.StartVelocity;
    const machine::AccelerationProfile profile = machine::DrawProfile(fields);
    DrawAccel->SetProfile(profile);
    QString time = QString::fromStdString(profile.TimeLabel);
    time.replace('.', QChar(in_force_.separator));
    lblMaxTime->setText(time);
    if (write_back && fields.StartVelocity != typed_start) txtStartVel->SetValue(fields.StartVelocity);
}

}  // namespace zorvan::ui
