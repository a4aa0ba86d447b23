#include <memory>

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "tests/cli/RunCli.h"
#include "tests/support/TempFolder.h"
#include "tests/wizard/FakeDialogs.h"
#include "wizard/frmMain.h"

using namespace quorlane;
using quorlane::test::FakeDialogs;

namespace {

const std::string marker = "\r\n<!-- This webpage was protected by Quorlane //-->\r\n";

// A fresh window with fake dialogs, and short ways to its controls by name.
struct Wizard
{
    FakeDialogs dialogs;
    test::TempFolder programFolder;
    std::unique_ptr<wizard::frmMain> window;

    Wizard()
    {
        window = std::make_unique<wizard::frmMain>(dialogs, programFolder.str(), 2026);
        window->show();
    }
    template <typename T = QWidget> T* find(const char* name) const
    {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr) {
            qFatal("no control named %s", name);
        }
        return widget;
    }
    QPushButton* next() const { return find<QPushButton>("cmdNext"); }
    QPushButton* back() const { return find<QPushButton>("cmdPrev"); }
    QTreeWidget* files() const { return find<QTreeWidget>("treeFolders"); }
    QTreeWidget* results() const { return find<QTreeWidget>("treeResults"); }
    // The buttons act on their own page only.
    void addFolder(const QString& folder)
    {
        window->ShowPage(1);
        dialogs.folderAnswers.push_back(folder);
        find<QPushButton>("cmdAddFolder")->click();
    }
    void addFiles(const QStringList& files)
    {
        window->ShowPage(1);
        dialogs.fileAnswers.push_back(files);
        find<QPushButton>("cmdAddFile")->click();
    }
    void clickLink(int page) const
    {
        QTest::mouseClick(find<QLabel>(QStringLiteral("lnkFrame_%1").arg(page).toLatin1()),
                          Qt::LeftButton);
    }
};

QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

class WizardTest : public QObject
{
    Q_OBJECT

private slots:
    void startsOnTheWelcomePage()
    {
        Wizard w;
        QCOMPARE(w.window->currentPage(), 0);
        QCOMPARE(w.window->windowTitle(), QStringLiteral("Quorlane"));
        QVERIFY(!w.back()->isEnabled());
        QVERIFY(w.next()->isEnabled());
        QCOMPARE(w.next()->text(), QStringLiteral("&Next >>"));
        QVERIFY(w.find<QLabel>("lnkFrame_1")->isEnabled());
        for (int i = 2; i <= 5; ++i) {
            QVERIFY(!w.find<QLabel>(QStringLiteral("lnkFrame_%1").arg(i).toLatin1())->isEnabled());
        }
        QCOMPARE(w.files()->topLevelItem(0)->text(0),
                 QStringLiteral("Folders and files to protect"));
        QCOMPARE(w.find<QLineEdit>("txtCopyrightNotice")->text(),
                 QStringLiteral("\u00A9 2026-2027 www.example.com, All Rights Reserved."));
        QCOMPARE(w.find<QLabel>("lblVersion")->text(), QStringLiteral("Quorlane 2009"));
        QCOMPARE(w.find<QLineEdit>("txtSaveDir")->text(),
                 QString::fromStdString(w.programFolder.str()) + QStringLiteral("/backups"));
    }

