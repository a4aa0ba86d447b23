#include <memory>

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>
#include <QXmlStreamReader>

#include "run/SettingVocabulary.h"
#include "tests/cli/RunCli.h"
#include "tests/support/TempFolder.h"
#include "tests/wizard/FakeDialogs.h"
#include "wizard/Translations.h"
#include "wizard/WindowPlacement.h"
#include "wizard/frmMain.h"

using namespace quorlane;
using quorlane::test::FakeDialogs;
using quorlane::test::marker;
using quorlane::test::SitePage;
using quorlane::test::SitePageName;
using State = quorlane::wizard::WizardState;

namespace {

// A fresh window with fake dialogs, and short ways to its controls by name.
struct Wizard
{
    FakeDialogs dialogs;
    test::TempFolder programFolder;
    test::TempFolder userFolder;
    std::unique_ptr<wizard::frmMain> window;

    Wizard()
    {
        window =
            std::make_unique<wizard::frmMain>(dialogs, programFolder.str(), userFolder.str(), 2026);
        window->show();
    }
    template <typename T = QWidget> T* find(const QString& name) const
    {
        T* widget = window->findChild<T*>(name);
        if (widget == nullptr) {
            qFatal("no control named %s", qPrintable(name));
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
        QTest::mouseClick(find<QLabel>(QStringLiteral("lnkFrame_%1").arg(page)), Qt::LeftButton);
    }
    // Keys go to the focus widget, as they do for a person at the keyboard.
    void activate() const
    {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    // Shows the page and clicks the check box or option button there.
    void click(int page, const char* name)
    {
        window->ShowPage(page);
        qobject_cast<QAbstractButton*>(find(name))->click();
    }
    // The password lock on, with password typed into both boxes.
    void lockWithPassword(const QString& password)
    {
        find<QCheckBox>("chkPasswordScript")->click();
        QTest::keyClicks(find<QLineEdit>("txtPassword"), password);
        QTest::keyClicks(find<QLineEdit>("txtPasswordConfirm"), password);
    }
    // Presses Protect on the Go! page, saying Yes first when yes, and waits for the run it starts,
    // if any, to end.
    void protect(bool yes = false)
    {
        window->ShowPage(5);
        waitForNext();
        if (yes) {
            dialogs.answers.push_back(true);
        }
        QSignalSpy ended(window.get(), &wizard::frmMain::runEnded);
        next()->click();
        if (window->running()) {
            QVERIFY(ended.wait(60000));
        }
    }
    QString status() const { return find<QLabel>("lblResults")->text(); }
    // Right after a run Next takes no click for a moment; then it does, when there are pages.
    void waitForNext() const
    {
        QTRY_VERIFY(next()->isEnabled() || !window->pickFilesPage()->hasEntries());
    }
    // Restart, saying Yes when the run can still be undone, which it asks about first.
    void restart(bool undoable)
    {
        waitForNext();
        if (undoable) {
            dialogs.answers.push_back(true);
        }
        const std::size_t asked = dialogs.questions.size();
        next()->click();
        QCOMPARE(dialogs.questions.size(), asked + (undoable ? 1 : 0));
        QCOMPARE(window->currentPage(), 0);
    }
};

// How many pages of a site of count pages a Create new run protected, when every page is as it
// was and every protected_ file whole, and nothing else is left but the run's record; else -1.
int protectedWhole(const test::TempFolder& site, int count)
{
    int written = 0;
    for (int i = 0; i < count; ++i) {
        if (site.read(SitePageName(i)) != SitePage(i)) {
            return -1;
        }
        if (site.exists("protected_" + SitePageName(i))) {
            if (!site.read("protected_" + SitePageName(i)).ends_with(marker)) {
                return -1;
            }
            ++written;
        }
    }
    int files = 0;
    for (const auto& entry : test::fs::directory_iterator(site.path())) {
        files += entry.path().filename().string().starts_with(".quorlane-run-") ? 0 : 1;
    }
    return files == count + written ? written : -1;
}

// Counts the paint events a widget gets while a run is at work.
class PaintsDuringRun : public QObject
{
public:
    PaintsDuringRun(QWidget* widget, const wizard::frmMain& window)
        : m_window(window)
    {
        widget->installEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Paint && m_window.running() ? 1 : 0;
        return false;
    }

private:
    const wizard::frmMain& m_window;
};

QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

// Where a control stands in the window.
QRect placed(const QWidget* widget)
{
    return QRect(widget->mapTo(widget->window(), QPoint()), widget->size());
}

} // namespace

class WizardTest : public QObject
{
    Q_OBJECT

private slots:
    // The window is touched from its own thread only.
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("thread"))); }

    // The window starts on the Welcome page; Next and Back walk the pages with their captions.
    void startsOnTheWelcomePageAndWalksThePages()
    {
        Wizard w;
        QCOMPARE(w.window->currentPage(), 0);
        QCOMPARE(w.window->state(), State::Editing);
        QVERIFY(!w.back()->isEnabled());
        QVERIFY(w.next()->isEnabled());
        QCOMPARE(w.next()->text(), QStringLiteral("&Next >>"));
        QCOMPARE(w.window->focusWidget(), w.next());
        QVERIFY(w.find<QLabel>("lnkFrame_1")->isEnabled() && !w.find("lnkFrame_2")->isEnabled());
        QCOMPARE(w.find<QLineEdit>("txtCopyrightNotice")->text(),
                 QStringLiteral("\u00A9 2026-2027 www.example.com, All Rights Reserved."));
        QCOMPARE(w.find<QLineEdit>("txtSaveDir")->text(),
                 QString::fromStdString(w.programFolder.str()) + QStringLiteral("/backups"));
        // The Welcome page names the version and the banner, its lines all start at one edge.
        QCOMPARE(w.find<QLabel>("lblVersion")->text(), QStringLiteral("Version " QUORLANE_VERSION));
        QVERIFY(w.find<QLabel>("lblBanner")
                    ->text()
                    .contains(QStringLiteral("\"This webpage was protected by Quorlane\"")));
        QCOMPARE(w.find<QLabel>("lblURL")->x(), w.find<QLabel>("lblVersion")->x());
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
        QCOMPARE(w.window->state(), State::Ready);
        QCOMPARE(w.next()->text(), QStringLiteral("&Protect"));
        w.back()->click();
        QCOMPARE(w.window->currentPage(), 4);
        QCOMPARE(w.window->state(), State::Editing);
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
        QCOMPARE(w.dialogs.messages.back().text, a + QStringLiteral(" is already in the list."));
        QCOMPARE(w.dialogs.messages.back().icon, QMessageBox::Information);

        w.addFolder(q(site.str()));
        w.addFolder(q(site.str()));
        QCOMPARE(root->childCount(), 4);
        QCOMPARE(w.dialogs.messages.back().text,
                 q(site.str()) + QStringLiteral(" is already in the list."));
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

    // Remove follows the current node however it became current, Delete does the same, and the
    // entry that takes a removed one's place can be removed at once.
    void removeAndDeleteActOnEntriesOnly()
    {
        Wizard w;
        test::TempFolder site;
        site.write("sub/x.htm", "x");
        w.addFiles({q(site.str() + "/a.htm"), q(site.str() + "/b.htm")});
        w.addFolder(q(site.str()));
        w.activate();
        auto* remove = w.find<QPushButton>("cmdRemoveFolder");
        QTreeWidgetItem* root = w.files()->topLevelItem(0);
        QTreeWidgetItem* folder = root->child(2);
        folder->setExpanded(true);
        w.files()->setFocus();
        w.files()->setCurrentItem(folder->child(0));
        QVERIFY(!remove->isEnabled());
        w.key(Qt::Key_Delete);
        QCOMPARE(root->childCount(), 3);
        w.files()->setCurrentItem(root->child(0));
        QVERIFY(remove->isEnabled());
        w.key(Qt::Key_Delete);
        QCOMPARE(root->child(0)->text(0), q(site.str() + "/b.htm"));
        QCOMPARE(w.files()->currentItem(), root->child(0));
        QVERIFY(remove->isEnabled());
        remove->click();
        remove->click();
        QCOMPARE(root->childCount(), 0);
        QVERIFY(!remove->isEnabled());
        QVERIFY(!w.next()->isEnabled());
        QVERIFY(!w.find<QLabel>("lnkFrame_2")->isEnabled());
    }

    void scriptsPageCouplings()
    {
        Wizard w;
        auto box = [&](int i) { return w.find<QCheckBox>(QStringLiteral("chkScript_%1").arg(i)); };
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

    // Every control of a setting is named and captioned as the settings' vocabulary says, on
    // the page its caption's translation context names; a switch's information follows it.
    void settingControlsComeFromTheVocabulary()
    {
        Wizard w;
        for (const run::SettingWord& word : run::SettingVocabulary()) {
            const QString name = QString::fromLatin1(word.objectName);
            const QList<QWidget*> found = w.window->findChildren<QWidget*>(name);
            QVERIFY2(found.size() == 1, qPrintable(name));
            if (word.caption.source == nullptr) {
                QVERIFY(qobject_cast<QLineEdit*>(found.front()) != nullptr);
                continue;
            }
            QWidget* page = found.front();
            while (page != nullptr && !page->objectName().startsWith(QLatin1String("picFrame_"))) {
                page = page->parentWidget();
            }
            QVERIFY2(page != nullptr, qPrintable(name));
            QCOMPARE(page->metaObject()->className(), word.caption.context);
            const auto* button = qobject_cast<QAbstractButton*>(found.front());
            QVERIFY2(button != nullptr, qPrintable(name));
            QCOMPARE(button->text(), QString::fromUtf8(word.caption.source));
        }
        w.window->ShowPage(4);
        auto* info = w.find<QLabel>("lblScriptInfo");
        for (const run::SettingWord* word : run::WordsOf(run::SettingWord::Kind::Switch)) {
            QEvent enter(QEvent::Enter);
            QCoreApplication::sendEvent(w.find(QString::fromLatin1(word->objectName)), &enter);
            QCOMPARE(info->text(), QString::fromUtf8(word->info.source));
        }
    }

    // The translation tools, run as the build runs them, find every caption and information
    // text of the settings' vocabulary in its page's context, where the wizard looks it up.
    void theTranslationToolsFindTheVocabulary()
    {
        test::TempFolder folder;
        const QString ts = q(folder.str() + "/all.ts");
        QStringList arguments = QStringLiteral(QUORLANE_LUPDATE_OPTIONS).split(QLatin1Char('|'));
        arguments += QStringLiteral(QUORLANE_TRANSLATION_SOURCES).split(QLatin1Char('|'));
        arguments << QStringLiteral("-ts") << ts;
        QProcess lupdate;
        lupdate.start(QStringLiteral(QUORLANE_LUPDATE), arguments);
        QVERIFY(lupdate.waitForFinished(300000));
        QCOMPARE(lupdate.exitCode(), 0);
        QFile file(ts);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QSet<QPair<QString, QString>> found;
        QXmlStreamReader xml(&file);
        QString context;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) {
                continue;
            }
            if (xml.name() == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (xml.name() == QLatin1String("source")) {
                found.insert({context, xml.readElementText()});
            }
        }
        QVERIFY(!xml.hasError());
        std::size_t texts = 0;
        for (const run::SettingWord& word : run::SettingVocabulary()) {
            for (const run::WizardText& text : {word.caption, word.info}) {
                if (text.source != nullptr) {
                    QVERIFY2(found.contains({QString::fromLatin1(text.context),
                                             QString::fromUtf8(text.source)}),
                             text.source);
                    ++texts;
                }
            }
        }
        QCOMPARE(texts, std::size_t{41});
    }

    // A ' " or \ typed or pasted into a text of the page script is refused, and the warning
    // shows whole, right below the box that refused it.
    void aRefusedCharacterIsToldBelowItsBox()
    {
        const std::tuple<int, const char*, const char*, bool> cases[] = {
            {3, "txtLockURL", "lblWarning", false},
            {3, "txtPassword", "lblWarning", true},
            {4, "txtRightClickWarning", "lblWarning2", false},
            {4, "txtRightClickWarning", "lblWarning2", true},
        };
        for (const auto& [page, boxName, warningName, paste] : cases) {
            Wizard w;
            const QString trace = QString::fromLatin1(boxName) + (paste ? " pasted" : " typed");
            w.window->ShowPage(page);
            auto* box = w.find<QLineEdit>(boxName);
            auto* warning = w.find<QLabel>(warningName);
            box->setEnabled(true);
            box->setText(QStringLiteral("ab"));
            if (paste) {
                box->insert(QStringLiteral("x\"y"));
            } else {
                QTest::keyClicks(box, QStringLiteral("\\"));
            }
            QApplication::processEvents();
            QVERIFY2(box->text() == QStringLiteral("ab"), qPrintable(trace));
            QVERIFY2(warning->isVisible(), qPrintable(trace));
            const QRect under = placed(box), told = placed(warning);
            QVERIFY2(told.top() >= under.bottom() && told.top() - under.bottom() <= 8,
                     qPrintable(trace));
            QCOMPARE(told.left(), under.left());
            QVERIFY2(told.width() >= warning->sizeHint().width(), qPrintable(trace));
            QCOMPARE(w.dialogs.beeps, 1);
            QTest::keyClicks(box, QStringLiteral("c"));
            QVERIFY2(!warning->isVisible(), qPrintable(trace));
        }
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
        w.lockWithPassword(QStringLiteral("letmein2"));
        encrypt->click();
        QVERIFY(info->text().contains(QStringLiteral("encrypted")));
        QVERIFY(w.window->settings().encryptHiddenPart);
        w.protect();
        const std::string page = site.read("protected_a.htm");
        QVERIFY(page.ends_with(marker));
        QVERIFY(page.find("qv_d00(qv_open(\"") != std::string::npos);
        QVERIFY(page.find("qv_d00(unescape(") == std::string::npos);
        // Clearing the password lock leaves the box ticked but the pages in the clear.
        w.click(3, "chkPasswordScript");
        QVERIFY(!encrypt->isEnabled() && encrypt->isChecked());
    }

    // The unlock form's days and texts follow the encryption box and reach the pages; a colour
    // that is none is told on the Encryption page before anything is written.
    void unlockFormChoicesReachThePages()
    {
        Wizard w;
        auto* remember = w.find<QCheckBox>("chkRememberDays");
        auto* texts = w.find<QTableWidget>("tblUnlockTexts");
        QVERIFY(!remember->isEnabled() && !texts->isEnabled());
        test::TempFolder site;
        site.write("a.htm", "<p>hidden words</p>");
        w.addFolder(q(site.str()));
        w.window->ShowPage(3);
        w.lockWithPassword(QStringLiteral("opensesame"));
        w.find<QCheckBox>("chkEncrypt")->click();
        QVERIFY(remember->isEnabled() && texts->isEnabled());
        QVERIFY(w.window->settings().unlockChoices == core::UnlockChoices{});
        remember->click();
        w.find<QSpinBox>("spnRememberDays")->setValue(45);
        const auto row = [texts](const QString& name) {
            return texts->findItems(name, Qt::MatchExactly).front()->row();
        };
        texts->item(row(QStringLiteral("title")), 1)->setText(QStringLiteral("Members only"));
        texts->item(row(QStringLiteral("accent")), 1)->setText(QStringLiteral("red;x"));
        w.protect();
        QVERIFY(!site.exists("protected_a.htm"));
        QCOMPARE(w.window->currentPage(), 3);
        QVERIFY(
            w.dialogs.messages.back().text.startsWith(QStringLiteral("accent: is not a colour")));
        texts->item(row(QStringLiteral("accent")), 1)->setText(QStringLiteral("#c33"));
        const core::UnlockChoices chosen = w.window->settings().unlockChoices;
        QCOMPARE(chosen.rememberDays, 45u);
        QVERIFY(
            (chosen.texts == core::UnlockTexts{{u"accent", u"#c33"}, {u"title", u"Members only"}}));
        w.protect();
        QVERIFY(site.read("protected_a.htm").find("qv_d00(qv_open(\"") != std::string::npos);
    }

    // The password is masked in both its boxes unless shown; two that differ are told below
    // them before anything is asked or written, and a refused character below the second box.
    void thePasswordIsTypedTwiceMasked()
    {
        Wizard w;
        test::TempFolder site;
        site.write("a.htm", "<p>a</p>");
        w.addFolder(q(site.str()));
        w.click(2, "optSave_0"); // Overwrite asks before it writes
        w.click(3, "chkPasswordScript");
        auto* first = w.find<QLineEdit>("txtPassword");
        auto* again = w.find<QLineEdit>("txtPasswordConfirm");
        auto* show = w.find<QCheckBox>("chkShowPassword");
        QVERIFY(again->isEnabled());
        for (const bool shown : {false, true, false}) {
            QCOMPARE(first->echoMode(), shown ? QLineEdit::Normal : QLineEdit::Password);
            QCOMPARE(again->echoMode(), first->echoMode());
            show->click();
        }
        QTest::keyClicks(first, QStringLiteral("letmein"));
        QTest::keyClicks(again, QStringLiteral("letmeout"));
        w.protect(true);
        QCOMPARE(w.window->currentPage(), 3);
        QCOMPARE(w.window->focusWidget(), again);
        auto* problem = w.find<QLabel>("lblLockProblem");
        QVERIFY(problem->isVisible());
        QCOMPARE(problem->text(),
                 QStringLiteral("The two passwords differ. Type the same password in both boxes."));
        QVERIFY(placed(problem).top() >= placed(again).bottom());
        QVERIFY(w.dialogs.questions.empty());
        QCOMPARE(site.read("a.htm"), std::string("<p>a</p>"));

        QTest::keyClicks(again, QStringLiteral("'"));
        QCOMPARE(again->text(), QStringLiteral("letmeout"));
        QVERIFY(w.find<QLabel>("lblWarning")->isVisible());
        QVERIFY(placed(w.find("lblWarning")).top() >= placed(again).bottom());
        again->setText(QStringLiteral("letmein"));
        w.dialogs.answers.clear();
        w.protect(true);
        QCOMPARE(w.dialogs.questions.size(), std::size_t(1));
        QVERIFY(site.read("a.htm").ends_with(marker));
    }

    // Every input is checked before Protect asks anything: a blank password, a picked folder
    // that is gone (named as gone, on Pick Files). A start the run turns away leaves no
    // "scanning" behind, and after Undo the Go! page tells afresh what the protection would do.
    void inputsAreCheckedFirstAndTheGoPageFollowsWhatHappened()
    {
        Wizard w;
        test::TempFolder work;
        work.write("site/a.htm", "<p>a</p>");
        w.addFolder(q(work.str() + "/site"));
        w.click(2, "optSave_0");
        w.click(3, "chkPasswordScript");
        w.protect(true);
        QCOMPARE(w.dialogs.messages.back().text, QStringLiteral("Please Enter a Password"));
        QVERIFY(w.dialogs.questions.empty());
        w.click(3, "chkPasswordScript");
        w.dialogs.answers.clear();

        test::fs::rename(work.path() / "site", work.path() / "moved");
        w.protect(true);
        QVERIFY(w.dialogs.questions.empty());
        QCOMPARE(w.window->currentPage(), 1);
        QVERIFY(w.dialogs.messages.back().text.startsWith(
            QStringLiteral("1 of the folders and files picked is gone: moved, renamed or "
                           "deleted after it was picked.")));
        QCOMPARE(w.dialogs.messages.back().items, QStringList{q(work.str() + "/site")});
        test::fs::rename(work.path() / "moved", work.path() / "site");
        w.dialogs.answers.clear();

        // A copy into the added folder itself is turned away by the run.
        w.click(2, "optSave_1");
        w.find<QLineEdit>("txtSaveDir")->setText(q(work.str() + "/site"));
        w.protect();
        QCOMPARE(w.window->currentPage(), 2);
        QCOMPARE(w.status(), QStringLiteral("Press the Protect button to start."));

        w.click(2, "optSave_0");
        w.click(4, "chkScript_4");
        w.window->ShowPage(5);
        const auto shown = [&] {
            QStringList lines{w.find<QLabel>("lblFindings")->text()};
            auto* list = w.find<QListWidget>("lstFindings");
            for (int i = 0; i < list->count(); ++i) {
                lines.push_back(list->item(i)->text());
            }
            return lines;
        };
        const QStringList findings = shown();
        QVERIFY(findings.size() > 1);
        w.protect(true);
        QVERIFY(w.find<QLabel>("lblRestart")->isVisible());
        w.clickLink(4);
        w.clickLink(5); // now about the pages as protected
        QVERIFY(shown() != findings);
        w.dialogs.answers.push_back(true);
        w.find<QPushButton>("cmdUndo")->click();
        QCOMPARE(work.read("site/a.htm"), std::string("<p>a</p>"));
        QCOMPARE(w.status(), QStringLiteral("The run was undone."));
        QVERIFY(!w.find<QLabel>("lblRestart")->isVisible());
        QVERIFY(!w.find<QLabel>("lblThanks")->isVisible());
        QCOMPARE(shown(), findings);
        QCOMPARE(w.next()->text(), QStringLiteral("&Protect"));
        QVERIFY(w.back()->isEnabled());
        QCOMPARE(w.results()->topLevelItemCount(), 0);
    }

    // The option buttons, their backup box and information text follow the selection, by mouse
    // and by keys; the notice shows its start; the folder button starts at the target.
    void storeFilesFollowsTheSelectedOption()
    {
        Wizard w;
        auto option = [&](int i) {
            return w.find<QRadioButton>(QStringLiteral("optSave_%1").arg(i));
        };
        auto* backups = w.find<QCheckBox>("chkBackups");
        auto* info = w.find<QLabel>("lblOutputInfo");
        w.window->ShowPage(2);
        w.activate();
        QVERIFY(option(2)->isChecked() && backups->isChecked() && !backups->isEnabled());
        QVERIFY(info->text().startsWith(QStringLiteral("Protected files will be placed")));
        QVERIFY(info->text().contains(QStringLiteral("frameset still shows the original frame")));
        // Tab enters the group at the selected button; the arrow keys select.
        w.find<QWidget>("lnkFrame_1")->setFocus();
        w.key(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), option(2));
        w.key(Qt::Key_Up);
        QVERIFY(option(1)->isChecked() && w.find<QWidget>("txtSaveDir")->isEnabled());
        QVERIFY(info->text().startsWith(QStringLiteral("Files will be copied")));
        w.key(Qt::Key_Up);
        QVERIFY(option(0)->isChecked() && backups->isEnabled() && backups->isChecked());
        QVERIFY(!w.find<QWidget>("cmdSelectDirectory")->isEnabled());
        QVERIFY(info->text().startsWith(QStringLiteral("All current files will be replaced")));
        QEvent enter(QEvent::Enter), leave(QEvent::Leave);
        QApplication::sendEvent(option(1), &enter);
        QVERIFY(info->text().startsWith(QStringLiteral("Files will be copied")));
        QApplication::sendEvent(option(1), &leave);
        QVERIFY(info->text().startsWith(QStringLiteral("All current files will be replaced")));

        QCOMPARE(w.find<QLineEdit>("txtCopyrightNotice")->cursorPosition(), 0);
        option(1)->click();
        test::TempFolder target;
        w.find<QLineEdit>("txtSaveDir")->setText(q(target.str() + "/new/sub"));
        w.dialogs.folderAnswers.push_back(QString());
        w.find<QPushButton>("cmdSelectDirectory")->click();
        QCOMPARE(w.dialogs.folderStarts.back(), q(target.str()));
        QCOMPARE(w.find<QLineEdit>("txtSaveDir")->text(), q(target.str() + "/new/sub"));
    }

    // Protect asks before it writes over pages, or over protected_ files of an earlier run;
    // No leaves every file as it was.
    void replacingFilesIsAskedFirst()
    {
        const std::tuple<int, bool, bool, QString> cases[] = {
            {0, true, false,
             QStringLiteral("2 pages will be replaced by their protected versions. Backups are "
                            "on")},
            {0, false, false,
             QStringLiteral("2 pages will be replaced by their protected "
                            "versions. Backups are off")},
            {2, true, true,
             QStringLiteral("1 protected_ file of an earlier run will be "
                            "replaced")},
        };
        for (const auto& [saveMode, backups, earlierRun, question] : cases) {
            Wizard w;
            test::TempFolder site;
            site.write("a.htm", "<p>a</p>");
            site.write("sub/b.htm", "<p>b</p>");
            if (earlierRun) {
                site.write("protected_a.htm", "earlier");
            }
            const auto before = test::TreeOf(site.path());
            w.addFolder(q(site.str()));
            w.addFiles({q(site.str() + "/a.htm")}); // the same page twice counts once
            w.window->ShowPage(2);
            w.find<QRadioButton>(QStringLiteral("optSave_%1").arg(saveMode))->click();
            w.find<QCheckBox>("chkBackups")->setChecked(backups);
            w.window->ShowPage(5);
            w.next()->click();
            QCOMPARE(w.dialogs.questions.size(), std::size_t(1));
            QVERIFY2(w.dialogs.questions[0].text.startsWith(question),
                     qPrintable(w.dialogs.questions[0].text));
            QCOMPARE(test::TreeOf(site.path()), before);
            QCOMPARE(w.window->state(), State::Ready);
        }
    }

    // The Go! page tells what the protection would break before Protect; a run writes the pages,
    // lists and marks them in the results, View Page opens one; Undo, once confirmed, gives the
    // site back as it was, and Restart empties the list of pages and keeps every option.
    void aWholeRunThroughTheWindowAndItsUndo()
    {
        Wizard w;
        test::TempFolder site;
        site.write("csp.htm", "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src "
                              "'self'\"><p>a</p>");
        site.write("sub/b.html", "<p>b</p>");
        const auto before = test::TreeOf(site.path());
        w.addFolder(q(site.str()));
        w.click(2, "optSave_0");
        w.click(4, "chkScript_4");
        w.window->ShowPage(5);
        QCOMPARE(w.find<QLabel>("lblFindings")->text(),
                 QStringLiteral("3 warnings about what the protection would break or leave "
                                "open:"));
        QCOMPARE(w.find<QListWidget>("lstFindings")->count(), 4);
        QVERIFY(
            !w.find<QListWidget>("lstFindings")
                 ->findItems(QStringLiteral("warning: 2 backups inside the site (NAME.bak beside "
                                            "each page) hold the pages in clear"),
                             Qt::MatchStartsWith)
                 .isEmpty());
        QVERIFY(w.find<QListWidget>("lstFindings")
                    ->item(0)
                    ->text()
                    .contains(QStringLiteral("csp.htm:1: warning: Its Content-Security-Policy")));
        QCOMPARE(test::TreeOf(site.path()), before);
        QVERIFY(!w.find<QPushButton>("cmdViewPage")->isEnabled());
        QVERIFY(!w.find<QPushButton>("cmdUndo")->isEnabled());
        w.protect(true);
        QCOMPARE(w.window->state(), State::Finished);
        QCOMPARE(w.next()->text(), QStringLiteral("&Restart"));
        QVERIFY(site.read("sub/b.html").ends_with(marker));
        QCOMPARE(site.read("sub/b.html.bak"), std::string("<p>b</p>"));
        QCOMPARE(w.results()->topLevelItemCount(), 1);
        QTreeWidgetItem* folder = w.results()->topLevelItem(0);
        QCOMPARE(folder->text(0), q(site.str()));
        QCOMPARE(folder->child(0)->text(0), QStringLiteral("/csp.htm"));
        QCOMPARE(folder->child(1)->text(0), QStringLiteral("/sub/b.html"));
        QCOMPARE(folder->child(0)->data(0, Qt::UserRole).toString(), QStringLiteral("warning"));
        QVERIFY(folder->child(1)->data(0, Qt::UserRole).isNull());
        QCOMPARE(w.status(), QStringLiteral("The following 2 files have been protected"));
        QVERIFY(w.find<QLabel>("lblThanks")->isVisible());
        QVERIFY(!w.find<QPushButton>("cmdViewPage")->isEnabled());
        w.results()->setCurrentItem(folder->child(1));
        w.find<QPushButton>("cmdViewPage")->click();
        QCOMPARE(w.dialogs.opened.back(), QUrl::fromLocalFile(q(site.str() + "/sub/b.html")));

        QVERIFY(w.find<QPushButton>("cmdUndo")->isEnabled());
        w.dialogs.answers.push_back(false);
        w.find<QPushButton>("cmdUndo")->click();
        QVERIFY(site.read("sub/b.html").ends_with(marker));
        // A record that cannot be used is told before Undo asks anything.
        std::string recordName;
        for (const auto& entry : test::fs::directory_iterator(site.path())) {
            if (entry.path().filename().string().starts_with(".quorlane-run-")) {
                recordName = entry.path().filename().string();
            }
        }
        const std::string record = site.read(recordName);
        std::string altered = record;
        const std::size_t mode = altered.find("\"whole\"");
        QVERIFY(mode != std::string::npos);
        altered[mode + 1] = 'W'; // the header line no longer matches its checksum
        site.write(recordName, altered);
        const std::size_t asked = w.dialogs.questions.size();
        w.find<QPushButton>("cmdUndo")->click();
        QCOMPARE(w.dialogs.questions.size(), asked);
        QVERIFY(w.dialogs.messages.back().text.startsWith(
            QStringLiteral("The run cannot be undone: its record")));
        QVERIFY(site.read("sub/b.html").ends_with(marker));
        site.write(recordName, record);
        w.dialogs.answers.push_back(true);
        w.find<QPushButton>("cmdUndo")->click();
        QCOMPARE(test::TreeOf(site.path()), before);
        QCOMPARE(w.dialogs.messages.back().text, QStringLiteral("The run was undone."));
        QVERIFY(!w.find<QPushButton>("cmdUndo")->isEnabled());
        QCOMPARE(w.next()->text(), QStringLiteral("&Protect"));

        w.protect(true);
        w.restart(true);
        QCOMPARE(w.files()->topLevelItem(0)->childCount(), 0);
        QTRY_VERIFY(w.find<QRadioButton>("optSave_0")->isChecked());
        QVERIFY(w.find<QCheckBox>("chkScript_4")->isChecked());
    }

    // Backups kept in a folder outside the site: the box is for overwrite with backups only;
    // the site then holds no backup and the Go! page no warning about them, and Undo finds them.
    void backupsGoToTheFolderChosenForThem()
    {
        Wizard w;
        test::TempFolder site;
        test::TempFolder kept;
        site.write("sub/b.html", "<p>b</p>");
        const auto before = test::TreeOf(site.path());
        w.addFolder(q(site.str()));
        auto* box = w.find<QLineEdit>("txtBackupDir");
        QVERIFY(!box->isEnabled());
        w.click(2, "optSave_0");
        QVERIFY(box->isEnabled());
        w.find<QCheckBox>("chkBackups")->click();
        QVERIFY(!box->isEnabled());
        w.find<QCheckBox>("chkBackups")->click();
        box->setText(q(kept.str()));
        w.window->ShowPage(5);
        QVERIFY(w.find<QListWidget>("lstFindings")
                    ->findItems(QStringLiteral("backup"), Qt::MatchContains)
                    .isEmpty());
        w.protect(true);
        QVERIFY(site.read("sub/b.html").ends_with(marker));
        QVERIFY(!site.exists("sub/b.html.bak"));
        QCOMPARE(kept.read("sub/b.html"), std::string("<p>b</p>"));
        w.dialogs.answers.push_back(true);
        w.find<QPushButton>("cmdUndo")->click();
        QCOMPARE(test::TreeOf(site.path()), before);
    }

    // The run works on a thread of its own: Protect comes back at once, the window repaints and
    // takes a Cancel mid-run, and the run stops after the page at work, every page left as it
    // was or protected whole. The results say so, and Protect runs again afterwards, from the
    // last page as from the start after a Restart, which empties the results.
    void theRunLeavesTheWindowLiveAndCancelsBetweenPages()
    {
        constexpr int pages = 200;
        Wizard w;
        test::TempFolder site;
        test::WriteSite(site, pages);
        w.addFolder(q(site.str()));
        w.window->ShowPage(5);
        PaintsDuringRun paints(w.results()->viewport(), *w.window);
        w.dialogs.answers.push_back(true);
        bool cancelled = false;
        QObject::connect(w.results()->model(), &QAbstractItemModel::rowsInserted, [&] {
            QTreeWidgetItem* folder = w.results()->topLevelItem(0);
            if (!cancelled && folder != nullptr && folder->childCount() >= 3) {
                cancelled = true;
                // Mid-run, only Cancel acts.
                QCOMPARE(w.next()->text(), QStringLiteral("&Cancel"));
                for (const char* name :
                     {"cmdPrev", "lnkFrame_0", "lnkFrame_2", "picFrame_3", "cmdViewPage"}) {
                    QVERIFY2(!w.find(name)->isEnabled(), name);
                }
                w.next()->click();
            }
        });
        QSignalSpy ended(w.window.get(), &wizard::frmMain::runEnded);
        w.next()->click();
        QVERIFY(w.window->running());
        QVERIFY(ended.wait(60000));
        QCOMPARE(w.dialogs.questions.size(), std::size_t(1));
        QCOMPARE(w.dialogs.questions[0].text, QStringLiteral("Do you really want to cancel?"));
        QVERIFY(paints.count > 0);
        const int written = protectedWhole(site, pages);
        QVERIFY2(written >= 3 && written < pages, qPrintable(QString::number(written)));
        QCOMPARE(w.results()->topLevelItem(0)->childCount(), written);
        QCOMPARE(w.status(),
                 QStringLiteral("Cancelled after %1 of %2 pages").arg(written).arg(pages));
        QVERIFY(!w.find<QLabel>("lblThanks")->isVisible());
        QCOMPARE(w.next()->text(), QStringLiteral("&Restart"));
        QVERIFY(!w.back()->isEnabled() && w.find("lnkFrame_2")->isEnabled());

        const QString done =
            QStringLiteral("The following %1 files have been protected").arg(pages);
        w.clickLink(4);
        w.clickLink(5);
        w.protect(true); // protected_ files of the first run are replaced
        QCOMPARE(w.status(), done);
        QVERIFY(w.find<QLabel>("lblThanks")->isVisible());
        QCOMPARE(protectedWhole(site, pages), pages);

        w.restart(true);
        QCOMPARE(w.results()->topLevelItemCount(), 0);
        w.addFolder(q(site.str()));
        w.protect(true);
        QCOMPARE(w.status(), done);
        QVERIFY(w.dialogs.messages.empty());
    }

    // Cancel, or closing the window, holds the run at its next page while the question is open:
    // No lets it go on to the end; Yes stops it there, with every page it wrote whole, and the
    // status line counts the pages on disk.
    void aQuestionAboutStoppingHoldsTheRun()
    {
        constexpr int pages = 200;
        const struct
        {
            bool closing;
            bool yes;
        } cases[] = {{false, false}, {false, true}, {true, true}};
        for (const auto c : cases) {
            const bool closing = c.closing, yes = c.yes;
            Wizard w;
            test::TempFolder site;
            test::WriteSite(site, pages);
            w.addFolder(q(site.str()));
            w.window->ShowPage(5);
            int writtenWhileAsked = -1;
            w.dialogs.whileAsking = [&] {
                QTRY_VERIFY(w.window->runWaiting());
                writtenWhileAsked = protectedWhole(site, pages);
            };
            w.dialogs.answers.push_back(yes);
            bool asked = false;
            QObject::connect(w.results()->model(), &QAbstractItemModel::rowsInserted, [&] {
                if (!asked) {
                    asked = true;
                    closing ? void(w.window->close()) : w.next()->click();
                }
            });
            QSignalSpy ended(w.window.get(), &wizard::frmMain::runEnded);
            w.next()->click();
            QVERIFY(ended.wait(60000));
            const QString trace = QStringLiteral("%1 %2").arg(closing).arg(yes);
            QVERIFY2(writtenWhileAsked >= 1 && writtenWhileAsked < pages, qPrintable(trace));
            QCOMPARE(protectedWhole(site, pages), yes ? writtenWhileAsked : pages);
            QCOMPARE(w.results()->topLevelItem(0)->childCount(), yes ? writtenWhileAsked : pages);
            QCOMPARE(w.status(),
                     yes ? QStringLiteral("Cancelled after %1 of %2 pages")
                               .arg(writtenWhileAsked)
                               .arg(pages)
                         : QStringLiteral("The following %1 files have been protected").arg(pages));
            QCOMPARE(w.window->isVisible(), !closing);
        }
    }

    // A message that names many pages keeps them in a list that scrolls, in a box that fits the
    // screen: files picked again, and the pages an Undo left as they are.
    void longListsScrollInABoxThatFitsTheScreen()
    {
        QStringList many;
        for (int i = 0; i < 3000; ++i) {
            many.push_back(QStringLiteral("/site/folder/page-%1.html").arg(i));
        }
        const auto shortBox = wizard::ListMessageBox(nullptr, QMessageBox::Warning, "Quorlane",
                                                     "Left:", many.mid(0, 3));
        QCOMPARE(shortBox->text(), QStringLiteral("Left:\n\n") + many.mid(0, 3).join('\n'));
        QVERIFY(shortBox->detailedText().isEmpty());
        const auto longBox =
            wizard::ListMessageBox(nullptr, QMessageBox::Warning, "Quorlane", "Left:", many);
        QCOMPARE(longBox->detailedText().split('\n'), many);
        QCOMPARE(longBox->text(), QStringLiteral("Left."));
        longBox->show();
        QApplication::processEvents();
        QVERIFY(longBox->frameGeometry().height() <=
                longBox->screen()->availableGeometry().height());
        longBox->close();

        Wizard w;
        test::TempFolder site;
        constexpr int pages = 30;
        test::WriteSite(site, pages);
        QStringList picked;
        for (int i = 0; i < pages; ++i) {
            picked.push_back(q(site.str() + "/" + SitePageName(i)));
        }
        w.addFiles(picked);
        QVERIFY(w.dialogs.messages.empty());
        w.addFiles(picked);
        QCOMPARE(w.dialogs.messages.size(), std::size_t(1));
        QCOMPARE(w.dialogs.messages[0].text,
                 QStringLiteral("30 of the files picked are already in the list:"));
        QCOMPARE(w.dialogs.messages[0].items, picked);
        QCOMPARE(w.files()->topLevelItem(0)->childCount(), pages);

        w.protect();
        for (int i = 0; i < pages; ++i) {
            site.write("protected_" + SitePageName(i), "changed");
        }
        w.dialogs.answers.push_back(true);
        w.find<QPushButton>("cmdUndo")->click();
        QCOMPARE(w.dialogs.messages.back().text,
                 QStringLiteral("Some of the run was left as it is:"));
        QCOMPARE(w.dialogs.messages.back().items.size(), pages);
        QVERIFY(w.dialogs.messages.back().items[0].contains(q("protected_" + SitePageName(0))));
        QCOMPARE(w.status(),
                 QStringLiteral("The run was undone in part: 30 files were left as they are."));
    }

    // Pick Files counts the pages the run would take from each folder, as its scan finds them,
    // with the Leave out patterns applied; an empty folder says so, and a gone one too. A
    // pattern that names no file is refused at Protect, beside its box, before anything is
    // written; the run leaves out what the patterns match, and so do the findings.
    void pickFilesCountsPagesAndLeavesOutWhatTheBoxSays()
    {
        Wizard w;
        test::TempFolder site;
        for (const char* page : {"a.htm", "notes.txt", "sub/b.html", "sub/c.HTM", "drafts/d.htm"}) {
            site.write(page, "<p>page</p>");
        }
        test::fs::create_directories(site.path() / "empty");
        w.addFolder(q(site.str()));
        QTreeWidgetItem* root = w.files()->topLevelItem(0);
        QTreeWidgetItem* entry = root->child(0);
        // The counts are made on a thread of their own, so that a large tree never holds the
        // window.
        QTRY_COMPARE(root->text(1), QStringLiteral("4 pages in all"));
        QCOMPARE(entry->text(1), QStringLiteral("4 pages"));
        entry->setExpanded(true);
        QCOMPARE(entry->childCount(), 3);
        QTRY_VERIFY(!w.window->pickFilesPage()->counting());
        QCOMPARE(entry->child(0)->text(1), QStringLiteral("1 page"));
        QCOMPARE(entry->child(1)->text(1), QStringLiteral("no pages"));
        QCOMPARE(entry->child(2)->text(1), QStringLiteral("2 pages"));

        auto* exclude = w.find<QPlainTextEdit>("txtExclude");
        exclude->setPlainText(QStringLiteral("drafts/\n*.html"));
        QTRY_COMPARE(entry->text(1), QStringLiteral("2 pages"));
        QTRY_VERIFY(!w.window->pickFilesPage()->counting());
        QCOMPARE(entry->child(0)->text(1), QStringLiteral("left out"));
        QCOMPARE(entry->child(2)->text(1), QStringLiteral("1 page"));

        exclude->setPlainText(QStringLiteral("drafts/\n!"));
        w.window->ShowPage(5);
        w.next()->click();
        QCOMPARE(w.window->currentPage(), 1);
        QVERIFY(w.find("lblExcludeProblem")->isVisible());
        QVERIFY(w.find<QLabel>("lblExcludeProblem")->text().contains(QStringLiteral("\"!\"")));
        QCOMPARE(QApplication::focusWidget(), exclude);
        QCOMPARE(w.dialogs.beeps, 1);
        QVERIFY(!site.exists("protected_a.htm"));

        exclude->setPlainText(QStringLiteral("drafts/"));
        QVERIFY(!w.find("lblExcludeProblem")->isVisible());
        w.protect();
        QVERIFY(site.exists("protected_a.htm") && site.exists("sub/protected_b.html"));
        QVERIFY(!site.exists("drafts/protected_d.htm"));
        QCOMPARE(w.status(), QStringLiteral("The following 3 files have been protected"));

        w.restart(true);
        test::fs::remove_all(site.path() / "sub");
        w.addFolder(q(site.str() + "/sub"));
        QCOMPARE(w.files()->topLevelItem(0)->child(0)->text(1), QStringLiteral("gone"));
        w.addFiles({q(site.str() + "/a.htm"), q(site.str() + "/gone.htm")});
        QCOMPARE(w.files()->topLevelItem(0)->child(2)->text(1), QStringLiteral("gone"));
        QCOMPARE(w.files()->topLevelItem(0)->text(1), QStringLiteral("1 page in all"));
    }

    // A copy into a folder that holds files no run wrote asks before it replaces them, naming
    // them: No keeps them and shows the folder box; Yes copies over them, as --force does.
    void aCopyOverOthersFilesAsksFirst()
    {
        Wizard w;
        test::TempFolder site;
        test::TempFolder target;
        site.write("a.htm", "<p>a</p>");
        site.write("b.htm", "<p>b</p>");
        target.write("a.htm", "mine");
        w.addFolder(q(site.str()));
        w.click(2, "optSave_1");
        w.find<QLineEdit>("txtSaveDir")->setText(q(target.str()));
        w.protect();
        QCOMPARE(w.dialogs.questions.size(), std::size_t(1));
        const QString question = w.dialogs.questions[0].text;
        QVERIFY(question.startsWith(QStringLiteral("The target folder %1 already holds 1 file that "
                                                   "the copy would replace")
                                        .arg(q(target.str()))));
        QVERIFY(question.contains(q(target.str() + "/a.htm")));
        QVERIFY(w.dialogs.messages.empty());
        QCOMPARE(target.read("a.htm"), std::string("mine"));
        QVERIFY(!target.exists("b.htm"));
        QCOMPARE(w.window->currentPage(), 2);
        QCOMPARE(QApplication::focusWidget(), w.find("txtSaveDir"));

        w.protect(true);
        QTRY_VERIFY_WITH_TIMEOUT(!w.window->running(), 60000);
        QCOMPARE(w.dialogs.questions.size(), std::size_t(2));
        QVERIFY(target.read("a.htm").ends_with(marker));
        QVERIFY(target.read("b.htm").ends_with(marker));
        QCOMPARE(w.window->state(), State::Finished);
    }

    // After an undo that left files, Undo stays on only while a second one can do more: where
    // the file system refused (here a folder stands where a page was written). The pages put
    // back are greyed and View Page leaves them alone; a file changed since the run stays as it
    // is, and once only such files are left, Undo is off and Restart asks nothing more.
    void anUndoInPartIsOfferedAgainOnlyWhereItCanDoMore()
    {
        Wizard w;
        test::TempFolder site;
        for (const char* page : {"a.htm", "b.htm", "c.htm"}) {
            site.write(page, "<p>page</p>");
        }
        w.addFolder(q(site.str()));
        w.protect();
        const std::string written = site.read("protected_b.htm");
        site.write("protected_a.htm", "changed");
        test::fs::remove(site.path() / "protected_b.htm");
        test::fs::create_directories(site.path() / "protected_b.htm" / "in");
        QPushButton* undo = w.find<QPushButton>("cmdUndo");
        w.dialogs.answers.push_back(true);
        undo->click();
        QCOMPARE(w.dialogs.messages.back().items.size(), 2);
        QVERIFY(!site.exists("protected_c.htm"));
        QVERIFY(undo->isEnabled());
        QVERIFY(w.status().endsWith(QStringLiteral("Undo tries again those that could not be "
                                                   "changed.")));
        QTreeWidgetItem* folder = w.results()->topLevelItem(0);
        QCOMPARE(folder->child(2)->toolTip(0),
                 QStringLiteral("Undone: it is as it was before the run."));
        w.results()->setCurrentItem(folder->child(2));
        QVERIFY(!w.find<QPushButton>("cmdViewPage")->isEnabled());
        w.results()->setCurrentItem(folder->child(1));
        QVERIFY(w.find<QPushButton>("cmdViewPage")->isEnabled());

        test::fs::remove_all(site.path() / "protected_b.htm");
        site.write("protected_b.htm", written);
        w.dialogs.answers.push_back(true);
        undo->click();
        QVERIFY(w.dialogs.questions.back().text.startsWith(
            QStringLiteral("Undo the rest of this run?")));
        QVERIFY(!site.exists("protected_b.htm"));
        QCOMPARE(site.read("protected_a.htm"), std::string("changed"));
        QCOMPARE(w.dialogs.messages.back().items.size(), 1);
        QVERIFY(!undo->isEnabled());
        QCOMPARE(w.status(),
                 QStringLiteral("The run was undone in part: 1 file was left as it is."));
        w.results()->setCurrentItem(folder->child(1));
        QVERIFY(!w.find<QPushButton>("cmdViewPage")->isEnabled());
        w.restart(false);
    }

    // The second click of a double click on Protect finds Restart not yet taking clicks; Restart
    // then asks while the run can be undone, and No keeps the results and Undo. Once undone, or
    // when the run wrote nothing to undo, Restart asks nothing.
    void restartWaitsOutADoubleClickAndAsksWhileUndoIsPossible()
    {
        Wizard w;
        test::TempFolder site;
        site.write("a.htm", "<p>a</p>");
        w.addFolder(q(site.str()));
        bool takenAtEnd = true;
        QObject::connect(w.window.get(), &wizard::frmMain::runEnded, [&] {
            takenAtEnd = w.next()->isEnabled();
            QTest::mouseClick(w.next(), Qt::LeftButton);
        });
        w.protect();
        QVERIFY(!takenAtEnd);
        QCOMPARE(w.window->state(), State::Finished);
        QVERIFY(w.dialogs.questions.empty());
        QTRY_VERIFY(w.next()->isEnabled());
        w.next()->click();
        QCOMPARE(w.dialogs.questions.size(), std::size_t(1));
        QVERIFY(w.dialogs.questions[0].text.startsWith(QStringLiteral("Start again?")));
        QCOMPARE(w.window->state(), State::Finished);
        QCOMPARE(w.results()->topLevelItemCount(), 1);
        QVERIFY(w.find<QPushButton>("cmdUndo")->isEnabled());
        w.restart(true);
        QCOMPARE(w.results()->topLevelItemCount(), 0);
        QVERIFY(!w.find<QPushButton>("cmdUndo")->isEnabled());

        Wizard done; // every page protected already: nothing is written, nothing to undo
        test::TempFolder protectedSite;
        protectedSite.write("b.htm", "<p>b</p>" + marker);
        done.addFolder(q(protectedSite.str()));
        done.protect();
        QVERIFY(!done.find<QPushButton>("cmdUndo")->isEnabled());
        done.restart(false);
    }

    // Pages that cannot be written are marked in the results with their message, and one
    // message at the end says how many, why, and which; a copy whose target folder cannot be
    // made stops at its first page, with one message.
    void failuresAreCollectedIntoOneMessage()
    {
        test::TempFolder site;
        QStringList failed;
        for (int i = 0; i < 6; ++i) {
            site.write(SitePageName(i), "<p>x</p>");
            if (i % 3 != 0) {
                const auto earlier = site.write("protected_" + SitePageName(i), "earlier" + marker);
                test::fs::permissions(earlier, test::fs::perms::owner_read);
                failed.push_back(q(site.str() + "/" + SitePageName(i)));
            }
        }
        Wizard w;
        w.addFolder(q(site.str()));
        w.protect(true);
        QCOMPARE(w.dialogs.messages.size(), std::size_t(1));
        QCOMPARE(w.dialogs.messages[0].text,
                 QStringLiteral("4 pages could not be protected.\n\nThe files they replace in "
                                "%1, or the folder itself, are read-only.\n\n%2\n\nEach one is "
                                "marked in the results: point at it to read what went wrong.")
                     .arg(q(site.str()), failed.join(QLatin1Char('\n'))));
        QCOMPARE(w.status(),
                 QStringLiteral("The following 2 files have been protected; 4 could not be "
                                "protected"));
        QStringList marked;
        for (int i = 0; i < w.results()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* node = w.results()->topLevelItem(i);
            if (node->data(0, Qt::UserRole).toString() == QStringLiteral("failed")) {
                QVERIFY(node->toolTip(0).startsWith(QStringLiteral("Unable to Access File: ")));
                marked.push_back(node->text(0));
            }
        }
        QCOMPARE(marked, failed);

        Wizard copy;
        copy.addFolder(q(site.str()));
        copy.click(2, "optSave_1");
        copy.find<QLineEdit>("txtSaveDir")->setText(q(site.str() + "/p0.htm/out"));
        copy.protect();
        QCOMPARE(copy.dialogs.messages.size(), std::size_t(1));
        const QString stop = copy.dialogs.messages[0].text;
        QVERIFY2(stop.startsWith(QStringLiteral("The target folder cannot be made: %1 could not "
                                                "be created (")
                                     .arg(q(site.str() + "/p0.htm"))) &&
                     stop.endsWith(QStringLiteral("). Nothing was protected: the run stopped "
                                                  "after the first page.")),
                 qPrintable(stop));
        QCOMPARE(copy.status(), stop);
        QCOMPARE(copy.results()->topLevelItemCount(), 1);
    }

    // A field the run cannot use is shown with its message, and nothing is written: a lock that
    // could never match says why right below its box, which the next edit clears.
    void aFieldTheRunCannotUseIsShown()
    {
        // The page, the check box or option button that makes the field count, the field, its text
        // and the message, and whether it stands below the field rather than in a box.
        const std::tuple<int, const char*, const char*, QString, QString, bool> cases[] = {
            {3, "chkPasswordScript", "txtPassword", QString(),
             QStringLiteral("Please Enter a Password"), false},
            {3, "chkDomainLock", "txtLockDomain", QStringLiteral("not a domain!!"),
             QStringLiteral("\"domain!!\" in the domain lock is not a host name. Give host names "
                            "such as www.example.com"),
             true},
            {3, "chkURLLock", "txtLockURL", QStringLiteral("ftp//bad url"),
             QStringLiteral("The URL lock \"ftp//bad url\" is not a web address. Give the "
                            "address of a page, beginning with http:// or https://"),
             true},
            {2, "optSave_1", "txtSaveDir", QStringLiteral("  "),
             QStringLiteral("Please Enter a Folder"), false},
            {2, "chkCopyrightNotice", "txtCopyrightNotice",
             QStringLiteral("x--!><script>alert(1)</script>"),
             QStringLiteral("The notice may not hold"), false},
        };
        for (const auto& [page, option, field, text, message, beside] : cases) {
            Wizard w;
            test::TempFolder site;
            site.write("a.htm", "<p>a</p>");
            w.addFolder(q(site.str()));
            w.click(page, option);
            auto* box = w.find<QLineEdit>(field);
            box->setText(text);
            w.protect();
            QCOMPARE(w.window->currentPage(), page);
            QCOMPARE(w.window->focusWidget(), box);
            auto* problem = w.find<QLabel>("lblLockProblem");
            const QString told =
                beside ? problem->text()
                       : (w.dialogs.messages.empty() ? QString() : w.dialogs.messages.back().text);
            QVERIFY2(told.startsWith(message), qPrintable(told));
            QCOMPARE(problem->isVisible(), beside);
            QCOMPARE(w.dialogs.messages.empty(), beside);
            QCOMPARE(w.next()->text(), QStringLiteral("&Next >>"));
            QVERIFY(!site.exists("protected_a.htm"));
            if (beside) {
                const QRect under = placed(box), shown = placed(problem);
                QVERIFY(shown.top() >= under.bottom() && shown.top() - under.bottom() <= 24);
                QTest::keyClicks(box, QStringLiteral("x"));
                QVERIFY(!problem->isVisible());
            }
        }
    }

    void closingDuringARunSaysSoStopsAfterThePageAndCloses()
    {
        constexpr int pages = 200;
        Wizard w;
        test::TempFolder site;
        test::WriteSite(site, pages);
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
        QTRY_VERIFY_WITH_TIMEOUT(!w.window->isVisible(), 60000);
        QCOMPARE(w.dialogs.questions.back().text,
                 QStringLiteral("A protection run is at work. Stop it after the page it is on, "
                                "and quit?"));
        const int written = protectedWhole(site, pages);
        QVERIFY2(written >= 1 && written < pages, qPrintable(QString::number(written)));
    }

    // The results name every page whole (by scrolling sideways and in a node's tip); View Page
    // waits for a result, opens folders as folders, and says when nothing could be opened.
    void resultsNamePagesWholeAndViewPageSaysWhatFailed()
    {
        Wizard w;
        test::TempFolder site;
        const std::string deep = "a-folder-with-a-rather-long-name/and-another-one-below-it";
        site.write(deep + "/page-with-a-long-name.htm", "<p>a</p>");
        w.addFolder(q(site.str()));
        w.window->ShowPage(5);
        auto* view = w.find<QPushButton>("cmdViewPage");
        QVERIFY(!view->isEnabled());
        w.protect();
        QTreeWidgetItem* folder = w.results()->topLevelItem(0);
        QTreeWidgetItem* page = folder->child(0);
        const QString whole = q(site.str() + "/" + deep + "/protected_page-with-a-long-name.htm");
        QCOMPARE(wizard::ResultsPage::resultPath(page), whole);
        QTRY_VERIFY(w.results()->columnWidth(0) > w.results()->viewport()->width());
        w.results()->scrollToItem(page);
        QHelpEvent tip(QEvent::ToolTip, w.results()->visualItemRect(page).center(), QPoint());
        QApplication::sendEvent(w.results()->viewport(), &tip);
        QCOMPARE(QToolTip::text(), whole);

        w.results()->setCurrentItem(folder);
        QVERIFY(view->isEnabled());
        view->click();
        QCOMPARE(w.dialogs.opened.back(), QUrl::fromLocalFile(q(site.str())));
        QVERIFY(w.dialogs.messages.empty());
        w.dialogs.opens = false;
        w.results()->setCurrentItem(page);
        view->click();
        QCOMPARE(w.dialogs.opened.back(), QUrl::fromLocalFile(whole));
        QCOMPARE(w.dialogs.messages.back().text,
                 whole + QStringLiteral(" could not be opened: no browser or file manager could "
                                        "be started for it."));
        w.window->ShowPage(0);
        QTest::mouseClick(w.find<QLabel>("HyperLink21"), Qt::LeftButton);
        QCOMPARE(w.dialogs.opened.back(), QUrl(wizard::productSite));
        QCOMPARE(w.dialogs.messages.size(), std::size_t(2));
    }

    // The window fits a 960 x 540 screen (a 1920 x 1080 one at twice the scale) with room for
    // its frame, and at any size a box stays beside its label.
    void theWindowFitsSmallScreensAndBoxesStayBesideTheirLabels()
    {
        Wizard w;
        const QSize least = w.window->minimumSizeHint();
        QVERIFY2(least.width() <= 960 && least.height() <= 500,
                 qPrintable(QStringLiteral("%1 x %2").arg(least.width()).arg(least.height())));
        const std::tuple<int, const char*, const char*> pairs[] = {
            {0, "lblURL", "HyperLink21"},      {2, "txtSaveDir", "cmdSelectDirectory"},
            {3, "lblDomain", "txtLockDomain"}, {3, "lblLockTo", "txtLockURL"},
            {3, "lblPwd", "txtPassword"},      {4, "chkRightMouse", "txtRightClickWarning"},
        };
        for (const QSize size : {least, QSize(1900, 1000)}) {
            w.window->resize(size);
            for (const auto& [page, labelName, boxName] : pairs) {
                w.window->ShowPage(page);
                QApplication::processEvents();
                QWidget* shown = w.find(labelName);
                const QRect label = placed(shown), box = placed(w.find(boxName));
                // A label's text ends at its size hint; a text box grows to its full width.
                const int labelEnd = qobject_cast<QLineEdit*>(shown)
                                         ? label.right() + 1
                                         : label.left() + shown->sizeHint().width();
                const QString trace = QStringLiteral("%1 at %2").arg(boxName).arg(size.width());
                QVERIFY2(box.left() >= labelEnd && box.left() - labelEnd <= 24, qPrintable(trace));
                QVERIFY2(qAbs(box.center().y() - label.center().y()) <= label.height() / 2,
                         qPrintable(trace));
            }
            QVERIFY(w.window->rect().contains(placed(w.next())));
        }
    }

    // At scale 2 on a screen of 1920 x 1080 with a task bar of 60 pixels, the window and its
    // frame (a title bar of 64 pixels) open within what is left, down to its least size.
    void theWindowOpensWithinTheAvailableAreaLessItsFrame()
    {
        Wizard w;
        const QSize least = w.window->minimumSizeHint();
        const QMargins frame(2, 32, 2, 2);
        for (const QRect area : {QRect(0, 0, 960, 510), QRect(0, 30, 960, 510)}) {
            for (const QSize wanted : {w.window->sizeHint(), QSize(3000, 3000), least}) {
                const QRect placed = wizard::PlaceWithin(area, frame, wanted, least);
                const QString trace = QStringLiteral("%1 x %2 at %3")
                                          .arg(placed.width())
                                          .arg(placed.height())
                                          .arg(area.top());
                QVERIFY2(area.contains(placed.marginsAdded(frame)), qPrintable(trace));
                QVERIFY2(placed.size() == wanted.boundedTo(placed.size()), qPrintable(trace));
                QVERIFY(placed.width() >= least.width() && placed.height() >= least.height());
                // Centred: as much room above as below, to a pixel.
                const int above = placed.top() - frame.top() - area.top();
                const int below = area.bottom() - placed.bottom() - frame.bottom();
                QVERIFY2(qAbs(above - below) <= 1, qPrintable(trace));
            }
        }
        // On a screen too small even for the least size, the title bar stays on it.
        const QRect tiny(0, 30, least.width() - 100, least.height() - 100);
        const QRect placed = wizard::PlaceWithin(tiny, frame, least, least);
        QCOMPARE(placed.topLeft(), QPoint(frame.left(), tiny.top() + frame.top()));

        w.window->placeOnScreen();
        QVERIFY(w.window->screen()->availableGeometry().contains(w.window->frameGeometry()));
    }

    // Enter presses Next (or the button with the focus), Escape asks to quit, and Tab reaches
    // the page list, where Enter shows a page.
    void theKeyboardWalksTheWizard()
    {
        Wizard w;
        test::TempFolder site;
        w.addFolder(q(site.str()));
        w.window->ShowPage(0);
        w.next()->setFocus();
        w.activate();
        w.key(Qt::Key_Return);
        QCOMPARE(w.window->currentPage(), 1);
        w.find<QWidget>("cmdAddFolder")->setFocus();
        w.key(Qt::Key_Enter);
        QCOMPARE(w.dialogs.folderStarts.size(), std::size_t(2));
        QCOMPARE(w.window->currentPage(), 1);
        w.click(3, "chkDomainLock");
        w.find<QWidget>("txtLockDomain")->setFocus();
        w.key(Qt::Key_Return);
        QCOMPARE(w.window->currentPage(), 4);

        // Tab goes from the buttons down the page list, never to the title; a page chosen
        // there takes the focus to its first control, and Tab from its last one goes on to the
        // buttons.
        w.next()->setFocus();
        w.key(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.find<QWidget>("lnkFrame_0"));
        w.key(Qt::Key_Tab);
        w.key(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.find<QWidget>("lnkFrame_2"));
        w.key(Qt::Key_Space);
        QCOMPARE(w.window->currentPage(), 2);
        QCOMPARE(QApplication::focusWidget(), w.find<QWidget>("optSave_2"));
        w.window->ShowPage(1);
        w.find<QWidget>("txtExclude")->setFocus();
        w.key(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.find<QWidget>("cmdExit"));
        QVERIFY(w.dialogs.opened.empty());

        w.key(Qt::Key_Escape);
        QCOMPARE(w.dialogs.questions.back().text, QStringLiteral("Are you sure you wish to quit?"));
        QVERIFY(w.window->isVisible());
        QCOMPARE(w.window->currentPage(), 1);
        w.dialogs.answers.push_back(true);
        QVERIFY(w.window->close());
    }

    // Alt and a letter reaches one control only, on every page: every option of a group has a
    // letter of its own, and none is taken twice among what the page and the buttons show.
    void mnemonicsAreDistinctOnEveryPageAndReachTheOptions()
    {
        Wizard w;
        for (int page = 0; page < 6; ++page) {
            w.window->ShowPage(page);
            QMap<QKeySequence, QString> taken;
            for (QWidget* widget : w.window->findChildren<QWidget*>()) {
                const auto* button = qobject_cast<QAbstractButton*>(widget);
                const auto* label = qobject_cast<QLabel*>(widget);
                if (!widget->isVisibleTo(w.window.get()) || (!button && !label)) {
                    continue;
                }
                const QString text = button ? button->text() : label->text();
                const QKeySequence letter = QKeySequence::mnemonic(text);
                if (qobject_cast<const QRadioButton*>(widget)) {
                    QVERIFY2(!letter.isEmpty(), qPrintable(widget->objectName()));
                }
                if (!letter.isEmpty()) {
                    QVERIFY2(!taken.contains(letter),
                             qPrintable(taken.value(letter) + " / " + widget->objectName()));
                    taken.insert(letter, widget->objectName());
                }
            }
        }
        w.window->ShowPage(3);
        w.find<QWidget>("optProtect_3")->setFocus();
        w.activate();
        w.key(Qt::Key_D, Qt::AltModifier);
        QTRY_VERIFY(w.find<QRadioButton>("optProtect_2")->isChecked());
        w.window->ShowPage(2);
        w.find<QWidget>("optSave_2")->setFocus();
        w.key(Qt::Key_V, Qt::AltModifier);
        QTRY_VERIFY(w.find<QRadioButton>("optSave_0")->isChecked());
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
        QVERIFY(w.find<QLabel>("lblLicences")
                    ->text()
                    .contains(QStringLiteral("Qt ") + QString::fromLatin1(qVersion())));
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
    }

    // A project saved by the window and run by the command line gives the very files the window
    // writes, leaving out what the window leaves out; the window started again by the same user
    // opens it with every choice as it was, and another user's window does not. Save As
    // proposes the project beside the picked folder, not inside it.
    void aSavedProjectRunsAlikeInTheCommandLineAndOpensAgain()
    {
        Wizard w;
        test::TempFolder work;
        test::fs::copy(QUORLANE_EXAMPLES "/site", work.path() / "site",
                       test::fs::copy_options::recursive);
        w.addFolder(q((work.path() / "site").string()));
        w.click(2, "optSave_1");
        w.find<QLineEdit>("txtSaveDir")->setText(q((work.path() / "by-wizard").string()));
        w.find<QCheckBox>("chkCopyrightNotice")->click();
        w.window->ShowPage(1);
        w.find<QPlainTextEdit>("txtExclude")->setPlainText(QStringLiteral("css/  \n\n"));
        w.click(3, "optProtect_1");
        w.find<QCheckBox>("chkDomainLock")->click();
        w.window->ShowPage(4);
        for (const char* name : {"chkScript_0", "chkScript_5", "chkScript_9", "chkRightMouse"}) {
            w.find<QCheckBox>(name)->click();
        }
        w.window->ShowPage(0);
        w.dialogs.pathAnswers.push_back(q((work.path() / "bakery").string()));
        w.find<QPushButton>("cmdSaveProjectAs")->click();
        QCOMPARE(w.dialogs.pathStarts.back(), q((work.path() / "site.quorlane.json").string()));
        QVERIFY(work.exists("bakery.quorlane.json"));
        w.protect();
        QCOMPARE(w.next()->text(), QStringLiteral("&Restart"));

        test::CliProcess cli;
        QCOMPARE(
            cli.run("protect --quiet --project bakery.quorlane.json --target by-cli", work.str()),
            0);
        const auto copy = test::TreeOf(work.path() / "by-wizard");
        QVERIFY(!copy.contains("css/style.css") && copy.contains("pages/menu.html"));
        QVERIFY(copy == test::TreeOf(work.path() / "by-cli"));

        FakeDialogs dialogs;
        wizard::frmMain again(dialogs, w.programFolder.str(), w.userFolder.str(), 2026);
        QVERIFY(again.settings() == w.window->settings());
        QVERIFY(again.pickFilesPage()->selection() == w.window->pickFilesPage()->selection());
        QVERIFY(again.pickFilesPage()->exclude() == std::vector<std::u16string>{u"css/"});
        // Another user of the same program starts afresh.
        test::TempFolder otherUser;
        wizard::frmMain others(dialogs, w.programFolder.str(), otherUser.str(), 2026);
        QVERIFY(!others.pickFilesPage()->hasEntries());
        QVERIFY(again.findChild<QLabel*>(QStringLiteral("lblProject"))
                    ->text()
                    .endsWith(QStringLiteral("bakery.quorlane.json")));

        // Restart empties the list of pages and leaves the project: saving then asks for a
        // file (none given here) instead of writing a project without pages over it.
        const std::string saved = work.read("bakery.quorlane.json");
        w.restart(true);
        w.find<QPushButton>("cmdSaveProject")->click();
        QCOMPARE(work.read("bakery.quorlane.json"), saved);
    }
    // The switches that shut visitors out are warned of on the Go! page while they are on.
    void theGoPageWarnsOfSwitchesThatShutVisitorsOut()
    {
        Wizard w;
        test::TempFolder site;
        site.write("a.htm", "<p>a</p>");
        w.addFolder(q(site.str()));
        const auto warnings = [&] {
            w.window->ShowPage(5);
            QStringList found;
            auto* list = w.find<QListWidget>("lstFindings");
            for (int i = 0; i < list->count(); ++i) {
                if (list->item(i)->toolTip() != QStringLiteral("noscript-notice-only")) {
                    found.push_back(list->item(i)->toolTip());
                }
            }
            return found;
        };
        QVERIFY(warnings().isEmpty());
        QCOMPARE(w.find<QLabel>("lblFindings")->text(),
                 QStringLiteral("Nothing found that the protection would break."));
        w.click(4, "chkScript_11");
        w.click(4, "chkScript_2");
        QCOMPARE(warnings(), QStringList({QStringLiteral("gecko-turned-away"),
                                          QStringLiteral("offline-blank")}));
        QCOMPARE(w.find<QLabel>("lblFindings")->text(),
                 QStringLiteral("2 warnings about what the protection would break or leave "
                                "open:"));
        QVERIFY(w.find<QListWidget>("lstFindings")
                    ->findItems(QStringLiteral("Firefox"), Qt::MatchContains)
                    .size() == 1);
        w.click(4, "chkScript_11");
        QCOMPARE(warnings(), QStringList{QStringLiteral("offline-blank")});
    }

    // Changes to the project are offered for saving before Open Project, Restart and quitting
    // lose them; Cancel keeps everything. A choice no project can hold is told before a file is
    // asked for.
    void unsavedChangesAreOfferedBeforeTheyAreLost()
    {
        Wizard w;
        test::TempFolder work;
        work.write("site/a.htm", "<p>a</p>");
        w.addFolder(q(work.str() + "/site"));
        const auto saveAs = [&](const std::string& name) {
            w.window->ShowPage(0);
            w.dialogs.pathAnswers.push_back(q(work.str() + "/" + name));
            w.find<QPushButton>("cmdSaveProjectAs")->click();
        };
        w.window->ShowPage(2);
        w.find<QCheckBox>("chkCopyrightNotice")->setChecked(true);
        w.find<QLineEdit>("txtCopyrightNotice")->setText(QStringLiteral("a --> b"));
        saveAs("refused");
        QVERIFY(w.dialogs.pathStarts.empty()); // no file was asked for
        w.dialogs.pathAnswers.clear();
        QVERIFY2(w.dialogs.messages.back().text.contains(QStringLiteral("notice.text")),
                 qPrintable(w.dialogs.messages.back().text));
        w.find<QCheckBox>("chkCopyrightNotice")->setChecked(false);
        saveAs("bakery");
        const std::string saved = work.read("bakery.quorlane.json");
        QVERIFY(w.window->close() == false); // nothing changed: the quit question, answered No
        QCOMPARE(w.dialogs.questions.back().text, QStringLiteral("Are you sure you wish to quit?"));

        w.click(4, "chkScript_0");
        w.window->ShowPage(0);
        const QString name = QDir::toNativeSeparators(q(work.str() + "/bakery.quorlane.json"));
        const std::size_t starts = w.dialogs.pathStarts.size();
        w.find<QPushButton>("cmdOpenProject")->click();
        QCOMPARE(w.dialogs.pathStarts.size(), starts); // cancelled before the file dialog
        QCOMPARE(w.dialogs.questions.back().text,
                 QStringLiteral("Save the changes to the project %1 before another project is "
                                "opened?")
                     .arg(name));
        QVERIFY(!w.window->close());
        QVERIFY(w.window->isVisible());
        QCOMPARE(w.dialogs.questions.back().text,
                 QStringLiteral("Save the changes to the project %1 before quitting?").arg(name));
        QCOMPARE(work.read("bakery.quorlane.json"), saved);

        // Restart offers the changes first, then asks whether to leave the run's Undo.
        w.protect();
        const std::size_t asked = w.dialogs.questions.size();
        w.dialogs.saveAnswers.push_back(QMessageBox::Save);
        w.dialogs.answers.push_back(true);
        w.waitForNext();
        w.next()->click();
        QCOMPARE(w.window->currentPage(), 0);
        QCOMPARE(w.dialogs.questions.size(), asked + 2);
        QVERIFY(w.dialogs.questions[asked].text.endsWith(QStringLiteral("before starting again?")));
        QVERIFY(w.dialogs.questions[asked + 1].text.startsWith(QStringLiteral("Start again?")));
        FakeDialogs dialogs;
        wizard::frmMain again(dialogs, w.programFolder.str(), w.userFolder.str(), 2026);
        QVERIFY(again.scriptsPage()->ui.chkScript[0]->isChecked());

        // With no project, picked pages are offered before another project replaces them, and
        // quitting asks as it always did.
        w.addFolder(q(work.str() + "/site"));
        w.dialogs.saveAnswers.push_back(QMessageBox::Discard);
        w.window->ShowPage(0);
        w.find<QPushButton>("cmdOpenProject")->click();
        QCOMPARE(w.dialogs.pathStarts.size(), starts + 1);
        QVERIFY(!w.window->close());
        QCOMPARE(w.dialogs.questions.back().text, QStringLiteral("Are you sure you wish to quit?"));
    }
};

int main(int argc, char** argv)
{
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    quorlane::wizard::installTranslations(app);
    WizardTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WizardTest.moc"
