// The program editor's set-up and the byte-level access run control needs: its lines, a fast load, the
// marking of the line being run and the caret's line.
#pragma once

#include <QFont>

#include <string>
#include <vector>

#include "machine/program_text.h"

class QPaintDevice;
class QsciScintilla;

namespace zorvan::ui {

// Face, indentation, margins and the trimming of trailing blanks; meant to be called once per editor.
void SetUpEditor(QsciScintilla& editor);

// The editor's lines as bytes, line breaks ("\n", "\r\n", lone "\r") removed. There are always
// editor.lines() of them: a text ending in a line break has an empty last line.
machine::ProgramText EditorText(QsciScintilla& editor);
std::vector<std::string> EditorLines(QsciScintilla& editor);  // the same lines, one string each

// Replaces the whole text and forgets the undo history and the modified state. False when the editor
// did not take all of the bytes.
bool LoadEditorText(QsciScintilla& editor, const std::string& bytes);

// Line n (1-based) is shown at the top and selected with its line break, when it is not the last line.
// n = 0 goes back to the top with nothing selected; anything else is ignored.
void HighlightLine(QsciScintilla& editor, int n);

// The caret's line, 1-based.
int CaretLine(QsciScintilla& editor);

// QScintilla reads only point sizes: a pixel-sized font gets the point size that gives its pixel size on
// `device` (the primary screen when there is none).
QFont PointSizedFont(QFont font, const QPaintDevice* device);

}  // namespace zorvan::ui
