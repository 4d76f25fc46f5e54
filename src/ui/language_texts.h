// The language file's texts put on the controls of a window, and the built-in texts put back before
// another language is applied, so that switching languages never leaves texts of the one before.
#pragma once

#include <QString>

#include <string_view>

class QObject;

namespace zorvan::ui {

enum class TextSearch { Widgets, MenuItems };

// Sets the text of the control called `name` under `root` (labels, buttons, group boxes; menus and menu
// items), or, where no control has that name, of the control whose built-in text is `builtin`; the name
// "Caption" stands for the root window's title. The control's built-in text is kept for
// RestoreBuiltInTexts. false when no control was found.
bool SetControlText(QObject* root, TextSearch search, std::string_view name, std::string_view builtin,
                    const QString& text);

// Every control under `root`, and the root's title, changed by SetControlText gets its built-in text back.
void RestoreBuiltInTexts(QObject* root);

}  // namespace zorvan::ui
