#include "TranslateWindow.h"

#include "Language.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QSet>
#include <QTextEdit>
#include <QWidget>

namespace kestrune {
namespace {

constexpr const char* kTranslatedProperty = "_kestrune_translated";
constexpr int kCaptionChars = 2046;
constexpr int kControlTextChars = 1022;

void MarkTranslated(QWidget* widget)
{
    widget->setProperty(kTranslatedProperty, true);
}

// The controls whose text is the operator's or the program's data, never a
// program text: edits, lists, tables, trees, date-time fields, spin boxes and
// progress bars.
bool IsLeftAlone(const QWidget* widget)
{
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget) ||
           qobject_cast<const QAbstractItemView*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QProgressBar*>(widget);
}

void TranslateComboItems(QComboBox* combo)
{
    const int selected = combo->currentIndex();
    const QSignalBlocker blocker(combo);
    for (int i = 0; i < combo->count(); ++i) {
        const QString text = combo->itemText(i);
        if (text.isEmpty())
            continue;
        const QString translated = Translate(text);
        if (!translated.isEmpty() && translated != text)
            combo->setItemText(i, translated);
    }
    if (combo->currentIndex() != selected)
        combo->setCurrentIndex(selected);
}

// The property that carries a control's visible text: "text" for buttons,
// labels and the skinned controls, "title" for group boxes.
QMetaProperty TextProperty(const QWidget* widget)
{
    const QMetaObject* meta = widget->metaObject();
    for (const char* name : {"text", "title"}) {
        if (qobject_cast<const QGroupBox*>(widget) != nullptr && std::string_view(name) == "text")
            continue;
        const int index = meta->indexOfProperty(name);
        if (index < 0)
            continue;
        const QMetaProperty property = meta->property(index);
        if (property.isWritable() && property.metaType() == QMetaType::fromType<QString>())
            return property;
    }
    return {};
}

void TranslateControlText(QWidget* widget)
{
    const QMetaProperty property = TextProperty(widget);
    if (!property.isValid())
        return;
    const QString text = property.read(widget).toString();
    // A text longer than the read limit cannot be a table key; setting a cut
    // copy back would lose the rest of it, so such a text is left alone.
    if (text.isEmpty() || text.size() > kControlTextChars || text == QLatin1StringView("..."))
        return;
    const QString translated = Translate(text);
    if (!translated.isEmpty() && translated != text)
        property.write(widget, translated);
}

}  // namespace

bool IsTranslated(const QWidget* widget)
{
    return widget && widget->property(kTranslatedProperty).toBool();
}

void TranslateWindow(QWidget* window)
{
    if (!window || IsTranslated(window))
        return;
    MarkTranslated(window);

    const QString caption = window->windowTitle();
    if (!caption.isEmpty() && caption.size() <= kCaptionChars) {
        const QString translated = Translate(caption);
        if (!translated.isEmpty() && translated != caption)
            window->setWindowTitle(translated);
    }

    // Guarded: translating one control may, through a signal, delete another.
    QList<QPointer<QWidget>> children;
    for (QWidget* child : window->findChildren<QWidget*>())
        children.append(child);
    for (const QPointer<QWidget>& guarded : children) {
        QWidget* child = guarded.data();
        if (!child || IsTranslated(child))
            continue;
        MarkTranslated(child);
        if (IsLeftAlone(child))
            continue;
        if (auto* combo = qobject_cast<QComboBox*>(child))
            TranslateComboItems(combo);
        TranslateControlText(child);
    }
}

namespace {

void TranslateMenuOnce(QMenu* menu, QSet<QMenu*>& seen)
{
    // A menu reachable twice (or from itself) is translated once.
    if (!menu || seen.contains(menu))
        return;
    seen.insert(menu);
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        const QString text = action->text();
        if (!text.isEmpty() && text.size() <= kCaptionChars) {
            const QString translated = Translate(text);
            if (!translated.isEmpty() && translated != text)
                action->setText(translated);
        }
        TranslateMenuOnce(action->menu(), seen);
    }
}

}  // namespace

void TranslateMenu(QMenu* menu)
{
    QSet<QMenu*> seen;
    TranslateMenuOnce(menu, seen);
}

}  // namespace kestrune
