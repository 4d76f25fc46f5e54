// The operator program's window on the simulated board's virtual clock or without a board, as the window
// tests start it.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <Qsci/qsciscintilla.h>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/text_file.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"

namespace zorvan::ui {

using Messages = std::vector<std::string>;

// The simulated board of this process, with its default settings and a clock that moves only as the
// program asks it, so that a run takes no real time.
inline std::optional<controller::ZorvanApiTable> SimulatedBoard(const std::string& settings_file = "") {
    auto board = controller::load_zorvan_api(ZORVAN_API_SO);
    void* handle = ::dlopen(ZORVAN_API_SO, RTLD_NOW | RTLD_NOLOAD);
    using LoadSettings = int (*)(const char*);
    using UseVirtualClock = void (*)(double);
    reinterpret_cast<LoadSettings>(::dlsym(handle, "ZorvanSimLoadSettings"))(settings_file.c_str());
    reinterpret_cast<UseVirtualClock>(::dlsym(handle, "ZorvanSimUseVirtualClock"))(0.001);
    return board;
}

inline std::array<std::int32_t, 4> BoardPosition(const controller::ZorvanApiTable& board) {
    std::array<std::int32_t, 4> p{};
    board.GetPosition(&p[0], &p[1], &p[2], &p[3]);
    return p;
}

class MainWindow : public ::testing::Test {
  protected:
    void WriteIni(const std::string& text) {
        ASSERT_FALSE(config::write_text_file_atomically(temp.path() / "ZorvanNC.Ini", text));
    }
    std::string WriteProgram(const std::string& name, const std::string& text) {
        const auto path = temp.path() / name;
        EXPECT_FALSE(config::write_text_file_atomically(path, text));
        return path.string();
    }
    void Start(bool with_board, const std::string& board_settings = "") {
        if (with_board) board = SimulatedBoard(board_settings);
        MainWindowOptions options;
        options.program_dir = temp.path();
        options.board = board;
        options.message_box = [this](const QString& m) { messages.push_back(m.toStdString()); };
        options.confirm = [this](const QString& question) {
            questions.push_back(question.toStdString());
            return answer_yes;
        };
        options.ask_unsaved = [this](const QString& question) {
            questions.push_back(question.toStdString());
            return unsaved_answer;
        };
        options.beep = [this] { ++beeps; };
        options.program = program_argument;
        options.guide = guide;
        window = std::make_unique<TfrmMain>(std::move(options));
        window->AnswerRunAnyway = [this](const QString& question) {
            travel_questions.push_back(question.toStdString());
            return run_anyway;
        };
        window->resize(1000, 760);
        window->show();
        QApplication::processEvents();
    }
    QPushButton* Button(const char* name) const { return qobject_cast<QPushButton*>(window->Child(name)); }
    QString Text(const char* label) const { return qobject_cast<QLabel*>(window->Child(label))->text(); }
    void TypeProgram(const std::string& text) { window->Editor()->setText(QString::fromStdString(text)); }
    void LoadProgram(const std::string& text) {
        window->OpenFile(QString::fromStdString(WriteProgram("p.ngc", text)));
    }
    // Selected text of the editor: what HighlightLine marked.
    std::string Marked() const { return window->Editor()->selectedText().toStdString(); }

    zorvan::testing::TempDir temp;
    std::optional<controller::ZorvanApiTable> board;
    std::unique_ptr<TfrmMain> window;
    Messages messages;
    Messages questions;  // the Yes/No questions, answered with answer_yes
    bool answer_yes = false;
    Messages travel_questions;  // GO's question about a program that leaves the table
    bool run_anyway = true;     // its answer
    UnsavedAnswer unsaved_answer = UnsavedAnswer::Cancel;  // to the question about a changed program
    int beeps = 0;
    QString program_argument;     // as if named on the command line
    std::filesystem::path guide;  // what Help > Contents opens
};

inline void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

}  // namespace zorvan::ui
