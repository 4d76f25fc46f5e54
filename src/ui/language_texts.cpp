#include "ui/language_texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QVariant>
#include <QWidget>

#include <optional>

namespace zorvan::ui {
namespace {

constexpr const char* kBuiltIn = "zorvanBuiltInText";
constexpr const char* kBuiltInTitle = "zorvanBuiltInTitle";

std::optional<QString> TextOf(QObject* object, TextSearch search) {
    if (search == TextSearch::MenuItems) {
        if (auto* menu = qobject_cast<QMenu*>(object)) return menu->title();
        if (auto* action = qobject_cast<QAction*>(object)) return action->text();
        return std::nullopt;
    }
    if (auto* label = qobject_cast<QLabel*>(object)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(object)) return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(object)) return group->title();
    return std::nullopt;
}

void PutText(QObject* object, const QString& text) {
    if (auto* menu = qobject_cast<QMenu*>(object)) {
        menu->setTitle(text);
    } else if (auto* action = qobject_cast<QAction*>(object)) {
        action->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(object)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
        group->setTitle(text);
    }
}

QString BuiltInText(QObject* object, TextSearch search) {
    const QVariant kept = object->property(kBuiltIn);
    return kept.isValid() ? kept.toString() : TextOf(object, search).value_or(QString());
}

QObject* Find(QObject* root, TextSearch search, std::string_view name, std::string_view builtin) {
    const QString wanted_name = QString::fromUtf8(name.data(), static_cast<int>(name.size()));
    const QString wanted_text = QString::fromUtf8(builtin.data(), static_cast<int>(builtin.size()));
    const QList<QObject*> candidates = root->findChildren<QObject*>();
    if (!wanted_name.isEmpty()) {
        for (QObject* object : candidates) {
            if (object->objectName() == wanted_name && TextOf(object, search)) return object;
        }
    }
    if (wanted_text.isEmpty()) return nullptr;
    for (QObject* object : candidates) {
        if (TextOf(object, search) && BuiltInText(object, search) == wanted_text) return object;
    }
    return nullptr;
}

}  // namespace

bool SetControlText(QObject* root, TextSearch search, std::string_view name, std::string_view builtin,
                    const QString& text) {
    if (root == nullptr) return false;
    if (name == "Caption") {
        auto* window = qobject_cast<QWidget*>(root);
        if (window == nullptr) return false;
        if (!window->property(kBuiltInTitle).isValid())
            window->setProperty(kBuiltInTitle, window->windowTitle());
        window->setWindowTitle(text);
        return true;
    }
    QObject* control = Find(root, search, name, builtin);
    if (control == nullptr) return false;
    if (!control->property(kBuiltIn).isValid())
        control->setProperty(kBuiltIn, TextOf(control, search).value());
    PutText(control, text);
    return true;
}

void RestoreBuiltInTexts(QObject* root) {
    if (root == nullptr) return;
    if (auto* window = qobject_cast<QWidget*>(root); window && window->property(kBuiltInTitle).isValid())
        window->setWindowTitle(window->property(kBuiltInTitle).toString());
    for (QObject* object : root->findChildren<QObject*>()) {
        const QVariant kept = object->property(kBuiltIn);
        if (kept.isValid()) PutText(object, kept.toString());
    }
}

}  // namespace zorvan::ui
