#include "Language.h"
#include "TranslateWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

using namespace kestrune;

namespace {

class TranslateWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "translate_window_test";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            new QApplication(argc, argv);
        folder = new QTemporaryDir;
        QDir(folder->path()).mkpath(QStringLiteral("Languages"));
        Write(QStringLiteral("Languages/Language.ini"), "[LCID]\n2052=Test\n");
        Write(QStringLiteral("Languages/Test.lng"),
              "[ProgramOutStr]\n"
              "Title=Titel\n"
              "Scan Devices=Geraete suchen\n"
              "...=Punkte\n"
              "Typed=Getippt\n"
              "Item A=Eintrag A\n"
              "Item B=Eintrag B\n"
              "Group=Gruppe\n"
              "Gone=[~NullInfoChrys~]\n"
              "Inner=Innen\n"
              "Open=Oeffnen\n"
              "More=Mehr\n"
              "Note=Hinweis\n");
        InitLanguageForLocale(folder->path().toStdString() + "/", 2052);
    }
    static void TearDownTestSuite()
    {
        InitLanguageForLocale("/nonexistent/", 1033);
        delete folder;
    }
    static void Write(const QString& name, const QByteArray& bytes)
    {
        QFile file(folder->filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QTemporaryDir* folder;
};
QTemporaryDir* TranslateWindowTest::folder = nullptr;

struct Dialog {
    std::unique_ptr<QDialog> window = std::make_unique<QDialog>();
    QPushButton* button = new QPushButton(QStringLiteral("Scan Devices"), window.get());
    QPushButton* dots = new QPushButton(QStringLiteral("..."), window.get());
    QLabel* gone = new QLabel(QStringLiteral("Gone"), window.get());
    QGroupBox* group = new QGroupBox(QStringLiteral("Group"), window.get());
    QLabel* inner = new QLabel(QStringLiteral("Inner"), group);  // a grandchild
    QComboBox* combo = new QComboBox(window.get());
    QLineEdit* edit = new QLineEdit(QStringLiteral("Typed"), window.get());
    QTextEdit* textEdit = new QTextEdit(QStringLiteral("Typed"), window.get());
    QSpinBox* spin = new QSpinBox(window.get());
    QDateTimeEdit* dateTime = new QDateTimeEdit(window.get());
    QListWidget* list = new QListWidget(window.get());
    QTableWidget* table = new QTableWidget(1, 1, window.get());
    QTreeWidget* tree = new QTreeWidget(window.get());
    QProgressBar* progress = new QProgressBar(window.get());

    Dialog()
    {
        window->setWindowTitle(QStringLiteral("Title"));
        combo->addItems(
            {QStringLiteral("Item A"), QStringLiteral("Item B"), QStringLiteral("Other")});
        combo->setCurrentIndex(1);
        spin->setPrefix(QStringLiteral("Typed"));
        list->addItem(QStringLiteral("Typed"));
        table->setItem(0, 0, new QTableWidgetItem(QStringLiteral("Typed")));
        tree->addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("Typed")}));
        progress->setFormat(QStringLiteral("Typed"));
    }
};

}  // namespace

TEST_F(TranslateWindowTest, ControlsByKind)
{
    Dialog d;
    int changes = 0;
    QObject::connect(d.combo, &QComboBox::currentIndexChanged, [&changes] { ++changes; });
    TranslateWindow(d.window.get());

    EXPECT_EQ(d.window->windowTitle(), QStringLiteral("Titel"));
    EXPECT_EQ(d.button->text(), QStringLiteral("Geraete suchen"));
    EXPECT_EQ(d.dots->text(), QStringLiteral("..."));   // exactly "..." is kept
    EXPECT_EQ(d.gone->text(), QStringLiteral("Gone"));  // an empty result is not set
    EXPECT_EQ(d.group->title(), QStringLiteral("Gruppe"));
    EXPECT_EQ(d.inner->text(), QStringLiteral("Innen"));
    ASSERT_EQ(d.combo->count(), 3);
    EXPECT_EQ(d.combo->itemText(0), QStringLiteral("Eintrag A"));
    EXPECT_EQ(d.combo->itemText(1), QStringLiteral("Eintrag B"));
    EXPECT_EQ(d.combo->itemText(2), QStringLiteral("Other"));
    EXPECT_EQ(d.combo->currentIndex(), 1);
    EXPECT_EQ(changes, 0);
    // The operator's and the program's data stay as they are.
    EXPECT_EQ(d.edit->text(), QStringLiteral("Typed"));
    EXPECT_EQ(d.textEdit->toPlainText(), QStringLiteral("Typed"));
    EXPECT_EQ(d.spin->prefix(), QStringLiteral("Typed"));
    EXPECT_EQ(d.list->item(0)->text(), QStringLiteral("Typed"));
    EXPECT_EQ(d.table->item(0, 0)->text(), QStringLiteral("Typed"));
    EXPECT_EQ(d.tree->topLevelItem(0)->text(0), QStringLiteral("Typed"));
    EXPECT_EQ(d.progress->format(), QStringLiteral("Typed"));
    EXPECT_TRUE(IsTranslated(d.window.get()));
    EXPECT_TRUE(IsTranslated(d.inner));
}

