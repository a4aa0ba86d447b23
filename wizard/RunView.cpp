#include "wizard/RunView.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QStyle>
#include <QTreeWidget>

#include "run/ProtectionRun.h"
#include "wizard/Images.h"
#include "wizard/PathText.h"
#include "wizard/ResultsPage.h"
#include "wording/EndWording.h"
#include "wording/RunWording.h"

namespace quorlane::wizard {

namespace {

// A copy turned away for files in its target folder that no run wrote: the window asks whether
// to replace them rather than only telling.
bool asksToReplace(const run::Refusal& refusal)
{
    return refusal.kind == run::Refusal::Kind::TargetHoldsOthers;
}

// How many failed pages the closing message names.
constexpr std::size_t namedFailures = 5;

QString number(std::size_t n)
{
    return QLocale().toString(static_cast<qulonglong>(n));
}

// A message of the run as one text, its lines broken the window's way.
QString messageText(const wording::Message& message)
{
    return QString::fromStdU16String(message.text)
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString systemText(const run::FailureCause& cause)
{
    return cause.error ? QString::fromStdString(cause.error->text) : QString();
}

// The system's words in brackets, for a text that says a folder is read-only: none when they
// only say so again ("Read-only file system"), as the command line words it.
QString besidesReadOnly(const run::FailureCause& cause)
{
    const QString why = systemText(cause);
    if (why.isEmpty() || why.contains(QLatin1String("read-only"), Qt::CaseInsensitive)) {
        return {};
    }
    return QStringLiteral(" (%1)").arg(why);
}

} // namespace

RunView::RunView(RunWindow& window, core::ProtectionSettings settings)
    : m_window(window)
    , m_results(window.runResults())
    , m_settings(std::move(settings))
{
    ResultsPage::Ui& ui = m_results.ui;
    ui.treeResults->clear();
    ui.cmdViewPage->setEnabled(false);
    ui.cmdUndo->setEnabled(false);
    ui.lblThanks->setVisible(false);
    ui.lblRestart->setVisible(false);
    m_results.setProgress(0);
}

void RunView::show(const RunEvent& event)
{
    if (const auto* outcome = std::get_if<run::PageOutcome>(&event)) {
        pageDone(*outcome);
    } else if (const auto* notice = std::get_if<run::RunNotice>(&event)) {
        this->notice(*notice);
    } else if (const auto* start = std::get_if<run::RunStart>(&event)) {
        started(*start);
    } else if (const auto* refusal = std::get_if<run::Refusal>(&event)) {
        refused(*refusal);
    }
    // The summary of finished comes back with the run's return, where it is shown.
}

void RunView::showBatch()
{
    if (m_lastNode != nullptr) {
        m_results.ui.treeResults->scrollToItem(m_lastNode);
        m_lastNode = nullptr;
    }
    if (m_progress) {
        m_results.setProgress(*m_progress);
        m_progress.reset();
    }
}

void RunView::refused(const run::Refusal& refusal)
{
    // Files of others in the target folder are asked about at the end, on this page.
    if (refusal.field && !asksToReplace(refusal)) {
        showField(*refusal.field);
    }
    // A run turned away began nothing: the status line says so, or goes back to what it said
    // before.
    const std::u16string status = wording::StatusAfter(refusal);
    if (status.empty()) {
        m_results.showReady();
    } else {
        setStatus(status);
    }
    m_refusal = refusal;
}

// A run that waits for another says so in the status line; what it could not keep is told at
// the end, in the one message of the run.
void RunView::notice(const run::RunNotice& notice)
{
    setStatus(wording::StatusAfter(notice));
    if (notice.kind == run::RunNotice::Kind::PageFindings) {
        m_findings[notice.path] = notice.findings;
    } else if (const auto message = wording::NoticeMessage(notice)) {
        if (notice.kind == run::RunNotice::Kind::WaitingForOtherRun) {
            setStatus(message->text);
        } else {
            m_notes.push_back(messageText(*message));
        }
    }
}

// Back stays disabled until the run ends.
void RunView::started(const run::RunStart& start)
{
    setStatus(wording::StatusAfter(start));
    m_results.ui.treeResults->setVisible(true);
    m_window.runBegun();
}

void RunView::pageDone(const run::PageOutcome& outcome)
{
    switch (outcome.kind) {
    case run::PageOutcome::Kind::Protected:
        addResult(outcome);
        break;
    case run::PageOutcome::Kind::Failed:
    case run::PageOutcome::Kind::FolderFailed:
        addFailure(outcome);
        break;
    case run::PageOutcome::Kind::Copied:
        break;
    case run::PageOutcome::Kind::Skipped:
        m_alreadyProtected += outcome.reason == run::SkipReason::AlreadyProtected ? 1 : 0;
        if (const auto message = wording::SkipMessage(outcome)) {
            m_notes.push_back(messageText(*message));
        }
        break;
    }
    setStatus(wording::StatusAfter(outcome));
    if (outcome.listed) {
        m_progress = run::ProgressPercentage(outcome.doneBytes, outcome.totalBytes);
    }
}

void RunView::setStatus(const std::u16string& text)
{
    if (text.empty()) {
        return;
    }
    m_results.ui.lblResults->setText(QString::fromStdU16String(text));
}

void RunView::showField(run::LockField field)
{
    m_window.showRefusedField(field);
}

// A page picked on its own is an entry of the run's results by itself; the pages of a folder
// go under the folder's entry. Failures stand between the entries, so an entry's item is looked
// up by its number, not by its place in the view.
void RunView::addResult(const run::PageOutcome& outcome)
{
    QTreeWidget* view = m_results.ui.treeResults;
    const core::FileRecord& record = outcome.record;
    QTreeWidgetItem* node = nullptr;
    if (record.RootPath.empty()) {
        node = new QTreeWidgetItem(view, QStringList{textOf(record.Filename)});
        m_entries.push_back(node);
    } else {
        if (outcome.newFolder) {
            auto* folder = new QTreeWidgetItem(view, QStringList{textOf(record.RootPath)});
            folder->setIcon(0, images::folder());
            m_entries.push_back(folder);
        }
        QTreeWidgetItem* parent = m_entries.at(outcome.treeEntry);
        parent->setExpanded(true);
        node = new QTreeWidgetItem(parent, QStringList{textOf(record.Filename)});
    }
    node->setIcon(0, images::page());
    node->setData(0, ResultsPage::pathRole, textOf(outcome.output));
    if (const auto found = m_findings.find(outcome.page); found != m_findings.end()) {
        m_results.markNode(node, found->second);
    }
    m_lastNode = node;
}

// A page or folder that failed: its whole path, marked, with the message as its tip.
void RunView::addFailure(const run::PageOutcome& outcome)
{
    QTreeWidget* view = m_results.ui.treeResults;
    auto* node = new QTreeWidgetItem(view, QStringList{textOf(outcome.page)});
    node->setIcon(0, QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical));
    node->setToolTip(0, messageText(wording::FailureMessage(outcome.failure)));
    node->setData(0, Qt::UserRole, QStringLiteral("failed"));
    m_failures.push_back({textOf(outcome.page), outcome.cause,
                          outcome.kind == run::PageOutcome::Kind::FolderFailed});
    if (m_firstFailure == nullptr) {
        m_firstFailure = node;
    }
    m_lastNode = node;
}

void RunView::finish(const RunReturned& end, bool quietly)
{
    ResultsPage* results = &m_results;
    const run::RunSummary& summary = end.summary;
    results->setProgress(0);
    QString box;
    if (end.failure) {
        results->ui.lblResults->setText(
            tr("The run stopped: %1").arg(QString::fromStdString(*end.failure)));
        box = results->ui.lblResults->text();
    } else if (m_refusal && !asksToReplace(*m_refusal)) {
        box = messageText(wording::RefusalMessage(*m_refusal));
    } else {
        results->ui.lblResults->setText(statusLine(summary));
        box = summary.targetUnwritable ? results->ui.lblResults->text() : failureText();
    }
    // A run that was turned away before it began has no end to thank for.
    const bool ran = !m_refusal || m_refusal->kind == run::Refusal::Kind::OtherRunAtWork;
    results->ui.lblRestart->setVisible(ran);
    results->ui.lblThanks->setVisible(ran && !m_refusal && !end.failure && !summary.cancelled &&
                                      !summary.targetUnwritable);
    // Failures stand beside the pages written, most often after them: the first is brought
    // into sight.
    if (m_firstFailure != nullptr) {
        results->ui.treeResults->scrollToItem(m_firstFailure, QAbstractItemView::PositionAtTop);
    }
    if (!m_notes.isEmpty()) {
        box += (box.isEmpty() ? QString() : QStringLiteral("\n\n")) +
               m_notes.join(QStringLiteral("\n\n"));
    }
    if (!box.isEmpty() && !quietly) {
        m_window.tellRunEnd(box);
    }
}

// The same words as the command line's last line.
QString RunView::statusLine(const run::RunSummary& summary) const
{
    const wording::EndCounts counts{m_failures.size(), m_alreadyProtected};
    return QString::fromStdU16String(wording::FinalStatusInWindow(
        summary, counts, m_results.ui.lblResults->text().toStdU16String()));
}

// The failures of the run in one text: how many, the cause they share in plain words, the
// first few by name. Empty when nothing failed.
QString RunView::failureText() const
{
    if (m_failures.empty()) {
        return {};
    }
    const Failure& first = m_failures.front();
    bool sameKind = true;
    bool sameFolder = true;
    std::size_t folders = 0;
    for (const Failure& failure : m_failures) {
        sameKind = sameKind && failure.cause.kind == first.cause.kind &&
                   failure.cause.error == first.cause.error;
        sameFolder = sameFolder && failure.cause.folder == first.cause.folder;
        folders += failure.folder ? 1 : 0;
    }
    const std::size_t pages = m_failures.size() - folders;
    QStringList parts;
    const QString pagesFailed =
        tr("%Ln page(s) could not be protected.", "", static_cast<int>(pages));
    const QString foldersFailed =
        tr("%Ln folder(s) could not be read.", "", static_cast<int>(folders));
    parts.push_back(folders == 0 ? pagesFailed
                    : pages == 0 ? foldersFailed
                                 : pagesFailed + QLatin1Char(' ') + foldersFailed);
    const QString cause = sameKind ? causeText(first.cause, sameFolder) : QString();
    parts.push_back(cause.isEmpty() ? tr("They failed for different reasons.") : cause);
    QStringList named;
    for (std::size_t i = 0; i < m_failures.size() && i < namedFailures; ++i) {
        named.push_back(m_failures[i].page);
    }
    if (m_failures.size() > namedFailures) {
        named.push_back(tr("and %1 more").arg(number(m_failures.size() - namedFailures)));
    }
    parts.push_back(named.join(QLatin1Char('\n')));
    parts.push_back(tr("Each one is marked in the results: point at it to read what went wrong."));
    return parts.join(QStringLiteral("\n\n"));
}

// A cause many failures share, in plain words; empty when only each message can tell.
QString RunView::causeText(const run::FailureCause& cause, bool oneFolder) const
{
    const QString folder = textOf(cause.folder);
    const QString why = systemText(cause);
    switch (cause.kind) {
    case run::FailureCause::Kind::FolderReadOnly:
        if (!oneFolder) {
            return tr("The folders they go into are read-only%1.").arg(besidesReadOnly(cause));
        }
        return (isTarget(folder) ? tr("The target folder %1 is read-only%2.")
                                 : tr("The folder %1 is read-only%2."))
            .arg(folder, besidesReadOnly(cause));
    case run::FailureCause::Kind::ReadOnly:
        return oneFolder ? tr("The files they replace in %1, or the folder itself, are read-only.")
                               .arg(folder)
                         : tr("The files they replace, or their folders, are read-only.");
    case run::FailureCause::Kind::FolderNotMade:
        return oneFolder ? tr("The folder %1 could not be created (%2).").arg(folder, why)
                         : tr("The folders they go into could not be created (%1).").arg(why);
    case run::FailureCause::Kind::Unreadable:
        return tr("They could not be read (%1).").arg(why);
    case run::FailureCause::Kind::Other:
        break;
    }
    return cause.error ? tr("The system said: %1.").arg(why) : QString();
}

bool RunView::isTarget(const QString& folder) const
{
    if (m_settings.saveMode != core::SaveMode::CopyToFolder) {
        return false;
    }
    const QString target =
        QFileInfo(QString::fromStdU16String(m_settings.saveDir)).canonicalFilePath();
    return !target.isEmpty() && QFileInfo(folder).canonicalFilePath() == target;
}

} // namespace quorlane::wizard
