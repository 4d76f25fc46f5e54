// The program's file: opened from the command line, never given up unsaved without a question; Help's
// guide handed to the desktop; the About box from the "Feed Rate" label.
#include <gtest/gtest.h>

#include <Qsci/qsciscintilla.h>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ui/about_dialog.h"
#include "ui/main_window_fixture.h"

namespace zorvan::ui {
namespace {

std::string EditorText(TfrmMain& window) {
    return window.Editor()->text().toStdString();
}

TEST_F(MainWindow, AProgramNamedOnTheCommandLineIsOpenedAndPreviewed) {
    WriteIni("[SCREEN]\nAutoRedraw=1\n[MACHINE]\nMINX=0\nMAXX=200\nMINY=0\nMAXY=150\n");
    const std::string program = "G0 X10 Y10\nG1 X60 F500\nG1 Y40\nM2\n";
    program_argument = QString::fromStdString(WriteProgram("part.ngc", program));
    Start(false);
    messages.clear();
    QApplication::processEvents();
    EXPECT_EQ(EditorText(*window), program);
    EXPECT_FALSE(window->Editor()->isModified());
    EXPECT_EQ(window->Interpreter().program_name(), (temp.path() / "part.ngc").string());
    EXPECT_NE(window->StatusPanelText(3).indexOf("part.ngc"), -1);
    EXPECT_EQ(window->StatusPanelText(2), "4");
    // The automatic preview fitted the view to the path it drew.
    EXPECT_DOUBLE_EQ(window->ViewBoxValue()[1], 60.0);
    EXPECT_DOUBLE_EQ(window->ViewBoxValue()[3], 40.0);
    EXPECT_TRUE(messages.empty()) << messages.front();
}

// A name that is no readable file is said in a message; the window starts empty.
TEST_F(MainWindow, AMissingOrUnreadableProgramOnTheCommandLineIsAMessage) {
    std::filesystem::create_directories(temp.path() / "folder.ngc");
    for (const char* name : {"missing.ngc", "folder.ngc"}) {
        SCOPED_TRACE(name);
        const auto path = temp.path() / name;
        program_argument = QString::fromStdString(path.string());
        Start(false);
        QApplication::processEvents();
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back(), "Cannot open file \"" + path.string() + "\".");
        EXPECT_EQ(EditorText(*window), "");
        EXPECT_EQ(window->Interpreter().program_name(), "");
        messages.clear();
    }
}

// Picks `files` in the file dialogs as they come up, one after another, until it is destroyed.
class FileDialogAnswers {
  public:
    explicit FileDialogAnswers(std::vector<QString> files) : files_(std::move(files)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || next_ >= files_.size()) return;
            dialog->selectFile(files_[next_++]);
            static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own takes the selected file
        });
        timer_.start(1);
    }
    std::size_t answered() const { return next_; }

  private:
    std::vector<QString> files_;
    std::size_t next_ = 0;
    QTimer timer_;
};

struct UnsavedCase {
    const char* name;
    UnsavedAnswer answer;
    bool went_on;
};

// New, Open and closing the window ask about a changed program: Cancel keeps it, Discard gives it up,
// Save saves it with Save As before going on. An unchanged program is replaced without a question.
TEST_F(MainWindow, AChangedProgramIsNeverGivenUpWithoutAQuestion) {
    const QString other = QString::fromStdString(WriteProgram("other.ngc", "G0 Y1\n"));
    const std::string changed = "G0 X5\n";
    struct Command {
        const char* name;
        std::function<bool(TfrmMain&)> run;  // true when the window went on
    };
    const std::vector<Command> commands = {
        {"new", [](TfrmMain& w) { return (w.New1Click(), w.Editor()->text().isEmpty()); }},
        {"open", [](TfrmMain& w) { return (w.Open1Click(), w.Editor()->text() == "G0 Y1\n"); }},
        {"close", [](TfrmMain& w) { return w.close(); }},
    };
    const std::vector<UnsavedCase> answers = {
        {"cancel", UnsavedAnswer::Cancel, false},
        {"discard", UnsavedAnswer::Discard, true},
        {"save", UnsavedAnswer::Save, true},
    };
    int saved = 0;
    for (const Command& command : commands) {
        for (const UnsavedCase& c : answers) {
            SCOPED_TRACE(std::string(command.name) + ", " + c.name);
            Start(false);
            LoadProgram("G0 X1\n");
            TypeProgram(changed);
            questions.clear();
            unsaved_answer = c.answer;
            const QString save_as =
                QString::fromStdString((temp.path() / ("saved" + std::to_string(++saved) + ".ngc")).string());
            std::vector<QString> files;
            if (c.answer == UnsavedAnswer::Save) files.push_back(save_as);
            files.push_back(other);
            const FileDialogAnswers dialogs(files);
            EXPECT_EQ(command.run(*window), c.went_on);
            EXPECT_EQ(questions.size(), 1u);
            if (!c.went_on) {
                EXPECT_EQ(EditorText(*window), changed);
            }
            if (c.answer == UnsavedAnswer::Save) {
                EXPECT_EQ(config::read_text_file(save_as.toStdString()).value_or("(not saved)"), changed);
            }
            // Replaced or saved now: the next command asks nothing.
            if (c.went_on && std::string(command.name) != "close") {
                questions.clear();
                window->New1Click();
                EXPECT_TRUE(questions.empty());
            }
        }
    }
}