TEST_F(TranslateWindowTest, EditableComboKeepsItsEditText)
{
    QDialog window;
    auto* combo = new QComboBox(&window);
    combo->setEditable(true);
    combo->addItems({QStringLiteral("Item A"), QStringLiteral("Item B")});
    combo->setCurrentIndex(-1);
    combo->setEditText(QStringLiteral("Typed"));
    TranslateWindow(&window);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("Eintrag A"));
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(combo->currentText(), QStringLiteral("Typed"));
}

TEST_F(TranslateWindowTest, SecondOpenIsNotTranslatedAgain)
{
    Dialog d;
    TranslateWindow(d.window.get());
    // The program sets texts that happen to be keys; a second open keeps them.
    d.button->setText(QStringLiteral("Scan Devices"));
    d.window->setWindowTitle(QStringLiteral("Title"));
    TranslateWindow(d.window.get());
    EXPECT_EQ(d.button->text(), QStringLiteral("Scan Devices"));
    EXPECT_EQ(d.window->windowTitle(), QStringLiteral("Title"));

    // The record is the window's: once it is translated, a control added to
    // it later is not reached by opening it again.
    auto* late = new QLabel(QStringLiteral("Note"), d.window.get());
    TranslateWindow(d.window.get());
    EXPECT_EQ(late->text(), QStringLiteral("Note"));
}

// Windows come and go (often at the same address): each new one is
// translated once.
TEST_F(TranslateWindowTest, NewWindowAfterADestroyedOne)
{
    for (int i = 0; i < 5; ++i) {
        auto window = std::make_unique<QDialog>();
        auto* button = new QPushButton(QStringLiteral("Scan Devices"), window.get());
        window->setWindowTitle(QStringLiteral("Title"));
        TranslateWindow(window.get());
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Titel")) << i;
        EXPECT_EQ(button->text(), QStringLiteral("Geraete suchen")) << i;
    }
    TranslateWindow(nullptr);
}

TEST_F(TranslateWindowTest, MenuItemsAndSubMenus)
{
    QMenu menu;
    QAction* open = menu.addAction(QStringLiteral("Open"));
    QAction* separator = menu.addSeparator();
    QMenu* more = menu.addMenu(QStringLiteral("More"));
    QAction* note = more->addAction(QStringLiteral("Note"));
    QAction* dots = more->addAction(QStringLiteral("Other"));
    more->addMenu(&menu);  // a loop back to the top must not recurse forever
    int triggered = 0;
    QObject::connect(open, &QAction::triggered, [&triggered] { ++triggered; });

    TranslateMenu(&menu);
    EXPECT_EQ(open->text(), QStringLiteral("Oeffnen"));
    EXPECT_TRUE(separator->isSeparator());
    EXPECT_EQ(separator->text(), QString());
    EXPECT_EQ(more->menuAction()->text(), QStringLiteral("Mehr"));
    EXPECT_EQ(note->text(), QStringLiteral("Hinweis"));
    EXPECT_EQ(dots->text(), QStringLiteral("Other"));
    EXPECT_EQ(menu.actions().at(2)->menu(), more);  // the item still opens its sub-menu
    open->trigger();
    EXPECT_EQ(triggered, 1);  // and keeps its command
    TranslateMenu(nullptr);
}
