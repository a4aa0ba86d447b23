#include "wizard/CommandLine.h"

#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "tests/support/TempFolder.h"
#include "tests/wizard/FakeDialogs.h"
#include "wizard/ProjectFiles.h"
#include "wizard/Translations.h"
#include "wizard/frmMain.h"

using namespace quorlane;
using quorlane::test::FakeDialogs;

namespace {

QString q(const test::fs::path& path)
{
    return QDir::toNativeSeparators(QString::fromStdString(path.string()));
}

// A window as the program starts it, in a folder that holds a small site: a folder of pages,
// a page on its own and a project file that picks the folder with a notice on.
struct Started
{
    FakeDialogs dialogs;
    test::TempFolder programFolder;
    test::TempFolder userFolder;
    test::TempFolder work;
    std::unique_ptr<wizard::frmMain> window;
    QString before = QDir::currentPath();

    Started()
    {
        work.write("site/index.html", "<p>home</p>");
        work.write("site/pages/about.html", "<p>about</p>");
        work.write("landing.html", "<p>landing</p>");
        work.write("bakery.quorlane.json",
                   R"({"version": 1, "pages": [{"folder": "site"}],
                       "notice": {"on": true, "text": "(c) Harbour Bakery"}})");
        QDir::setCurrent(q(work.path()));
        window =
            std::make_unique<wizard::frmMain>(dialogs, programFolder.str(), userFolder.str(), 2026);
        window->show();
    }
    ~Started() { QDir::setCurrent(before); }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    void open(const QStringList& paths) { wizard::OpenPaths(*window, dialogs, paths); }
    // The entries of Pick Files, as the list shows them.
    QStringList picked() const
    {
        const QTreeWidgetItem* root =
            window->findChild<QTreeWidget*>(QStringLiteral("treeFolders"))->topLevelItem(0);
        QStringList entries;
        for (int i = 0; i < root->childCount(); ++i) {
            entries.push_back(root->child(i)->text(0));
        }
        return entries;
    }
    QString notice() const
    {
        return window->findChild<QLineEdit*>(QStringLiteral("txtCopyrightNotice"))->text();
    }
    bool nextEnabled() const
    {
        return window->findChild<QPushButton*>(QStringLiteral("cmdNext"))->isEnabled();
    }
};

} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    // Paths are taken as given; an option the program does not have is refused by name, and
    // after "--" every argument is a path.
    void readsPathsAndRefusesUnknownOptions()
    {
        using wizard::ParseCommandLine;
        const auto line = ParseCommandLine({"quorlane", "site", "a.html", "p.quorlane.json"});
        QCOMPARE(line.paths, QStringList({"site", "a.html", "p.quorlane.json"}));
        QVERIFY(line.refused.isEmpty() && line.screenshots.isEmpty());
        QCOMPARE(ParseCommandLine({"quorlane", "site", "--frobnicate"}).refused,
                 QStringLiteral("--frobnicate"));
        QCOMPARE(ParseCommandLine({"quorlane", "--", "-odd.html"}).paths, QStringList{"-odd.html"});
        const auto shots = ParseCommandLine({"quorlane", "--screenshots", "shots", "site"});
        QCOMPARE(shots.screenshots, QStringLiteral("shots"));
        QCOMPARE(shots.site, QStringLiteral("site"));
        QVERIFY(shots.paths.isEmpty() && shots.refused.isEmpty());
        QCOMPARE(ParseCommandLine({"quorlane", "--screenshots"}).refused,
                 QStringLiteral("--screenshots"));
        QCOMPARE(ParseCommandLine({"quorlane", "--screenshots", "a", "b", "c"}).refused,
                 QStringLiteral("c"));
    }

    // Folders and pages given, relative to the current folder, land in the pick list as full
    // paths, Pick Files is shown, and Next goes on. No project is current: saving asks where.
    void pagesAndFoldersLandInThePickList()
    {
        Started s;
        s.open({"site", "landing.html"});
        QCOMPARE(s.picked(),
                 QStringList({q(s.work.path() / "site"), q(s.work.path() / "landing.html")}));
        QCOMPARE(s.window->currentPage(), 1);
        QVERIFY(s.nextEnabled());
        QVERIFY(s.window->projectFiles()->currentFile().isEmpty());
        QVERIFY(s.dialogs.messages.empty());
    }

    // A project file given opens as Open Project does: its pages and options, and it is the
    // current project; the Welcome page stays. Pages given with it join its list.
    void aProjectFileOpensAsOpenProjectDoes()
    {
        Started s;
        s.open({"bakery.quorlane.json"});
        const QString project = q(s.work.path() / "bakery.quorlane.json");
        QCOMPARE(s.window->projectFiles()->currentFile(), project);
        QCOMPARE(s.picked(), QStringList{q(s.work.path() / "site")});
        QCOMPARE(s.notice(), QStringLiteral("(c) Harbour Bakery"));
        QCOMPARE(s.window->currentPage(), 0);

        Started t;
        t.open({"landing.html", "bakery.quorlane.json"});
        QCOMPARE(t.picked(),
                 QStringList({q(t.work.path() / "site"), q(t.work.path() / "landing.html")}));
        QCOMPARE(t.window->currentPage(), 1);
        QVERIFY(t.window->projectFiles()->unsaved(wizard::ProjectFiles::Before::Quitting));
    }

    // Pages given without a project start a new list, even when the last project was opened at
    // start; its options stay.
    void pagesWithoutAProjectStartANewList()
    {
        Started s;
        s.open({"bakery.quorlane.json"});
        s.open({"landing.html"});
        QCOMPARE(s.picked(), QStringList{q(s.work.path() / "landing.html")});
        QVERIFY(s.window->projectFiles()->currentFile().isEmpty());
        QCOMPARE(s.notice(), QStringLiteral("(c) Harbour Bakery"));
    }

    // Paths where nothing is are named in one message and left out; the others are taken. A
    // project file that is refused says why, as Open Project does.
    void pathsThatAreNotThereAreNamed()
    {
        Started s;
        s.open({"gone.html", "site", "gone/"});
        QCOMPARE(s.picked(), QStringList{q(s.work.path() / "site")});
        QCOMPARE(s.dialogs.messages.size(), std::size_t{1});
        QCOMPARE(s.dialogs.messages.front().items,
                 QStringList({q(s.work.path() / "gone.html"), q(s.work.path() / "gone")}));

        Started t;
        t.work.write("broken.json", "{\"version\": 2}");
        t.open({"broken.json"});
        QCOMPARE(t.dialogs.messages.size(), std::size_t{1});
        QVERIFY(t.dialogs.messages.front().text.contains(QStringLiteral("broken.json")));
        QVERIFY(t.picked().isEmpty());
        QVERIFY(t.window->projectFiles()->currentFile().isEmpty());
    }
};

int main(int argc, char** argv)
{
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    quorlane::wizard::installTranslations(app);
    CommandLineTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "CommandLineTest.moc"
