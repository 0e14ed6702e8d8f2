#pragma once

class QMenu;
class QWidget;

namespace kestrune {

// Translates a window's caption and the texts of its child controls, at any
// depth, through Translate. Edits, lists, tables, trees, date-time fields,
// spin boxes and progress bars are left alone; a combo box has its items
// translated in place; any other control gets its text translated unless the
// text is exactly "...". A window and each child are translated once: the
// record lives on the objects themselves, so a window created where another
// was destroyed is translated afresh.
void TranslateWindow(QWidget* window);

// Translates the items of a menu and of its sub-menus, separators skipped.
void TranslateMenu(QMenu* menu);

// Whether TranslateWindow has already handled this window or control.
bool IsTranslated(const QWidget* widget);

}  // namespace kestrune
