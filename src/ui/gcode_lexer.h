// The editor's G-code colouring: a QScintilla container lexer that runs each line through the display
// layer's tokenizer and gives every token the style of its kind.
#pragma once

#include <Qsci/qscilexercustom.h>

#include <QColor>
#include <QFont>
#include <QString>

#include <string>

#include "display/gcode_tokenizer.h"

namespace zorvan::ui {

class GCodeLexer : public QsciLexerCustom {
    Q_OBJECT

  public:
    explicit GCodeLexer(QObject* parent = nullptr);

    // The style numbers are the token kinds' values.
    static constexpr int StyleOf(display::GCodeTokenKind kind) { return static_cast<int>(kind); }

    const char* language() const override;
    QString description(int style) const override;
    QColor defaultColor(int style) const override;
    QColor defaultPaper(int style) const override;
    QFont defaultFont(int style) const override;
    using QsciLexer::defaultColor;
    using QsciLexer::defaultFont;
    using QsciLexer::defaultPaper;

    // Styles whole lines covering [start, end), token by token, from the document's bytes.
    void styleText(int start, int end) override;
    // Attaching adopts the editor's font as the face of every style.
    void setEditor(QsciScintilla* editor) override;

    // Every style gets this font, made bold or italic as its attribute says.
    void SetBaseFont(const QFont& font);
    // The attributes may be changed through here; ApplyAttributes then passes them on to the styles.
    display::TSynGCodeSyn& Syntax() { return syntax_; }
    void ApplyAttributes();

  private:
    const display::TokenAttribute* AttributeOfStyle(int style) const;
    void FlushStyles(QsciScintilla& editor);

    display::TSynGCodeSyn syntax_;
    std::string styles_;  // one style byte per text byte, not yet handed to the editor
};

}  // namespace zorvan::ui