// Save As is no way out of the question when its dialog is cancelled.
TEST_F(MainWindow, SaveCancelledInItsDialogKeepsTheProgram) {
    Start(false);
    TypeProgram("G0 X5\n");
    unsaved_answer = UnsavedAnswer::Save;
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    });
    EXPECT_FALSE(window->close());
    EXPECT_EQ(EditorText(*window), "G0 X5\n");
    EXPECT_TRUE(window->Editor()->isModified());
}

// Stands in for the desktop's handler of file addresses.
class UrlRecorder : public QObject {
    Q_OBJECT

  public:
    std::vector<QUrl> urls;

  public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

TEST_F(MainWindow, HelpContentsHandsTheGuideToTheDesktop) {
    UrlRecorder desktop;
    QDesktopServices::setUrlHandler("file", &desktop, "open");
    guide = temp.path() / "guide" / "index.html";
    std::filesystem::create_directories(guide.parent_path());
    WriteProgram("guide/index.html", "<html></html>\n");
    Start(false);
    messages.clear();
    window->HelpContents1Click();
    EXPECT_EQ(desktop.urls, std::vector<QUrl>{QUrl::fromLocalFile(QString::fromStdString(guide.string()))});
    EXPECT_TRUE(messages.empty());

    std::filesystem::remove(guide);
    window->HelpContents1Click();
    EXPECT_EQ(desktop.urls.size(), 1u);
    EXPECT_EQ(messages, Messages{"The user's guide was not found: " + guide.string() + "."});
    QDesktopServices::unsetUrlHandler("file");
}

// Every picture and page the guide refers to is there, and the pictures stay small.
TEST(UserGuide, ItsPicturesAndLinksAreThere) {
    const std::filesystem::path folder = std::filesystem::path(ZORVAN_SOURCE_DIR) / "docs" / "guide";
    const auto html = config::read_text_file(folder / "index.html");
    ASSERT_TRUE(html);
    const QRegularExpression reference(R"re((?:src|href)="([^"#:]+)")re");
    int pictures = 0;
    for (const auto& match : reference.globalMatch(QString::fromStdString(*html))) {
        const std::string target = match.captured(1).toStdString();
        EXPECT_TRUE(std::filesystem::is_regular_file(folder / target)) << target;
        if (target.ends_with(".png")) ++pictures;
    }
    EXPECT_GE(pictures, 3);
    std::uintmax_t bytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "images"))
        bytes += entry.file_size();
    EXPECT_LT(bytes, 600u * 1024u);
}

TEST_F(MainWindow, TheFeedRateLabelOpensTheAboutBox) {
    Start(false);
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<TfrmAbout*>(QApplication::activeModalWidget());
        if (about == nullptr) return;
        shown = about->lblDemo->text();
        QTest::mouseClick(about->cmdOk, Qt::LeftButton);
    });
    QTest::mouseClick(window->Child("Label3"), Qt::LeftButton);
    EXPECT_EQ(shown, "Controller not detected.");
}

}  // namespace
}  // namespace zorvan::ui

#include "file_commands_test.moc"
