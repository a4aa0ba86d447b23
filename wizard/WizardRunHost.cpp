#include "wizard/WizardRunHost.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTreeWidget>

#include "wizard/Dialogs.h"
#include "wizard/frmMain.h"

namespace quorlane::wizard {

namespace {

QString textOf(const core::PathString& path)
{
    return QString::fromStdU16String(core::TextFromPath(path));
}

} // namespace

WizardRunHost::WizardRunHost(frmMain& window)
    : m_window(window)
{
    m_window.m_results->ui.treeResults->clear();
    m_window.m_results->ui.cmdViewPage->setEnabled(false);
}

bool WizardRunHost::cancelRequested()
{
    return m_window.cancelRequested();
}

void WizardRunHost::refused(const run::Refusal& refusal)
{
    if (refusal.field) {
        showField(*refusal.field);
    }
    if (!refusal.status.empty()) {
        setStatus(refusal.status);
    }
    show(refusal.message);
}

void WizardRunHost::notice(const run::RunNotice& notice)
{
    if (!notice.status.empty()) {
        setStatus(notice.status);
    }
    if (notice.message) {
        show(*notice.message);
    }
    if (notice.kind == run::RunNotice::Kind::PageFindings) {
        m_findings[notice.page] = notice.findings;
    }
}

// Back stays disabled until the run ends.
void WizardRunHost::started(const run::RunStart& start)
{
    if (!start.status.empty()) {
        setStatus(start.status);
    }
    m_window.m_results->ui.treeResults->setVisible(true);
    m_window.m_cmdPrev->setEnabled(false);
}

void WizardRunHost::pageDone(const run::PageOutcome& outcome)
{
    switch (outcome.kind) {
    case run::PageOutcome::Kind::Protected:
        addResult(outcome);
        break;
    case run::PageOutcome::Kind::Failed:
    case run::PageOutcome::Kind::FolderFailed:
        show(*outcome.message);
        break;
    case run::PageOutcome::Kind::Skipped:
        break;
    }
    if (!outcome.status.empty()) {
        setStatus(outcome.status);
    }
    if (outcome.listed) {
        m_window.m_results->setProgress(
            run::ProgressPercentage(outcome.doneBytes, outcome.totalBytes));
        yield();
    }
}

void WizardRunHost::finished(const run::RunSummary&)
{
    ResultsPage* results = m_window.m_results;
    results->setProgress(0);
    results->ui.lblThanks->setVisible(true);
    results->ui.lblRestart->setVisible(true);
}

void WizardRunHost::setStatus(const std::u16string& text)
{
    QLabel* label = m_window.m_results->ui.lblResults;
    label->setText(QString::fromStdU16String(text));
    label->update();
}

void WizardRunHost::show(const files::Message& message)
{
    const QMessageBox::Icon icon =
        message.icon == files::Message::Icon::Warning       ? QMessageBox::Warning
        : message.icon == files::Message::Icon::Information ? QMessageBox::Information
                                                            : QMessageBox::NoIcon;
    m_window.m_dialogs.message(&m_window, icon, QString::fromStdU16String(message.title),
                               QString::fromStdU16String(message.text));
}

void WizardRunHost::showField(run::LockField field)
{
    m_window.setRunLocked(false);
    QLineEdit* box = nullptr;
    switch (field) {
    case run::LockField::Domain:
        box = m_window.m_encryption->ui.txtLockDomain;
        break;
    case run::LockField::Url:
        box = m_window.m_encryption->ui.txtLockURL;
        break;
    case run::LockField::Password:
        box = m_window.m_encryption->ui.txtPassword;
        break;
    case run::LockField::SaveDir:
        box = m_window.m_storeFiles->ui.txtSaveDir;
        break;
    case run::LockField::Notice:
        box = m_window.m_storeFiles->ui.txtCopyrightNotice;
        break;
    }
    const bool onStoreFiles = field == run::LockField::SaveDir || field == run::LockField::Notice;
    m_window.ShowPage(onStoreFiles ? 2 : 3);
    box->setFocus();
}

// The view's top-level items stand in the order of the tree's entries.
void WizardRunHost::addResult(const run::PageOutcome& outcome)
{
    QTreeWidget* view = m_window.m_results->ui.treeResults;
    const core::FileRecord& record = outcome.record;
    QTreeWidgetItem* parent = nullptr;
    if (!record.RootPath.empty()) {
        if (outcome.newFolder) {
            auto* folder = new QTreeWidgetItem(view, QStringList{textOf(record.RootPath)});
            folder->setIcon(0, images::folder());
        }
        parent = view->topLevelItem(static_cast<int>(outcome.treeEntry));
        parent->setExpanded(true);
    }
    auto* node = parent == nullptr
                     ? new QTreeWidgetItem(view, QStringList{textOf(record.Filename)})
                     : new QTreeWidgetItem(parent, QStringList{textOf(record.Filename)});
    node->setIcon(0, images::page());
    if (const auto found = m_findings.find(outcome.page); found != m_findings.end()) {
        m_window.m_results->markNode(node, found->second);
    }
    view->scrollToItem(node);
}

// The window takes its events after a page once 20 ms have passed since it last did: often
// enough to repaint smoothly and take a Cancel at once, and not so often that repainting costs
// more than protecting small pages.
void WizardRunHost::yield()
{
    if (!m_sinceEvents.isValid() || m_sinceEvents.elapsed() >= 20) {
        QCoreApplication::processEvents();
        m_sinceEvents.restart();
    }
}

} // namespace quorlane::wizard
