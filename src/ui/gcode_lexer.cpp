#include "ui/gcode_lexer.h"

#include <Qsci/qsciscintilla.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "display/picture.h"
#include "ui/editor_setup.h"

namespace zorvan::ui {
namespace {

using display::GCodeTokenKind;

constexpr int STYLE_COUNT = 10;
constexpr std::size_t STYLE_BLOCK = 1 << 16;

char StyleByte(GCodeTokenKind kind) {
    return static_cast<char>(GCodeLexer::StyleOf(kind));
}

// The attributes keep colours with red in the low byte, as the picture's colours do.
QColor ToQColor(std::int32_t colour) {
    return QColor(display::PixelOfColour(colour));
}

// The length of the line starting at `begin`, its line break ("\n", "\r\n" or a lone "\r", as Scintilla
// counts them) included.
std::size_t LineLength(std::string_view text, std::size_t begin) {
    for (std::size_t i = begin; i < text.size(); ++i) {
        if (text[i] == '\n') return i + 1 - begin;
        if (text[i] == '\r') return (i + 1 < text.size() && text[i + 1] == '\n' ? i + 2 : i + 1) - begin;
    }
    return text.size() - begin;
}

}  // namespace

GCodeLexer::GCodeLexer(QObject* parent) : QsciLexerCustom(parent) {}

const char* GCodeLexer::language() const {
    return display::TSynGCodeSyn::LanguageName.data();
}

QString GCodeLexer::description(int style) const {
    if (style == StyleOf(GCodeTokenKind::Null)) return QStringLiteral("Null");
    if (style == StyleOf(GCodeTokenKind::Unknown)) return QStringLiteral("Unknown");
    const display::TokenAttribute* attribute = AttributeOfStyle(style);
    if (attribute == nullptr) return {};
    return QString::fromUtf8(attribute->Name.data(), static_cast<qsizetype>(attribute->Name.size()));
}

const display::TokenAttribute* GCodeLexer::AttributeOfStyle(int style) const {
    if (style < 0 || style >= STYLE_COUNT) return nullptr;
    return syntax_.AttributeOf(static_cast<GCodeTokenKind>(style));
}

QColor GCodeLexer::defaultColor(int style) const {
    const display::TokenAttribute* attribute = AttributeOfStyle(style);
    if (attribute == nullptr || attribute->Foreground == display::EDITOR_DEFAULT_COLOUR)
        return defaultColor();
    return ToQColor(attribute->Foreground);
}

QColor GCodeLexer::defaultPaper(int style) const {
    const display::TokenAttribute* attribute = AttributeOfStyle(style);
    if (attribute == nullptr || attribute->Background == display::EDITOR_DEFAULT_COLOUR)
        return defaultPaper();
    return ToQColor(attribute->Background);
}

QFont GCodeLexer::defaultFont(int style) const {
    QFont font = defaultFont();
    if (const display::TokenAttribute* attribute = AttributeOfStyle(style)) {
        font.setBold(attribute->Bold);
        font.setItalic(attribute->Italic);
    }
    return font;
}

void GCodeLexer::SetBaseFont(const QFont& font) {
    setDefaultFont(PointSizedFont(font, editor()));
    ApplyAttributes();
}

// QsciLexer caches each style's look at first use; setting them again reaches an attached editor through
// the change signals.
void GCodeLexer::ApplyAttributes() {
    for (int style = 0; style < STYLE_COUNT; ++style) {
        setColor(defaultColor(style), style);
        setPaper(defaultPaper(style), style);
        setFont(defaultFont(style), style);
    }
}

void GCodeLexer::setEditor(QsciScintilla* editor) {
    QsciLexerCustom::setEditor(editor);
    // QsciScintilla applies the styles right after this, so the editor's face is in place for them.
    if (editor != nullptr) SetBaseFont(editor->font());
}

void GCodeLexer::styleText(int start, int end) {
    QsciScintilla* ed = editor();
    if (ed == nullptr || end <= start) return;
    const long line_count = Send(*ed, QsciScintillaBase::SCI_GETLINECOUNT);
    const long first_line = Send(*ed, QsciScintillaBase::SCI_LINEFROMPOSITION, start);
    const long last_line = Send(*ed, QsciScintillaBase::SCI_LINEFROMPOSITION, end - 1);
    const long begin = Send(*ed, QsciScintillaBase::SCI_POSITIONFROMLINE, first_line);
    const long stop = last_line + 1 < line_count
                          ? Send(*ed, QsciScintillaBase::SCI_POSITIONFROMLINE, last_line + 1)
                          : Send(*ed, QsciScintillaBase::SCI_GETLENGTH);
    if (stop <= begin) return;
    // A range pointer moves the gap only when the gap lies inside the range, unlike the whole-document
    // pointer; styling does not touch the text, so the pointer stays valid meanwhile.
    const auto* bytes = reinterpret_cast<const char*>(
        Send(*ed, QsciScintillaBase::SCI_GETRANGEPOINTER, static_cast<unsigned long>(begin), stop - begin));
    if (bytes == nullptr) return;
    const std::string_view text(bytes, static_cast<std::size_t>(stop - begin));

    // Styles are collected per byte and handed over in blocks: a message per token made a jump far into a
    // large file, which styles everything before it, several times slower.
    startStyling(static_cast<int>(begin));
    styles_.clear();
    std::size_t line_begin = 0;
    int line_number = static_cast<int>(first_line);
    while (line_begin < text.size()) {
        const std::string_view line = text.substr(line_begin, LineLength(text, line_begin));
        const std::size_t line_styles = styles_.size();
        syntax_.SetLine(line, line_number);
        for (syntax_.Next(); !syntax_.GetEol(); syntax_.Next())
            styles_.append(syntax_.GetToken().size(), StyleByte(syntax_.GetTokenKind()));
        // A NUL byte ends the tokenizer's line early; what follows it still needs a style.
        styles_.resize(line_styles + line.size(), StyleByte(GCodeTokenKind::Space));
        line_begin += line.size();
        ++line_number;
        if (styles_.size() >= STYLE_BLOCK) FlushStyles(*ed);
    }
    FlushStyles(*ed);
}

void GCodeLexer::FlushStyles(QsciScintilla& editor) {
    if (styles_.empty()) return;
    editor.SendScintilla(QsciScintillaBase::SCI_SETSTYLINGEX, static_cast<std::uintptr_t>(styles_.size()),
                         styles_.data());
    styles_.clear();
}

}  // namespace zorvan::ui
