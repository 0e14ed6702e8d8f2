#pragma once

#include "CTDialog.h"

#include <QString>

#include <functional>

namespace kestrune {

class CTButtonPicture;
class CTStaticGdiplus;
class CColorLine;

// Results of a note.
inline constexpr int kNoteOk = 1;
inline constexpr int kNoteCancel = 2;

// The program's own message box, 415 x 162: a title, a text, Ok and, for a
// confirmation, Cancel. The close button and Cancel end it with kNoteCancel,
// Ok with kNoteOk. Enter and Escape do nothing.
class CNoteDlg : public CTDialog {
    Q_OBJECT
public:
    // Title and text are shown as given (callers translate them first).
    CNoteDlg(const QString& title, const QString& text, bool withCancel, QWidget* parent = nullptr);
    ~CNoteDlg() override;

    QString Title() const { return m_title; }
    QString Text() const { return m_text; }
    bool WithCancel() const { return m_withCancel; }

    CTButtonPicture* OkButton() const { return m_ok; }
    CTButtonPicture* CancelButton() const { return m_cancel; }
    CTButtonPicture* CloseButton() const { return m_close; }
    CTStaticGdiplus* TitleStatic() const { return m_titleStatic; }
    CTStaticGdiplus* TextStatic() const { return m_textStatic; }

    // Closed without a button (the window system): Cancel.
    void reject() override;

private:
    QString m_title;
    QString m_text;
    bool m_withCancel;
    CTStaticGdiplus* m_titleStatic = nullptr;
    CTStaticGdiplus* m_textStatic = nullptr;
    CTButtonPicture* m_close = nullptr;
    CTButtonPicture* m_ok = nullptr;
    CTButtonPicture* m_cancel = nullptr;
    CColorLine* m_topLine = nullptr;
    CColorLine* m_bottomLine = nullptr;
};

// Shows a note modally over the main window, centred on it, and returns
// kNoteOk or kNoteCancel. withCancel false: Ok alone.
int ShowNote(const QString& title, const QString& text, bool withCancel = false);

// The window notes are centred on; the main window registers itself. When
// none is set (or it is gone), the active window is used.
void SetNoteMainWindow(QWidget* window);
QWidget* NoteMainWindow();

// Tests answer notes without a person: while an answerer is set, ShowNote
// shows nothing and returns what the answerer returns for (title, text,
// withCancel). Pass an empty function to show notes again.
using NoteAnswerer = std::function<int(const QString& title, const QString& text, bool withCancel)>;
void SetNoteAnswerer(NoteAnswerer answerer);

}  // namespace kestrune