    void everyControlNameIsThereOnce()
    {
        Wizard w;
        QCOMPARE(w.window->objectName(), QStringLiteral("frmMain"));
        for (const char* name : {"cmdExit",          "cmdAbout",
                                 "cmdPrev",          "cmdNext",
                                 "picLeft",          "lblMain",
                                 "picFrame_0",       "picFrame_5",
                                 "lnkFrame_3",       "imgLink_2",
                                 "imgLinkB_2",       "picPos_4",
                                 "treeFolders",      "cmdAddFile",
                                 "cmdAddFolder",     "cmdRemoveFolder",
                                 "optSave_0",        "chkBackups",
                                 "txtSaveDir",       "cmdSelectDirectory",
                                 "lblOutputInfo",    "chkCopyrightNotice",
                                 "lblNoticeWarning", "optProtect_3",
                                 "chkDomainLock",    "txtLockDomain",
                                 "txtLockURL",       "txtPassword",
                                 "chkEncrypt",       "lblEncryptInfo",
                                 "lblWarning",       "chkScript_12",
                                 "chkRightMouse",    "txtRightClickWarning",
                                 "lblWarning2",      "lblScriptInfo",
                                 "treeResults",      "picSB",
                                 "picProg",          "cmdViewPage",
                                 "lblResults",       "lblThanks",
                                 "lblRestart",       "HyperLink21",
                                 "imgMain",          "lblFindings",
                                 "lstFindings",      "cmdUndo"}) {
            QCOMPARE(w.window->findChildren<QWidget*>(QString::fromLatin1(name)).size(), 1);
        }
    }

