// The program editor's set-up and the byte-level access run control needs: its lines, a fast load, the
// marking of the line being run and the caret's line.
#pragma once

#include <Qsci/qsciscintilla.h>

#include <QFont>

#include <string>
#include <vector>

#include "machine/program_text.h"

class QPaintDevice;

namespace zorvan::ui {

// A Scintilla message to the editor, with the editor's own numbers.
inline long Send(QsciScintilla& editor, unsigned int message, unsigned long w_param = 0, long l_param = 0) {
    return editor.SendScintilla(message, w_param, l_param);
}

// Face, indentation, margins and the trimming of trailing blanks; meant to be called once per editor.
void SetUpEditor(QsciScintilla& editor);

// The text's face everywhere: with and without the syntax colouring, and in the line numbers. Expects a
// point-sized font (PointSizedFont).
void SetEditorFont(QsciScintilla& editor, const QFont& font);

// The program's lines as bytes, line breaks ("\n", "\r\n", lone "\r") removed. A line break ends a line
// rather than starting one: "G1\nG2\n" is two lines, and an empty text none.
machine::ProgramText EditorText(QsciScintilla& editor);
// How many lines EditorText gives, without taking them: the editor's count less the empty line that
// Scintilla shows after a final line break.
int ProgramLineCount(QsciScintilla& editor);

// Replaces the whole text and forgets the undo history and the modified state. False when the editor
// did not take all of the bytes.
bool LoadEditorText(QsciScintilla& editor, const std::string& bytes);

// Line n (1-based) is selected with its line break and the line before it shown at the top, when n is
// not the program's last line.
// n = 0 goes back to the top with nothing selected; anything else is ignored.
void HighlightLine(QsciScintilla& editor, int n);

// The caret's line, 1-based.
int CaretLine(QsciScintilla& editor);

// QScintilla reads only point sizes: a pixel-sized font gets the point size that gives its pixel size on
// `device` (the primary screen when there is none).
QFont PointSizedFont(QFont font, const QPaintDevice* device);

}  // namespace zorvan::ui
