// The Setup menu (Options, Setup Machine), the start-up run again after the setup is saved, and the
// language file's texts put on the windows and into the message tables.
#include <QAction>
#include <QDialog>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "config/language_file.h"
#include "config/profile_file.h"
#include "ui/colors_dialog.h"
#include "ui/coordinates_dialog.h"
#include "ui/language_texts.h"
#include "ui/main_window.h"
#include "ui/parameters_dialog.h"
#include "ui/tool_path_widget.h"

namespace zorvan::ui {

void TfrmMain::CreateSetupDialogs() {
    const auto message = [this](const QString& text) { ShowModalMessage(text.toStdString()); };
    frmColors = new TfrmColors(this);
    frmColors->View = &View();
    frmColors->ProgramDir = options_.program_dir;
    frmColors->OnMessage = message;
    // Saved or not, the view shows the colours in force once the dialog closes.
    connect(frmColors, &QDialog::finished, this, [this] {
        ClearToolPathView();
        Draw3D->update();
    });
    frmParameters = new TfrmParameters(this);
    frmParameters->ValuesInForce = [this] { return SetupValuesInForce(); };
    frmParameters->OnMessage = message;
    frmParameters->Restart = [this] { RestartAfterSetup(); };
}

void TfrmMain::Colors1Click() {
    // A run's grey preview keeps the move colours aside and puts them back when it ends; a colour picked
    // meanwhile would be lost.
    if (handler_depth_ > 0 || runner_->ManualBusy) return;
    frmColors->FormShow();
    frmColors->open();
}

void TfrmMain::SetupMachine1Click() {
    // A save starts the machine anew, which must not happen under a run or a manual operation.
    if (runner_->Running || runner_->ManualBusy || handler_depth_ > 0) return;
    frmParameters->FormShow();
    frmParameters->open();
}

SetupInForce TfrmMain::SetupValuesInForce() const {
    SetupInForce in_force;
    in_force.program_dir = options_.program_dir;
    const machine::MotionParameters& p = canon_->Parameters();
    const config::StartupSettings& s = settings_;
    const auto main_file = config::ProfileFile::load(IniFileName);
    const config::MachineSetup from_file =
        config::read_machine_setup(main_file ? *main_file : config::ProfileFile::parse(""));

    config::MachineSetup& m = in_force.setup;
    m.Name = s.MachineName;
    m.MachineNames = s.MachineNames;
    m.MinX = s.MinX, m.MaxX = s.MaxX, m.MinY = s.MinY, m.MaxY = s.MaxY, m.MinZ = s.MinZ, m.MaxZ = s.MaxZ;
    m.Grid = Draw3D->View().GridSpacing;
    m.OpenGLResolution = s.OpenGLResolution;
    m.Zero = from_file.Zero;  // no view takes it at start-up; the file's value is the one in force
    m.SAFETY = s.SAFETY;
    m.HighLight = s.HighLight;
    m.AutoRedraw = s.AutoRedraw;
    m.Port = p.ControllerPort;
    m.Contouring = p.Contouring;
    m.InvertStepPulse = s.InvertStepPulse;
    m.UnitsInch = QString::fromStdString(s.Units).compare(QStringLiteral("G21"), Qt::CaseInsensitive) != 0;
    m.DecimalSeparator = s.DecimalSeparator;
    m.HomingVel = s.HomingVel;
    m.Acceleration = p.Acceleration;
    m.AccelScale = p.AccelScale;
    m.MaxSps = p.MaxSps;
    m.StartVelocity = p.StartVelocity;
    m.FastJog = s.FastJog, m.MedJog = s.MedJog, m.SlowJog = s.SlowJog;
    m.JogDistances = s.JogDistances;
    m.SpeedKeys = s.SpeedKeys;
    for (std::size_t i = 0; i < 4; ++i) {
        config::AxisSetup& a = m.Axes[i];
        // The configured home position, in the machine's units: the window's copy is in steps, and in the
        // program's current units it would be saved wrongly after a G20.
        a.HomePosition = s.HomePosition[i];
        a.HomeOffset = s.HomeOffset[i];
        a.ReverseHoming = (s.HomeDirections & (1 << i)) != 0;
        a.StepsPerUnit = p.StepsPerUnit[i];
        a.MaxSps = p.AxisMaxSps[i];
        a.Backlash_steps = p.Backlash[i];
    }
    m.CamDialect = from_file.CamDialect;
    m.Language = s.Language;

    in_force.tools = canon_->ToolList();
    in_force.axis_count = s.AxisCount;
    in_force.separator = s.DecimalSeparator;
    in_force.background = Draw3D->View().ColorBackground;
    in_force.missing_file_message = Msg[0];
    if (const auto languages = config::ProfileFile::load(options_.program_dir / config::LANGUAGE_FILE))
        in_force.languages = languages->section_names();
    return in_force;
}

// The tool table is loaded again by the interpreter's start, which the start-up runs. The program in the
// editor stays: it may hold the operator's unsaved work.
void TfrmMain::RestartAfterSetup() {
    LoadSettingsAndStart();
    ApplyLanguage(settings_.Language);
    View().ViewTop();
    FitToTable();
    ClearToolPathView();
    Draw3D->update();
}

void TfrmMain::ShowStartLine() {
    // The reset shows the accelerator; a chosen start line shows the number without it.
    const int line = runner_->StartLine;
    btnGo->setText((line == 0 ? GoCaption_ : QString(GoCaption_).remove('&')) + QString(" [%1]").arg(line));
}

void TfrmMain::ApplyLanguage(const std::string& language) {
    const config::LanguageTexts texts = config::read_language_file(options_.program_dir, language);
    QObject* const renumber = findChild<QDialog*>(QStringLiteral("frmReNumber"));
    QObject* const roots[] = {menuBar(), centralWidget(), frmColors, frmCoord, renumber, PopupMenu1};
    // Built-in texts first, so that a language applied after another leaves none of the other's texts.
    for (const config::LanguageTarget& target : config::language_targets()) {
        const std::string builtin(target.builtin);
        const auto index = static_cast<std::size_t>(target.index);
        if (target.kind == config::LanguageTargetKind::Msg) Msg[index] = QString::fromStdString(builtin);
        if (target.kind == config::LanguageTargetKind::StatusMessage)
            controller_->StatusMessages()[index] = builtin;
        if (target.kind == config::LanguageTargetKind::StartupText) canon_->StartupTexts[index] = builtin;
    }
    GoCaption_ = QStringLiteral("&GO");
    for (QObject* root : roots)
        RestoreBuiltInTexts(root);

    if (texts.outcome == config::LanguageOutcome::Invalid) ShowModalMessage(Msg[16].toStdString());
    if (texts.outcome == config::LanguageOutcome::Applied) {
        using K = config::LanguageTargetKind;
        for (const config::LanguageTarget& target : config::language_targets()) {
            const QString text = QString::fromStdString(texts.texts[target.position]);
            const auto index = static_cast<std::size_t>(target.index);
            switch (target.kind) {
                case K::Msg:
                    Msg[index] = text;
                    break;
                case K::StatusMessage:
                    controller_->StatusMessages()[index] = text.toStdString();
                    break;
                case K::StartupText:
                    canon_->StartupTexts[index] = text.toStdString();
                    break;
                case K::MainMenu:
                    SetControlText(menuBar(), TextSearch::MenuItems, target.name, target.builtin, text);
                    break;
                case K::MainControl:
                    // GO shows the start line after its caption.
                    if (target.name == "btnGo")
                        GoCaption_ = text;
                    else
                        SetControlText(centralWidget(), TextSearch::Widgets, target.name, target.builtin,
                                       text);
                    break;
                case K::AccelerationDialog:
                    // The plot lives on the machine setup dialog here, which keeps its built-in texts.
                    break;
                case K::OptionsDialog:
                    SetControlText(frmColors, TextSearch::Widgets, target.name, target.builtin, text);
                    break;
                case K::CoordinatesDialog:
                    SetControlText(frmCoord, TextSearch::Widgets, target.name, target.builtin, text);
                    break;
                case K::RenumberDialog:
                    SetControlText(renumber, TextSearch::Widgets, target.name, target.builtin, text);
                    break;
                case K::EditorMenu:
                    SetControlText(PopupMenu1, TextSearch::MenuItems, target.name, target.builtin, text);
                    break;
            }
        }
    }
    // Captions that show a state take the new texts for the state they show.
    ShowStartLine();
    for (std::size_t i = 0; i < btnAux.size(); ++i) {
        const bool down = btnAux[i]->isChecked();
        SetOutputButton(static_cast<machine::OutputButton>(i), static_cast<int>(i) + (down ? 17 : 21), down);
    }
    if (mode_chosen_) gbControlCenter->setTitle(Msg[ControlCenterSelected() ? 13 : 12]);
    // The start-up's state in the status bar ("Controller in EmStop.") was shown before the texts came.
    for (const config::LanguageTarget& target : config::language_targets()) {
        if (target.kind == config::LanguageTargetKind::Msg && !target.builtin.empty() &&
            StatusPanelText(1).toStdString() == target.builtin) {
            ShowStatus(Msg[static_cast<std::size_t>(target.index)].toStdString());
            break;
        }
    }
}

}  // namespace zorvan::ui
