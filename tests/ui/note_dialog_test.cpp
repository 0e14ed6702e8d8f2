// The note dialog: a note, a confirmation, how each ends, where it shows.

#include "CNoteDlg.h"
#include "CTButtonPicture.h"
#include "CTStaticGdiplus.h"
#include "Language.h"
#include "ProgramFolder.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace kestrune;

namespace {

// Runs `act` on the note once it is up, from inside its modal loop.
void WhenNoteShows(std::function<void(CNoteDlg&)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* note = qobject_cast<CNoteDlg*>(QApplication::activeModalWidget())) {
            if (!note->isVisible())
                return;
            timer->stop();
            timer->deleteLater();
            act(*note);
        }
    });
    timer->start();
}

class NoteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The real skin, so the dialog draws as it ships.
        const QByteArray source = qgetenv("KESTRUNE_SOURCE_DIR");
        if (!source.isEmpty())
            OverrideProgramFolder(source.toStdString() + "/data/");
        main.resize(817, 540);
        main.move(40, 30);
        main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
        SetNoteMainWindow(&main);
    }
    void TearDown() override
    {
        SetNoteMainWindow(nullptr);
        SetNoteAnswerer({});
    }
    QWidget main;
};

}  // namespace

TEST_F(NoteTest, NoteHasNoCancelAndItsCloseButtonYieldsCancel)
{
    bool checked = false;
    WhenNoteShows([&](CNoteDlg& note) {
        EXPECT_FALSE(note.WithCancel());
        EXPECT_FALSE(note.CancelButton()->isVisible());
        EXPECT_TRUE(note.OkButton()->isVisible());
        EXPECT_EQ(note.TitleStatic()->Text(), QStringLiteral("Note"));
        EXPECT_EQ(note.TextStatic()->Text(),
                  QStringLiteral("Ensure the computer's NIC is enabled!"));
        EXPECT_EQ(note.OkButton()->text(), QStringLiteral("Ok"));
        // Modal over the main window, centred on it.
        EXPECT_EQ(note.parentWidget(), &main);
        EXPECT_TRUE(note.isModal());
        const QPoint centre = note.frameGeometry().center();
        const QPoint mainCentre = main.frameGeometry().center();
        EXPECT_LE((centre - mainCentre).manhattanLength(), 4);
        EXPECT_EQ(note.size(), QSize(415, 162));
        // Enter and Escape do not end it.
        QTest::keyClick(&note, Qt::Key_Return);
        QTest::keyClick(&note, Qt::Key_Escape);
        QApplication::processEvents();
        EXPECT_TRUE(note.isVisible());
        checked = true;
        QTest::mouseClick(note.CloseButton(), Qt::LeftButton, {}, QPoint(8, 8));
    });
    const int result = ShowNote(QStringLiteral("Note"),
                                QStringLiteral("Ensure the computer's NIC is enabled!"), false);
    EXPECT_TRUE(checked);
    EXPECT_EQ(result, kNoteCancel);
}

TEST_F(NoteTest, ConfirmationEndsWithTheButtonPressed)
{
    struct Case {
        const char* name;
        std::function<CTButtonPicture*(CNoteDlg&)> button;
        int result;
    };
    const Case cases[] = {
        {"ok", [](CNoteDlg& n) { return n.OkButton(); }, kNoteOk},
        {"cancel", [](CNoteDlg& n) { return n.CancelButton(); }, kNoteCancel},
        {"close", [](CNoteDlg& n) { return n.CloseButton(); }, kNoteCancel},
    };
    for (const Case& c : cases) {
        WhenNoteShows([&](CNoteDlg& note) {
            EXPECT_TRUE(note.CancelButton()->isVisible()) << c.name;
            QTest::mouseClick(c.button(note), Qt::LeftButton, {}, QPoint(8, 8));
        });
        EXPECT_EQ(ShowNote(QStringLiteral("Note"), QStringLiteral("Start the delivery?"), true),
                  c.result)
            << c.name;
    }
    // Closed by the window system (no button): Cancel as well.
    WhenNoteShows([](CNoteDlg& note) { note.close(); });
    EXPECT_EQ(ShowNote(QStringLiteral("Note"), QStringLiteral("Start?"), true), kNoteCancel);
}

TEST_F(NoteTest, KeepsItsSizeWhateverTheText)
{
    const QString longText = QString(QStringLiteral("A very long message. ")).repeated(40);
    CNoteDlg note(QStringLiteral("Note"), longText, true);
    EXPECT_EQ(note.size(), QSize(415, 162));
    note.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&note));
    EXPECT_EQ(note.size(), QSize(415, 162));
    EXPECT_EQ(note.TextStatic()->geometry(), QRect(65, 49, 320, 60));
    // Rounded corners.
    EXPECT_FALSE(note.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(note.mask().contains(QPoint(200, 80)));
    note.close();
    EXPECT_EQ(note.result(), kNoteCancel);
}

TEST_F(NoteTest, AnswererRepliesWithoutShowingAnything)
{
    std::vector<std::tuple<QString, QString, bool>> asked;
    SetNoteAnswerer([&](const QString& title, const QString& text, bool withCancel) {
        asked.emplace_back(title, text, withCancel);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        return withCancel ? kNoteOk : kNoteCancel;
    });
    EXPECT_EQ(ShowNote(QStringLiteral("Note"), QStringLiteral("first"), false), kNoteCancel);
    EXPECT_EQ(ShowNote(QStringLiteral("Note"), QStringLiteral("second"), true), kNoteOk);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], std::make_tuple(QStringLiteral("Note"), QStringLiteral("first"), false));
    EXPECT_EQ(asked[1], std::make_tuple(QStringLiteral("Note"), QStringLiteral("second"), true));

    // An answer other than Ok counts as Cancel.
    SetNoteAnswerer([](const QString&, const QString&, bool) { return 0; });
    EXPECT_EQ(ShowNote(QStringLiteral("Note"), QStringLiteral("x"), true), kNoteCancel);
}

TEST_F(NoteTest, ButtonCaptionsAreTranslatedButTheCallersTextsAreNot)
{
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("Languages")));
    ASSERT_TRUE(uitest::WriteBytes(folder.filePath(QStringLiteral("Languages/Language.ini")),
                                   "[LCID]\n1031=German\n"));
    ASSERT_TRUE(uitest::WriteBytes(folder.filePath(QStringLiteral("Languages/German.lng")),
                                   "[ProgramOutStr]\nOk=Jawohl\nCancel=Abbruch\nNote=Hinweis\n"
                                   "Hinweis=Doppelt\n"));
    InitLanguageForLocale(folder.path().toStdString() + "/", 1031);
    {
        // The caller has translated "Note" already; it must not be turned again.
        CNoteDlg note(Translate(QStringLiteral("Note")), QStringLiteral("Text"), true);
        EXPECT_EQ(note.OkButton()->text(), QStringLiteral("Jawohl"));
        EXPECT_EQ(note.CancelButton()->text(), QStringLiteral("Abbruch"));
        EXPECT_EQ(note.TitleStatic()->Text(), QStringLiteral("Hinweis"));
    }
    InitLanguageForLocale(folder.path().toStdString() + "/nowhere/", 1033);
}

KESTRUNE_WIDGET_TEST_MAIN()
