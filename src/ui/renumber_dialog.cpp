#include "ui/renumber_dialog.h"

#include <Qsci/qsciscintilla.h>

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdint>

#include "display/line_numbers.h"
#include "ui/editor_setup.h"

namespace zorvan::ui {
namespace {

// The editor is not repainted between the first and the last changed line, also when a change fails.
class SuspendedUpdates {
  public:
    explicit SuspendedUpdates(QWidget& widget) : widget_(widget), enabled_(widget.updatesEnabled()) {
        widget_.setUpdatesEnabled(false);
    }
    ~SuspendedUpdates() { widget_.setUpdatesEnabled(enabled_); }
    SuspendedUpdates(const SuspendedUpdates&) = delete;
    SuspendedUpdates& operator=(const SuspendedUpdates&) = delete;

  private:
    QWidget& widget_;
    bool enabled_;
};

}  // namespace

bool TDigitEdit::Accepts(int key, const QString& text) {
    // Keys that type no character (the arrows, Delete) edit as usual; Escape still closes the dialog.
    if (text.isEmpty() || key == Qt::Key_Delete || key == Qt::Key_Escape || key == Qt::Key_Backspace)
        return true;
    if (text.size() != 1) return false;
    const char16_t c = text.front().unicode();
    return (c >= u'0' && c <= u'9') || c == u'\b';
}

void TDigitEdit::keyPressEvent(QKeyEvent* event) {
    if (!Accepts(event->key(), event->text())) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

std::optional<std::string> ChangeEditorLines(
    QsciScintilla& editor,
    const std::function<std::optional<std::string>(std::vector<std::string>&)>& change) {
    const std::vector<std::string> before = EditorText(editor).ToVector();
    std::vector<std::string> lines = before;
    const std::optional<std::string> failure = change(lines);
    SuspendedUpdates suspended(editor);
    Send(editor, QsciScintillaBase::SCI_BEGINUNDOACTION);
    for (std::size_t i = 0; i < lines.size() && i < before.size(); ++i) {
        if (lines[i] == before[i]) continue;
        // The line's text is replaced and its line break kept, whichever kind it is.
        const long start = Send(editor, QsciScintillaBase::SCI_POSITIONFROMLINE, i);
        const long end = Send(editor, QsciScintillaBase::SCI_GETLINEENDPOSITION, i);
        Send(editor, QsciScintillaBase::SCI_SETTARGETRANGE, static_cast<unsigned long>(start), end);
        editor.SendScintilla(QsciScintillaBase::SCI_REPLACETARGET,
                             static_cast<std::uintptr_t>(lines[i].size()), lines[i].data());
    }
    Send(editor, QsciScintillaBase::SCI_ENDUNDOACTION);
    return failure;
}

TfrmReNumber::TfrmReNumber(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmReNumber"));
    setWindowTitle(QStringLiteral("ReNumber"));

    Label1 = new QLabel(QStringLiteral("Start At"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new TDigitEdit(QStringLiteral("100"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label2 = new QLabel(QStringLiteral("Increment"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit2 = new TDigitEdit(QStringLiteral("5"), this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    chkAdd = new QCheckBox(QStringLiteral("Add Space"), this);
    chkAdd->setObjectName(QStringLiteral("chkAdd"));
    chkAdd->setChecked(true);
    btnRemove = new QPushButton(QStringLiteral("Remove"), this);
    btnRemove->setObjectName(QStringLiteral("btnRemove"));
    btnAdd = new QPushButton(QStringLiteral("Add"), this);
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnReNumber = new QPushButton(QStringLiteral("ReNumber"), this);
    btnReNumber->setObjectName(QStringLiteral("btnReNumber"));
    btnCancel = new QPushButton(QStringLiteral("Close"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    // No button answers Enter: a number typed and confirmed should not change the program by itself.
    for (QPushButton* b : {btnRemove, btnAdd, btnReNumber, btnCancel})
        b->setAutoDefault(false);
    connect(btnRemove, &QPushButton::clicked, this, [this] { btnRemoveClick(); });
    connect(btnAdd, &QPushButton::clicked, this, [this] { btnAddClick(); });
    connect(btnReNumber, &QPushButton::clicked, this, [this] { btnReNumberClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });

    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(Edit1, 0, 1);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(Edit2, 1, 1);
    fields->addWidget(chkAdd, 2, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {btnRemove, btnAdd, btnReNumber, btnCancel})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmReNumber::Apply(const std::function<std::optional<std::string>(std::vector<std::string>&)>& change) {
    if (Editor == nullptr) return;
    const auto failure = ChangeEditorLines(*Editor, change);
    if (failure && OnError) OnError(QString::fromStdString(*failure));
}

void TfrmReNumber::btnRemoveClick() {
    Apply([](std::vector<std::string>& lines) -> std::optional<std::string> {
        display::RemoveLineNumbers(lines);
        return std::nullopt;
    });
}

void TfrmReNumber::btnAddClick() {
    const display::LineNumbering numbering{Edit1->text().toStdString(), Edit2->text().toStdString(),
                                           chkAdd->isChecked()};
    Apply(
        [&numbering](std::vector<std::string>& lines) { return display::AddLineNumbers(lines, numbering); });
}

void TfrmReNumber::btnReNumberClick() {
    const display::LineNumbering numbering{Edit1->text().toStdString(), Edit2->text().toStdString(),
                                           chkAdd->isChecked()};
    Apply([&numbering](std::vector<std::string>& lines) { return display::ReNumberLines(lines, numbering); });
}

}  // namespace zorvan::ui
