// Search and replace in the program editor, and how the find-and-replace dialog's choices become the
// search's options.
#pragma once

#include <QString>

class QsciScintilla;

namespace zorvan::ui {

// What the find-and-replace dialog reports with each of its events.
struct ReplaceDialogFlags {
    bool find_next = false;    // the event came from Find Next
    bool replace = false;      // from Replace
    bool replace_all = false;  // from Replace All
    bool match_case = false;
    bool whole_word = false;
};

struct SearchOptions {
    bool match_case = false;
    bool whole_word = false;
    bool entire_scope = false;  // from the start of the text rather than from the caret
    bool replace = false;       // replace the match found
    bool replace_all = false;   // replace every match
};

// The dialog's find event only finds; its replace event replaces. Either searches the whole text from
// its start unless it came from Find Next.
SearchOptions OptionsFromDialog(const ReplaceDialogFlags& flags, bool replace_event);

// Always towards the end of the text. Finding selects the match with the caret at its end; a replacement
// leaves the caret after the new text. Replacing every match is one undo step. Gives the number of
// matches found (and replaced); an empty find text finds nothing.
int SearchReplace(QsciScintilla& editor, const QString& find, const QString& replace,
                  const SearchOptions& options);

}  // namespace zorvan::ui
