#include "ui/editor_search.h"

#include <Qsci/qsciscintilla.h>

#include <QByteArray>

#include <cstdint>

#include "ui/editor_setup.h"

namespace zorvan::ui {
namespace {

QByteArray EditorBytes(const QsciScintilla& editor, const QString& text) {
    return editor.isUtf8() ? text.toUtf8() : text.toLatin1();
}

// The next match in [from, length), or -1; the target then spans it.
long FindFrom(QsciScintilla& editor, const QByteArray& find, long from, int flags) {
    const long length = Send(editor, QsciScintillaBase::SCI_GETLENGTH);
    Send(editor, QsciScintillaBase::SCI_SETSEARCHFLAGS, static_cast<unsigned long>(flags));
    Send(editor, QsciScintillaBase::SCI_SETTARGETRANGE, static_cast<unsigned long>(from), length);
    return editor.SendScintilla(QsciScintillaBase::SCI_SEARCHINTARGET,
                                static_cast<std::uintptr_t>(find.size()), find.constData());
}

// Replaces the target and gives the position just after the new text.
long ReplaceTarget(QsciScintilla& editor, const QByteArray& replace) {
    const long start = Send(editor, QsciScintillaBase::SCI_GETTARGETSTART);
    const long length =
        editor.SendScintilla(QsciScintillaBase::SCI_REPLACETARGET,
                             static_cast<std::uintptr_t>(replace.size()), replace.constData());
    return start + length;
}

}  // namespace

SearchOptions OptionsFromDialog(const ReplaceDialogFlags& flags, bool replace_event) {
    SearchOptions options;
    options.match_case = flags.match_case;
    options.whole_word = flags.whole_word;
    options.entire_scope = !flags.find_next;
    options.replace = replace_event;
    options.replace_all = flags.replace_all;
    return options;
}

int SearchReplace(QsciScintilla& editor, const QString& find, const QString& replace,
                  const SearchOptions& options) {
    const QByteArray what = EditorBytes(editor, find);
    if (what.isEmpty()) return 0;
    const QByteArray with = EditorBytes(editor, replace);
    const int flags = (options.match_case ? QsciScintillaBase::SCFIND_MATCHCASE : 0) |
                      (options.whole_word ? QsciScintillaBase::SCFIND_WHOLEWORD : 0);
    long from = options.entire_scope ? 0 : Send(editor, QsciScintillaBase::SCI_GETCURRENTPOS);

    if (!options.replace_all) {
        const long found = FindFrom(editor, what, from, flags);
        if (found < 0) return 0;
        if (options.replace) {
            const long after = ReplaceTarget(editor, with);
            Send(editor, QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(after));
        } else {
            const long end = Send(editor, QsciScintillaBase::SCI_GETTARGETEND);
            Send(editor, QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(found), end);
        }
        return 1;
    }

    int count = 0;
    Send(editor, QsciScintillaBase::SCI_BEGINUNDOACTION);
    // The search goes on after each new text, so a replacement that contains the find text is not
    // replaced again.
    while (FindFrom(editor, what, from, flags) >= 0) {
        from = ReplaceTarget(editor, with);
        ++count;
    }
    Send(editor, QsciScintillaBase::SCI_ENDUNDOACTION);
    if (count > 0) Send(editor, QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(from));
    return count;
}

}  // namespace zorvan::ui
