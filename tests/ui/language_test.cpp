// The language file applied to the operator program: every window's texts, the message tables, the refusal
// of a section of the wrong size, the switch through the setup dialog, and the shipped translation.
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include <string>

#include "config/language_file.h"
#include "ui/colors_dialog.h"
#include "ui/coordinates_dialog.h"
#include "ui/main_window_fixture.h"
#include "ui/parameters_dialog.h"

namespace zorvan::ui {
namespace {

// "T<n>" at position n; position 2 holds an "=" of its own.
std::string TestSection(const std::string& name, std::size_t count) {
    std::string text = "[" + name + "]\n";
    for (std::size_t n = 0; n < count; ++n)
        text += "k" + std::to_string(n) + (n == 2 ? "=a=b\n" : "=T" + std::to_string(n) + "\n");
    return text;
}

QString T(int position) {
    return QStringLiteral("T%1").arg(position);
}

class LanguageFile : public MainWindow {
  protected:
    void WriteLanguage(const std::string& text) {
        ASSERT_FALSE(config::write_text_file_atomically(temp.path() / "Language.cfg", text));
    }
    // The texts of the menu bar's menus, left to right.
    QStringList MenuTitles() const {
        QStringList titles;
        for (QAction* action : window->menuBar()->actions())
            titles << action->text();
        return titles;
    }
    QString MenuItem(int menu, int item) const {
        QList<QAction*> items;
        for (QAction* action : window->menuBar()->actions()[menu]->menu()->actions()) {
            if (!action->isSeparator()) items << action;
        }
        return items[item]->text();
    }
    QString Caption(const char* name) const {
        QWidget* w = window->Child(name);
        if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
        return qobject_cast<QLabel*>(w)->text();
    }
};

TEST_F(LanguageFile, EveryWindowAndTableTakesTheTextsByPosition) {
    WriteIni("[LANGUAGE]\nLanguage=Test\n[TRAJ]\nAXES=3\n");
    WriteLanguage("[Other]\nx=y\n" + TestSection("Test", 135));
    Start(false);
    EXPECT_EQ(messages, Messages{"Controller not detected..."});  // before the texts are applied

    EXPECT_EQ(MenuTitles(), (QStringList{T(35), T(46), T(49), T(59), T(65), T(39), T(69)}));
    EXPECT_EQ(MenuItem(0, 0), T(36));
    EXPECT_EQ(MenuItem(0, 2), T(38));
    EXPECT_EQ(MenuItem(1, 1), T(48));
    EXPECT_EQ(MenuItem(2, 8), T(58));
    EXPECT_EQ(MenuItem(3, 4), T(64));
    EXPECT_EQ(MenuItem(4, 3), T(68));
    EXPECT_EQ(MenuItem(5, 0), T(40));
    EXPECT_EQ(MenuItem(6, 1), T(71));

    const struct {
        const char* name;
        int position;
    } controls[] = {{"btnHome", 80},      {"btnStop", 82},        {"btnPause", 83},     {"btnClear", 84},
                    {"SpeedButton1", 85}, {"Button4", 88},        {"SpeedButton4", 90}, {"btnAll", 91},
                    {"Button1", 92},      {"lblToolCaption", 93}, {"Label3", 95},       {"btnAux1", 76},
                    {"btnAux4", 79}};
    for (const auto& c : controls)
        EXPECT_EQ(Caption(c.name), T(c.position)) << c.name;
    EXPECT_EQ(Caption("btnGo"), T(81) + " [0]");

    EXPECT_EQ(window->Msg[2], "a=b");  // everything after the first "="
    EXPECT_EQ(window->Msg[15], T(15));
    EXPECT_EQ(window->Msg[16], "Invalid Language File.");
    EXPECT_EQ(window->Msg[17], T(72));
    EXPECT_EQ(window->Msg[24], T(79));
    EXPECT_EQ(window->Msg[25].toStdString(), machine::NOT_RESPONDING);
    EXPECT_EQ(window->Controller().StatusMessages()[machine::MsgProbeSwitchHit], "T21");
    EXPECT_EQ(window->Controller().StatusMessages()[machine::MsgControllerInEStop], "T28");
    EXPECT_EQ(window->Canon().StartupTexts[machine::TextInitializing], "T29");
    EXPECT_EQ(window->Canon().StartupTexts[machine::TextAccelerationRefused], "T34");

    TfrmColors* options = window->ColorsDialog();
    EXPECT_EQ(options->windowTitle(), T(104));
    EXPECT_EQ(options->GroupBox1->title(), T(105));
    EXPECT_EQ(options->Labels[4]->text(), T(110));
    EXPECT_EQ(options->Button2->text(), T(111));
    EXPECT_EQ(options->Button1->text(), T(112));
    TfrmCoord* coordinates = window->CoordinatesDialog();
    EXPECT_EQ(coordinates->windowTitle(), T(113));
    EXPECT_EQ(coordinates->Label1->text(), T(114));
    EXPECT_EQ(coordinates->lblA->text(), T(117));
    EXPECT_EQ(coordinates->Button2->text(), T(119));
    if (auto* renumber = window->findChild<QDialog*>("frmReNumber")) {
        EXPECT_EQ(renumber->windowTitle(), T(120));
        EXPECT_EQ(renumber->findChild<QLabel*>("Label2")->text(), T(122));
        EXPECT_EQ(renumber->findChild<QAbstractButton*>("btnCancel")->text(), T(127));
    }
    const QList<QAction*> editor_menu = window->findChild<QMenu*>("PopupMenu1")->actions();
    EXPECT_EQ(editor_menu.front()->text(), T(128));
    EXPECT_EQ(editor_menu.back()->text(), T(134));
    // The machine setup dialog keeps its own texts.
    EXPECT_EQ(window->ParametersDialog()->windowTitle(), "Machine Configuration");

    // The texts are the ones the program shows from then on.
    messages.clear();
    window->btnAllClick();
    EXPECT_EQ(messages, Messages{"a=b"});
    window->mnuEditModeClick();
    EXPECT_EQ(window->StatusPanelText(1), T(12));
    EXPECT_EQ(window->findChild<QGroupBox*>("gbControlCenter")->title(), T(12));
    window->SetOutputButton(machine::OutputButton::Mist, 17, true);
    EXPECT_EQ(Caption("btnAux1"), T(72));
}

struct RefusalCase {
    std::string file;
    Messages shown;  // after "Controller not detected..."
};

// A section of the wrong size, a missing section or a missing file: the built-in texts, and only the first
// is said.
TEST_F(LanguageFile, WithoutAValidSectionTheBuiltInTextsStay) {
    const std::vector<RefusalCase> cases = {
        {TestSection("Test", 134), {"Invalid Language File."}},
        {TestSection("Test", 136), {"Invalid Language File."}},
        {TestSection("Other", 135), {}},
        {"", {}},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.file.size());
        std::filesystem::remove(temp.path() / "Language.cfg");
        if (!c.file.empty()) WriteLanguage(c.file);
        WriteIni("[LANGUAGE]\nLanguage=Test\n");
        messages.clear();
        window.reset();
        Start(false);
        Messages expected{"Controller not detected..."};
        expected.insert(expected.end(), c.shown.begin(), c.shown.end());
        EXPECT_EQ(messages, expected);
        EXPECT_EQ(MenuTitles().front(), "&File");
        EXPECT_EQ(Caption("btnGo"), "&GO [0]");
        EXPECT_EQ(window->Msg[2], "No file loaded.");
        EXPECT_EQ(window->Controller().StatusMessages()[machine::MsgProbeSwitchHit],
                  "Probe (Home) Switch Hit...");
        EXPECT_EQ(window->ColorsDialog()->windowTitle(), "Options");
    }
}

// The language chosen in the setup dialog takes effect with the save, and the way back leaves nothing of
// the language before.
TEST_F(LanguageFile, TheSetupDialogSwitchesTheLanguageBackAndForth) {
    WriteIni("[MACHINE]\nName=Bench\n[TRAJ]\nAXES=3\n");
    WriteLanguage(TestSection("Test", 135));
    Start(false);
    for (const QString& language : {QStringLiteral("Test"), QStringLiteral("English")}) {
        SCOPED_TRACE(language.toStdString());
        window->SetupMachine1Click();
        TfrmParameters* dialog = window->ParametersDialog();
        ASSERT_GE(dialog->cmbLanguage->findText(language), 0);
        dialog->cmbLanguage->setCurrentText(language);
        ASSERT_TRUE(dialog->btnSaveClick());
        const bool test = language == "Test";
        EXPECT_EQ(window->Settings().Language, language.toStdString());
        EXPECT_EQ(MenuTitles().front(), test ? T(35) : "&File");
        EXPECT_EQ(Caption("btnGo"), test ? T(81) + " [0]" : "&GO [0]");
        EXPECT_EQ(Caption("btnAux2"), test ? T(77) : "Flood Off");
        EXPECT_EQ(window->Msg[2], test ? "a=b" : "No file loaded.");
        EXPECT_EQ(window->Msg[17], test ? T(72) : "");
        EXPECT_EQ(window->CoordinatesDialog()->windowTitle(), test ? T(113) : "Coordinates");
    }
}

// The translation shipped with the sample machine: both sections complete, every text of the second
// language its own, and the window in that language when the configuration names it.
TEST_F(LanguageFile, TheShippedTranslationIsCompleteAndSwitchesTheWindow) {
    const std::filesystem::path examples =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "examples";
    std::filesystem::copy_file(examples / "Language.cfg", temp.path() / "Language.cfg");
    const auto english = config::read_language_file(temp.path(), "English");
    const auto german = config::read_language_file(temp.path(), "Deutsch");
    ASSERT_EQ(english.outcome, config::LanguageOutcome::Applied);
    ASSERT_EQ(german.outcome, config::LanguageOutcome::Applied);
    for (const config::LanguageTarget& target : config::language_targets()) {
        if (!target.builtin.empty() && target.kind != config::LanguageTargetKind::MainControl) {
            EXPECT_EQ(english.texts[target.position], target.builtin) << target.position;
        }
    }
    for (std::size_t position = 0; position < config::LANGUAGE_ENTRY_COUNT; ++position) {
        if (position >= 41 && position <= 45) continue;  // no target
        EXPECT_NE(german.texts[position], english.texts[position]) << position;
    }

    WriteIni("[LANGUAGE]\nLanguage=Deutsch\n[TRAJ]\nAXES=3\n");
    Start(true);
    EXPECT_EQ(window->StatusPanelText(1), "Steuerung im Not-Halt.");  // shown before the texts came
    EXPECT_EQ(window->findChild<QGroupBox*>("gbControlCenter")->title(), "Steuermodus");
    EXPECT_EQ(MenuTitles().front(), "&Datei");
    EXPECT_EQ(Caption("btnGo"), "&LOS [0]");
    EXPECT_EQ(Caption("btnAux1"), "Nebel Aus");
    EXPECT_EQ(window->Msg[5], "Steuerung im Not-Halt.");
    EXPECT_EQ(window->ColorsDialog()->windowTitle(), "Optionen");
}

}  // namespace
}  // namespace zorvan::ui