    void nextAndBackWalkThePagesWithTheirCaptions()
    {
        Wizard w;
        w.next()->click();
        QCOMPARE(w.window->currentPage(), 1);
        QVERIFY(!w.next()->isEnabled());
        test::TempFolder site;
        w.addFolder(q(site.str()));
        QVERIFY(w.next()->isEnabled());
        QVERIFY(w.find<QLabel>("lnkFrame_4")->isEnabled());
        for (int page = 2; page <= 5; ++page) {
            w.next()->click();
            QCOMPARE(w.window->currentPage(), page);
        }
        QCOMPARE(w.next()->text(), QStringLiteral("&Protect"));
        w.back()->click();
        QCOMPARE(w.window->currentPage(), 4);
        QCOMPARE(w.next()->text(), QStringLiteral("&Next >>"));
        w.clickLink(2);
        QCOMPARE(w.window->currentPage(), 2);
        QCOMPARE(w.find<QWidget>("picPos_2")->palette().color(QPalette::Window),
                 QColor(113, 147, 228));
        QCOMPARE(w.find<QWidget>("picPos_4")->palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(w.find<QWidget>("imgLinkB_2")->isVisible());
        QVERIFY(!w.find<QWidget>("imgLinkB_4")->isVisible());
    }

    void addingFilesAndFoldersRefusesDuplicates()
    {
        Wizard w;
        test::TempFolder site;
        site.write("a.htm", "x");
        site.write("sub/img/x.png", "x");
        site.write("css/s.css", "x");
        const QString a = q(site.str() + "/a.htm");
        w.addFiles({a, q(site.str() + "/b.htm"), q(site.str() + "/c.htm")});
        QTreeWidgetItem* root = w.files()->topLevelItem(0);
        QCOMPARE(root->childCount(), 3);
        QCOMPARE(root->child(1)->text(0), q(site.str() + "/b.htm"));
        w.addFiles({a});
        QCOMPARE(root->childCount(), 3);
        QCOMPARE(w.dialogs.messages.back().text,
                 QStringLiteral("The file/folder already added in the list."));
        QCOMPARE(w.dialogs.messages.back().icon, QMessageBox::Information);

        w.addFolder(q(site.str()));
        w.addFolder(q(site.str()));
        QCOMPARE(root->childCount(), 4);
        QCOMPARE(w.dialogs.messages.back().text,
                 QStringLiteral("The file/folder already added int the list."));
        // The remembered folder is the folder added, either way.
        QCOMPARE(q(w.programFolder.read("filepath.txt")), q(site.str()));
        QCOMPARE(w.dialogs.folderStarts.back(), q(site.str()));

        QTreeWidgetItem* folder = root->child(3);
        QCOMPARE(folder->childCount(), 1);
        QCOMPARE(folder->child(0)->text(0), QStringLiteral("browsing..."));
        folder->setExpanded(true);
        QCOMPARE(folder->childCount(), 2);
        QCOMPARE(folder->child(0)->text(0), QStringLiteral("css"));
        QCOMPARE(folder->child(1)->text(0), QStringLiteral("sub"));
        folder->setExpanded(false);
        folder->setExpanded(true);
        QCOMPARE(folder->childCount(), 2);
        folder->child(1)->setExpanded(true);
        QCOMPARE(folder->child(1)->child(0)->text(0), QStringLiteral("img"));

        // The root cannot be collapsed.
        root->setExpanded(false);
        QVERIFY(root->isExpanded());
    }

    void removeActsOnEntriesOnly()
    {
        Wizard w;
        test::TempFolder site;
        site.write("sub/x.htm", "x");
        w.addFolder(q(site.str()));
        auto* remove = w.find<QPushButton>("cmdRemoveFolder");
        QTreeWidgetItem* root = w.files()->topLevelItem(0);
        QTreeWidgetItem* entry = root->child(0);
        entry->setExpanded(true);
        w.files()->setCurrentItem(entry->child(0));
        emit w.files()->itemClicked(entry->child(0), 0);
        QVERIFY(!remove->isEnabled());
        w.files()->setCurrentItem(entry);
        emit w.files()->itemClicked(entry, 0);
        QVERIFY(remove->isEnabled());
        remove->click();
        QCOMPARE(root->childCount(), 0);
        QVERIFY(!remove->isEnabled());
        QVERIFY(!w.next()->isEnabled());
        QVERIFY(!w.find<QLabel>("lnkFrame_2")->isEnabled());
    }

    void scriptsPageCouplings()
    {
        Wizard w;
        auto box = [&](int i) {
            return w.find<QCheckBox>(QStringLiteral("chkScript_%1").arg(i).toLatin1());
        };
        auto* warning = w.find<QCheckBox>("chkRightMouse");
        auto* text = w.find<QLineEdit>("txtRightClickWarning");
        w.window->ShowPage(4);
        box(5)->click();
        QVERIFY(box(1)->isChecked() && !box(8)->isChecked() && !box(11)->isChecked());
        box(5)->click();
        QVERIFY(box(1)->isChecked());

        QVERIFY(!warning->isEnabled());
        box(0)->click();
        QVERIFY(warning->isEnabled());
        QVERIFY(!text->isEnabled());
        warning->click();
        QVERIFY(text->isEnabled());
        box(0)->click();
        QVERIFY(!warning->isEnabled() && !text->isEnabled());
        QVERIFY(warning->isChecked());
        QVERIFY(w.window->settings().rightClickWarning);
    }

    void keyFilterKeepsQuotesOutAndItsLabelMoves()
    {
        Wizard w;
        w.window->ShowPage(3);
        w.find<QCheckBox>("chkURLLock")->click();
        w.find<QCheckBox>("chkPasswordScript")->click();
        auto* url = w.find<QLineEdit>("txtLockURL");
        auto* password = w.find<QLineEdit>("txtPassword");
        auto* label = w.find<QLabel>("lblWarning");
        url->clear();
        QTest::keyClicks(url, QStringLiteral("a\""));
        QCOMPARE(url->text(), QStringLiteral("a"));
        QVERIFY(label->isVisible());
        QCOMPARE(label->y() + label->height(), url->mapTo(label->parentWidget(), QPoint()).y());
        QTest::keyClicks(password, QStringLiteral("'"));
        QCOMPARE(label->y() + label->height(),
                 password->mapTo(label->parentWidget(), QPoint()).y());
        QVERIFY(label->isVisible());
        QTest::keyClicks(password, QStringLiteral("x"));
        QVERIFY(!label->isVisible());
        QCOMPARE(w.dialogs.beeps, 2);
        // Pasted text with a quote or a backslash is refused as a whole.
        password->clear();
        password->insert(QStringLiteral("pa\\ss"));
        QCOMPARE(password->text(), QString());
    }

    void encryptionFollowsThePasswordAndSealsTheRun()
    {
        Wizard w;
        test::TempFolder site;
        site.write("a.htm", "<p>hidden words</p>");
        w.addFolder(q(site.str()));
        w.window->ShowPage(3);
        auto* encrypt = w.find<QCheckBox>("chkEncrypt");
        auto* info = w.find<QLabel>("lblEncryptInfo");
        QVERIFY(!encrypt->isEnabled());
        QVERIFY(info->text().contains(QStringLiteral("password stands in the page source")));
        w.find<QCheckBox>("chkPasswordScript")->click();
        QTest::keyClicks(w.find<QLineEdit>("txtPassword"), QStringLiteral("letmein2"));
        encrypt->click();
        QVERIFY(info->text().contains(QStringLiteral("encrypted")));
        QVERIFY(w.window->settings().encryptHiddenPart);
        w.window->ShowPage(5);
        w.next()->click();
        const std::string page = site.read("protected_a.htm");
        QVERIFY(page.ends_with(marker));
        QVERIFY(page.find("qv_d00(qv_open(\"") != std::string::npos);
        QVERIFY(page.find("qv_d00(unescape(") == std::string::npos);
        // Clearing the password lock leaves the box ticked but the pages in the clear.
        w.window->ShowPage(3);
        w.find<QCheckBox>("chkPasswordScript")->click();
        QVERIFY(!encrypt->isEnabled() && encrypt->isChecked());
    }

    void storeFilesEnablingAndInformation()
    {
        Wizard w;
        auto option = [&](int i) {
            return w.find<QRadioButton>(QStringLiteral("optSave_%1").arg(i).toLatin1());
        };
        auto* backups = w.find<QCheckBox>("chkBackups");
        w.window->ShowPage(2);
        QVERIFY(option(2)->isChecked() && backups->isChecked() && backups->isEnabled());
        QVERIFY(!w.find<QWidget>("txtSaveDir")->isEnabled());
        option(1)->click();
        QVERIFY(w.find<QWidget>("txtSaveDir")->isEnabled());
        QVERIFY(!backups->isEnabled());
        option(0)->click();
        QVERIFY(backups->isEnabled() && backups->isChecked());
        QVERIFY(!w.find<QWidget>("cmdSelectDirectory")->isEnabled());
        QCOMPARE(w.find<QLabel>("lblOutputInfo")->text(),
                 QStringLiteral("All current files will be replaced with their protected "
                                "versions - We highly recommend you make backups"));
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(option(2), &enter);
        QCOMPARE(w.find<QLabel>("lblOutputInfo")->text(),
                 QStringLiteral("Protected files will be placed in the same folders with a "
                                "protected_ prefix"));
    }

    void aWholeRunThroughTheWindow()
    {
        Wizard w;
        test::TempFolder site;
        site.write("a.htm", "<p>a</p>");
        site.write("sub/b.html", "<p>b</p>");
        w.addFolder(q(site.str()));
        w.window->ShowPage(2);
        w.find<QRadioButton>("optSave_0")->click();
        w.window->ShowPage(4);
        w.find<QCheckBox>("chkScript_4")->click();
        w.window->ShowPage(5);
        w.next()->click();
        QCOMPARE(w.next()->text(), QStringLiteral("&Restart"));
        QVERIFY(site.read("a.htm").ends_with(marker));
        QCOMPARE(site.read("a.htm.bak"), std::string("<p>a</p>"));
        QCOMPARE(w.results()->topLevelItemCount(), 1);
        QTreeWidgetItem* folder = w.results()->topLevelItem(0);
        QCOMPARE(folder->text(0), q(site.str()));
        QCOMPARE(folder->child(0)->text(0), QStringLiteral("/a.htm"));
        QCOMPARE(folder->child(1)->text(0), QStringLiteral("/sub/b.html"));
        QCOMPARE(w.find<QLabel>("lblResults")->text(),
                 QStringLiteral("The following 2 files have been protected"));
        QVERIFY(w.find<QLabel>("lblThanks")->isVisible());
        QVERIFY(!w.find<QPushButton>("cmdViewPage")->isEnabled());
        w.results()->setCurrentItem(folder->child(0));
        emit w.results()->itemClicked(folder->child(0), 0);
        w.find<QPushButton>("cmdViewPage")->click();
        QCOMPARE(w.dialogs.opened.back(), QUrl::fromLocalFile(q(site.str() + "/a.htm")));

        // Restart empties both trees and keeps every option.
        w.next()->click();
        QCOMPARE(w.window->currentPage(), 0);
        QCOMPARE(w.files()->topLevelItem(0)->childCount(), 0);
        QCOMPARE(w.results()->topLevelItemCount(), 0);
        QVERIFY(w.find<QRadioButton>("optSave_0")->isChecked());
        QVERIFY(w.find<QCheckBox>("chkScript_4")->isChecked());
    }

    // The Go! page tells what the protection would break before Protect, the results mark those
    // pages, and Undo, once confirmed, gives the site back as it was.
    void findingsBeforeTheRunAndUndoAfterIt()
    {
        Wizard w;
        test::TempFolder site;
        site.write("csp.htm", "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src "
                              "'self'\"><p>a</p>");
        site.write("plain.htm", "<p>b</p>");
        const auto before = test::TreeOf(site.path());
        w.addFolder(q(site.str()));
        w.window->ShowPage(2);
        w.find<QRadioButton>("optSave_0")->click();
        w.window->ShowPage(5);
        QCOMPARE(w.find<QLabel>("lblFindings")->text(),
                 QStringLiteral("2 warning(s) about what the protection would break or leave "
                                "open:"));
        QCOMPARE(w.find<QListWidget>("lstFindings")->count(), 3);
        QVERIFY(w.find<QListWidget>("lstFindings")
                    ->item(0)
                    ->text()
                    .contains(QStringLiteral("csp.htm, line 1: Its Content-Security-Policy")));
        QCOMPARE(test::TreeOf(site.path()), before);
        QVERIFY(!w.find<QPushButton>("cmdUndo")->isEnabled());

        w.next()->click();
        QTreeWidgetItem* folder = w.results()->topLevelItem(0);
        QCOMPARE(folder->child(0)->data(0, Qt::UserRole).toString(), QStringLiteral("warning"));
        QVERIFY(folder->child(1)->data(0, Qt::UserRole).isNull());
        QVERIFY(w.find<QPushButton>("cmdUndo")->isEnabled());

        w.dialogs.answers.push_back(false);
        w.find<QPushButton>("cmdUndo")->click();
        QVERIFY(site.read("plain.htm").ends_with(marker));
        w.dialogs.answers.push_back(true);
        w.find<QPushButton>("cmdUndo")->click();
        QCOMPARE(test::TreeOf(site.path()), before);
        QCOMPARE(w.dialogs.messages.back().text, QStringLiteral("The run was undone."));
        QVERIFY(!w.find<QPushButton>("cmdUndo")->isEnabled());
    }

    void cancelAnsweredYesAfterTheThirdPage()
    {
        Wizard w;
        test::TempFolder site;
        for (int i = 0; i < 10; ++i) {
            site.write("p" + std::to_string(i) + ".htm", "<p>x</p>");
        }
        w.addFolder(q(site.str()));
        w.window->ShowPage(5);
        w.dialogs.answers.push_back(true);
        QObject::connect(w.results()->model(), &QAbstractItemModel::rowsInserted, [&] {
            QTreeWidgetItem* folder = w.results()->topLevelItem(0);
            if (folder != nullptr && folder->childCount() == 3) {
                w.next()->click();
            }
        });
        w.next()->click();
        QCOMPARE(w.dialogs.questions.size(), std::size_t(1));
        QCOMPARE(w.dialogs.questions[0].text, QStringLiteral("Do you really want to cancel?"));
        QCOMPARE(w.results()->topLevelItem(0)->childCount(), 3);
        int written = 0;
        for (int i = 0; i < 10; ++i) {
            written += site.exists("protected_p" + std::to_string(i) + ".htm") ? 1 : 0;
        }
        QCOMPARE(written, 3);
        QCOMPARE(w.next()->text(), QStringLiteral("&Restart"));
    }

    void aLockWithABlankTextShowsItsField()
    {
        Wizard w;
        test::TempFolder site;
        site.write("a.htm", "<p>a</p>");
        w.addFolder(q(site.str()));
        w.window->ShowPage(3);
        w.find<QCheckBox>("chkPasswordScript")->click();
        w.window->ShowPage(5);
        w.next()->click();
        QCOMPARE(w.window->currentPage(), 3);
        QCOMPARE(w.window->focusWidget(), w.find<QWidget>("txtPassword"));
        QCOMPARE(w.dialogs.messages.back().text, QStringLiteral("Please Enter a Password"));
        QCOMPARE(w.next()->text(), QStringLiteral("&Next >>"));
        QVERIFY(!site.exists("protected_a.htm"));
    }

    void aLockEntryThatIsNoHostShowsItsField()
    {
        const struct
        {
            const char* lock;
            const char* field;
            QString text;
            QString named;
        } cases[] = {
            {"chkDomainLock", "txtLockDomain", QStringLiteral("a.example, b.example/shop"),
             QStringLiteral("\"b.example/shop\" in the domain lock is not a host name.")},
            {"chkURLLock", "txtLockURL", QStringLiteral("http:///index.html"),
             QStringLiteral("The URL lock \"http:///index.html\" names no host.")},
        };
        for (const auto& c : cases) {
            Wizard w;
            test::TempFolder site;
            site.write("a.htm", "<p>a</p>");
            w.addFolder(q(site.str()));
            w.window->ShowPage(3);
            w.find<QCheckBox>(c.lock)->click();
            w.find<QLineEdit>(c.field)->setText(c.text);
            w.window->ShowPage(5);
            w.next()->click();
            QCOMPARE(w.window->currentPage(), 3);
            QCOMPARE(w.window->focusWidget(), w.find<QWidget>(c.field));
            QVERIFY2(w.dialogs.messages.back().text.startsWith(c.named),
                     qPrintable(w.dialogs.messages.back().text));
            QVERIFY(!site.exists("protected_a.htm"));
        }
    }

    void duringARunOnlyCancelActs()
    {
        Wizard w;
        test::TempFolder site;
        for (int i = 0; i < 4; ++i) {
            site.write("p" + std::to_string(i) + ".htm", "<p>x</p>");
        }
        w.addFolder(q(site.str()));
        w.window->ShowPage(5);
        bool checked = false;
        QObject::connect(w.results()->model(), &QAbstractItemModel::rowsInserted, [&] {
            if (checked) {
                return;
            }
            checked = true;
            QCOMPARE(w.next()->text(), QStringLiteral("&Cancel"));
            QVERIFY(!w.back()->isEnabled());
            QVERIFY(!w.find<QLabel>("lnkFrame_2")->isEnabled());
            QVERIFY(!w.find<QLabel>("lnkFrame_0")->isEnabled());
            QVERIFY(!w.find<QWidget>("picFrame_3")->isEnabled());
            QVERIFY(!w.find<QPushButton>("cmdViewPage")->isEnabled());
        });
        w.next()->click();
        QVERIFY(checked);
        QCOMPARE(w.next()->text(), QStringLiteral("&Restart"));
        QVERIFY(!w.back()->isEnabled());
        QVERIFY(w.find<QLabel>("lnkFrame_2")->isEnabled());
        // Showing the last page again offers Protect once more.
        w.clickLink(4);
        w.clickLink(5);
        QCOMPARE(w.next()->text(), QStringLiteral("&Protect"));
    }

    void closingDuringARunStopsAfterThePageAndCloses()
    {
        Wizard w;
        test::TempFolder site;
        for (int i = 0; i < 6; ++i) {
            site.write("p" + std::to_string(i) + ".htm", "<p>x</p>");
        }
        w.addFolder(q(site.str()));
        w.window->ShowPage(5);
        w.dialogs.answers.push_back(true);
        bool asked = false;
        QObject::connect(w.results()->model(), &QAbstractItemModel::rowsInserted, [&] {
            if (!asked) {
                asked = true;
                QVERIFY(!w.window->close());
            }
        });
        w.next()->click();
        QCOMPARE(w.dialogs.questions.back().text, QStringLiteral("Are you sure you wish to quit?"));
        QVERIFY(!w.window->isVisible());
        int written = 0;
        for (int i = 0; i < 6; ++i) {
            written += site.exists("protected_p" + std::to_string(i) + ".htm") ? 1 : 0;
        }
        QCOMPARE(written, 1);
    }

    void linksOpenTheSiteAndFoldersOpenAsFolders()
    {
        Wizard w;
        QTest::mouseClick(w.find<QLabel>("HyperLink21"), Qt::LeftButton);
        QTest::mouseClick(w.find<QLabel>("lblMain"), Qt::LeftButton);
        QCOMPARE(w.dialogs.opened.size(), std::size_t(2));
        QCOMPARE(w.dialogs.opened[0], QUrl(QStringLiteral("https://www.quorlane.example/")));
        test::TempFolder site;
        site.write("a.htm", "<p>a</p>");
        w.addFolder(q(site.str()));
        w.window->ShowPage(5);
        w.next()->click();
        QTreeWidgetItem* folder = w.results()->topLevelItem(0);
        w.results()->setCurrentItem(folder);
        emit w.results()->itemClicked(folder, 0);
        w.find<QPushButton>("cmdViewPage")->click();
        QCOMPARE(w.dialogs.opened.back(), QUrl::fromLocalFile(q(site.str())));
        // In new-file mode the page node already names the whole new path.
        w.results()->setCurrentItem(folder->child(0));
        w.find<QPushButton>("cmdViewPage")->click();
        QCOMPARE(w.dialogs.opened.back(), QUrl::fromLocalFile(q(site.str() + "/protected_a.htm")));
    }

    void copyToAnEmptyFolderIsRefused()
    {
        Wizard w;
        test::TempFolder site;
        site.write("a.htm", "<p>a</p>");
        w.addFolder(q(site.str()));
        w.window->ShowPage(2);
        w.find<QRadioButton>("optSave_1")->click();
        w.find<QLineEdit>("txtSaveDir")->setText(QStringLiteral("  "));
        w.window->ShowPage(5);
        w.next()->click();
        QCOMPARE(w.window->currentPage(), 2);
        QCOMPARE(w.window->focusWidget(), w.find<QWidget>("txtSaveDir"));
        QCOMPARE(w.dialogs.messages.back().text, QStringLiteral("Please Enter a Folder"));
        QVERIFY(!site.exists("protected_a.htm"));
    }

    void aboutShowsTheVersionTheSiteAndTheLicences()
    {
        Wizard w;
        w.find<QPushButton>("cmdAbout")->click();
        auto* about = w.find<QDialog>("frmAbout");
        QVERIFY(about->isVisible());
        QVERIFY(!about->isModal());
        QCOMPARE(w.find<QLabel>("lblAboutVersion")->text(),
                 QStringLiteral("Version " QUORLANE_VERSION));
        const QString licences = w.find<QLabel>("lblLicences")->text();
        QVERIFY(licences.contains(QStringLiteral("Qt ") + QString::fromLatin1(qVersion())));
        QVERIFY(licences.contains(QStringLiteral("GNU Lesser General Public License")));
        QVERIFY(licences.contains(QStringLiteral("ICU")));
        QVERIFY(licences.contains(QStringLiteral("OpenSSL")));
        QVERIFY(licences.contains(QStringLiteral("@noble/ciphers")));
        QTest::mouseClick(w.find<QLabel>("lblAboutURL"), Qt::LeftButton);
        QCOMPARE(w.dialogs.opened, std::vector<QUrl>{QUrl(wizard::productSite)});
        // A second press shows the same box again, and the window goes on working meanwhile.
        w.find<QPushButton>("cmdClose")->click();
        QVERIFY(!about->isVisible());
        w.find<QPushButton>("cmdAbout")->click();
        QVERIFY(about->isVisible());
        QCOMPARE(w.window->findChildren<QDialog*>(QStringLiteral("frmAbout")).size(), 1);
        w.next()->click();
        QCOMPARE(w.window->currentPage(), 1);
        // The version label of the Welcome page is its own.
        QCOMPARE(w.find<QLabel>("lblVersion")->text(), QStringLiteral("Quorlane 2009"));
    }

    void aNoticeThatWouldEndItsCommentIsRefused()
    {
        Wizard w;
        test::TempFolder site;
        site.write("a.htm", "<p>a</p>");
        w.addFolder(q(site.str()));
        w.window->ShowPage(2);
        w.find<QCheckBox>("chkCopyrightNotice")->click();
        auto* notice = w.find<QLineEdit>("txtCopyrightNotice");
        auto* warning = w.find<QLabel>("lblNoticeWarning");
        notice->setText(QStringLiteral("x--!><script>alert(1)</script>"));
        QVERIFY(warning->isVisible());
        w.window->ShowPage(5);
        w.next()->click();
        QCOMPARE(w.window->currentPage(), 2);
        QCOMPARE(w.window->focusWidget(), static_cast<QWidget*>(notice));
        QCOMPARE(w.dialogs.messages.back().text, warning->text());
        QVERIFY(!site.exists("protected_a.htm"));
        // A blank notice is a notice like any other.
        notice->clear();
        QVERIFY(!warning->isVisible());
        w.window->ShowPage(5);
        w.next()->click();
        QVERIFY(site.exists("protected_a.htm"));
    }

    // A project saved by the window and run by the command line gives the very files the window
    // writes; the window started again opens it with every choice as it was.
    void aSavedProjectRunsAlikeInTheCommandLineAndOpensAgain()
    {
        Wizard w;
        test::TempFolder work;
        test::fs::copy(QUORLANE_EXAMPLES "/site", work.path() / "site",
                       test::fs::copy_options::recursive);
        w.addFolder(q((work.path() / "site").string()));
        w.window->ShowPage(2);
        w.find<QRadioButton>("optSave_1")->click();
        w.find<QLineEdit>("txtSaveDir")->setText(q((work.path() / "by-wizard").string()));
        w.find<QCheckBox>("chkCopyrightNotice")->click();
        w.window->ShowPage(3);
        w.find<QRadioButton>("optProtect_1")->click();
        w.find<QCheckBox>("chkDomainLock")->click();
        w.window->ShowPage(4);
        for (const char* name : {"chkScript_0", "chkScript_5", "chkScript_9", "chkRightMouse"}) {
            w.find<QCheckBox>(name)->click();
        }
        w.window->ShowPage(0);
        w.dialogs.pathAnswers.push_back(q((work.path() / "bakery").string()));
        w.find<QPushButton>("cmdSaveProjectAs")->click();
        QVERIFY(work.exists("bakery.json"));
        w.window->ShowPage(5);
        w.next()->click();
        QCOMPARE(w.next()->text(), QStringLiteral("&Restart"));

        test::CliProcess cli;
        QCOMPARE(cli.run("protect --quiet --project bakery.json --target by-cli", work.str()), 0);
        const auto copy = test::TreeOf(work.path() / "by-wizard");
        QVERIFY(copy.contains("css/style.css") && copy.contains("pages/menu.html"));
        QVERIFY(copy == test::TreeOf(work.path() / "by-cli"));

        FakeDialogs dialogs;
        wizard::frmMain again(dialogs, w.programFolder.str(), 2026);
        QVERIFY(again.settings() == w.window->settings());
        QVERIFY(again.pickFilesPage()->selection() == w.window->pickFilesPage()->selection());
        QVERIFY(again.findChild<QLabel*>(QStringLiteral("lblProject"))
                    ->text()
                    .endsWith(QStringLiteral("bakery.json")));
    }

    void theQuitQuestionAnsweredNoKeepsTheWindow()
    {
        Wizard w;
        w.window->ShowPage(1);
        QVERIFY(!w.window->close());
        QCOMPARE(w.dialogs.questions.back().text, QStringLiteral("Are you sure you wish to quit?"));
        QVERIFY(w.window->isVisible());
        QCOMPARE(w.window->currentPage(), 1);
        w.dialogs.answers.push_back(true);
        QVERIFY(w.window->close());
    }
};

int main(int argc, char** argv)
{
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    WizardTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WizardTest.moc"
