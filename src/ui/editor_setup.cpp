#include "ui/editor_setup.h"

#include <Qsci/qsciscintilla.h>

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QScreen>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "ui/gcode_lexer.h"

namespace zorvan::ui {
namespace {

constexpr int EDITOR_PIXEL_SIZE = 17;

bool IsBlank(long c) {
    return c == ' ' || c == '\t';
}

// Called after a line break was typed: the line the caret came from loses its trailing blanks. The
// auto-indent handler has already read that line's indentation by then.
void TrimLineAboveCaret(QsciScintilla& editor) {
    const long caret_line = Send(editor, QsciScintillaBase::SCI_LINEFROMPOSITION,
                                 Send(editor, QsciScintillaBase::SCI_GETCURRENTPOS));
    if (caret_line == 0) return;
    const long line = caret_line - 1;
    const long line_start = Send(editor, QsciScintillaBase::SCI_POSITIONFROMLINE, line);
    const long line_end = Send(editor, QsciScintillaBase::SCI_GETLINEENDPOSITION, line);
    long blanks_start = line_end;
    while (blanks_start > line_start &&
           IsBlank(Send(editor, QsciScintillaBase::SCI_GETCHARAT, blanks_start - 1)))
        --blanks_start;
    if (blanks_start < line_end)
        Send(editor, QsciScintillaBase::SCI_DELETERANGE, blanks_start, line_end - blanks_start);
}

// Room for one digit more than the line count has, so the numbers never touch the text.
void FitLineNumberMargin(QsciScintilla& editor) {
    const int digits = static_cast<int>(QString::number(std::max(1, editor.lines())).size());
    editor.setMarginWidth(0, QString(digits + 1, QLatin1Char('9')));
}

}  // namespace

QFont PointSizedFont(QFont font, const QPaintDevice* device) {
    if (font.pointSizeF() > 0 || font.pixelSize() <= 0) return font;
    qreal dpi = 96;
    if (device != nullptr) {
        dpi = device->logicalDpiY();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        dpi = screen->logicalDotsPerInchY();
    }
    font.setPointSizeF(font.pixelSize() * 72.0 / dpi);
    return font;
}

void SetEditorFont(QsciScintilla& editor, const QFont& font) {
    // QsciScintilla::setFont is ignored while a lexer is attached; the widget font is what a lexer
    // attached later adopts, and an attached one is told directly.
    editor.setFont(font);
    editor.QWidget::setFont(font);
    if (auto* lexer = qobject_cast<GCodeLexer*>(editor.lexer())) lexer->SetBaseFont(font);
    editor.setMarginsFont(font);
    FitLineNumberMargin(editor);
}

void SetUpEditor(QsciScintilla& editor) {
    const QString preferred = QStringLiteral("Courier New");
    QFont font = QFontDatabase::hasFamily(preferred) ? QFont(preferred)
                                                     : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(EDITOR_PIXEL_SIZE);
    SetEditorFont(editor, PointSizedFont(font, &editor));

    editor.setUtf8(true);
    editor.setAutoIndent(true);
    editor.setIndentationsUseTabs(false);
    editor.setEdgeMode(QsciScintilla::EdgeNone);
    editor.setWrapMode(QsciScintilla::WrapNone);
    editor.setCaretLineVisible(true);

    editor.setMarginType(0, QsciScintilla::NumberMargin);
    editor.setMarginLineNumbers(0, true);
    FitLineNumberMargin(editor);
    QObject::connect(&editor, &QsciScintilla::linesChanged, &editor,
                     [&editor] { FitLineNumberMargin(editor); });
    QObject::connect(&editor, &QsciScintillaBase::SCN_CHARADDED, &editor, [&editor](int ch) {
        if (ch == '\n' || ch == '\r') TrimLineAboveCaret(editor);
    });
}

machine::ProgramText EditorText(QsciScintilla& editor) {
    machine::ProgramText lines;
    const long length = Send(editor, QsciScintillaBase::SCI_GETLENGTH);
    const auto* bytes =
        static_cast<const char*>(editor.SendScintillaPtrResult(QsciScintillaBase::SCI_GETCHARACTERPOINTER));
    if (length <= 0 || bytes == nullptr) return lines;
    lines.reserve(static_cast<std::size_t>(ProgramLineCount(editor)), static_cast<std::size_t>(length));
    // Scintilla's own line breaks: LF, CR LF and a lone CR.
    const std::string_view text(bytes, static_cast<std::size_t>(length));
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(begin));
            break;
        }
        lines.push_back(text.substr(begin, end - begin));
        const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        begin = end + (crlf ? 2 : 1);
    }
    return lines;
}

int ProgramLineCount(QsciScintilla& editor) {
    const long length = Send(editor, QsciScintillaBase::SCI_GETLENGTH);
    if (length <= 0) return 0;
    const long last = Send(editor, QsciScintillaBase::SCI_GETCHARAT, static_cast<unsigned long>(length - 1));
    return editor.lines() - (last == '\n' || last == '\r' ? 1 : 0);
}

bool LoadEditorText(QsciScintilla& editor, const std::string& bytes) {
    const bool read_only = editor.isReadOnly();
    editor.setReadOnly(false);
    // Not collecting undo steps keeps a second copy of a large file out of memory.
    Send(editor, QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0);
    Send(editor, QsciScintillaBase::SCI_CLEARALL);
    // Appending takes a length, so NUL bytes in the file survive.
    editor.SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, static_cast<std::uintptr_t>(bytes.size()),
                         bytes.data());
    Send(editor, QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
    Send(editor, QsciScintillaBase::SCI_SETUNDOCOLLECTION, 1);
    Send(editor, QsciScintillaBase::SCI_SETSAVEPOINT);
    Send(editor, QsciScintillaBase::SCI_GOTOPOS, 0);
    editor.setReadOnly(read_only);
    return Send(editor, QsciScintillaBase::SCI_GETLENGTH) == static_cast<long>(bytes.size());
}

void HighlightLine(QsciScintilla& editor, int n) {
    if (n < 0) return;
    if (n == 0) {
        Send(editor, QsciScintillaBase::SCI_GOTOPOS, 0);
        Send(editor, QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, 0);
        return;
    }
    if (n >= ProgramLineCount(editor)) return;
    const long from = Send(editor, QsciScintillaBase::SCI_POSITIONFROMLINE, n - 1);
    const long to = Send(editor, QsciScintillaBase::SCI_POSITIONFROMLINE, n);
    // The caret ends at the selection's end and is scrolled into view; then the line before the marked
    // one goes to the top, so the operator sees where the run came from.
    Send(editor, QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(from), to);
    Send(editor, QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(std::max(n - 2, 0)));
}

int CaretLine(QsciScintilla& editor) {
    const long position = Send(editor, QsciScintillaBase::SCI_GETCURRENTPOS);
    return static_cast<int>(Send(editor, QsciScintillaBase::SCI_LINEFROMPOSITION, position)) + 1;
}

}  // namespace zorvan::ui
