// The window's Undo of its last run, from the record the run left.
#include "files/FileSystem.h"
#include "run/Restore.h"
#include "wizard/Dialogs.h"
#include "wizard/PathText.h"
#include "wizard/frmMain.h"
#include "wording/EndWording.h"
#include "wording/RunWording.h"

namespace quorlane::wizard {

namespace {

// The files an undo put back as they were before the run, or found so.
QStringList undonePaths(const run::RestoreReport& report)
{
    QStringList paths;
    for (const run::RestoreStep& step : report.steps) {
        using Action = run::RestoreStep::Action;
        if (step.action == Action::PutBack || step.action == Action::Removed ||
            step.action == Action::AlreadyUndone) {
            paths.push_back(textOf(step.path));
        }
    }
    return paths;
}

} // namespace

bool frmMain::undoRefused(const run::RestoreReport& report)
{
    if (report.busy) {
        m_dialogs.message(this, QMessageBox::Warning, productName,
                          QString::fromStdU16String(wording::UndoBusyText(*report.busy, false)));
        return true;
    }
    if (report.refusal) {
        m_dialogs.message(
            this, QMessageBox::Warning, productName,
            tr("The run cannot be undone: its record %1 %2.")
                .arg(textOf(m_lastManifest),
                     QString::fromStdString(wording::ManifestProblemText(*report.refusal))));
        return true;
    }
    return false;
}

// Undo, from the record the run left: the pages put back, what the run created removed; what
// was changed since is left alone and named.
void frmMain::undoRun()
{
    const QString question =
        m_undoneInPart
            ? tr("Undo the rest of this run? The files that could not be changed last time are "
                 "tried again. Files changed since the run are still left as they are.")
            : tr("Undo this run? Overwritten pages are put back from their backups, and the "
                 "files and folders the run created are removed. Files changed since the run "
                 "are left as they are.");
    if (m_lastManifest.empty()) {
        return;
    }
    // The record is checked before anything is asked: one that cannot be used is told at once.
    files::RealFileSystem fileSystem;
    if (undoRefused(run::RestoreRun(fileSystem, m_lastManifest, true)) ||
        !m_dialogs.askYesNo(this, QMessageBox::Question, productName, question)) {
        return;
    }
    const run::RestoreReport report = run::RestoreRun(fileSystem, m_lastManifest, false);
    if (undoRefused(report)) {
        return;
    }
    QStringList left;
    for (const run::RestoreStep& step : report.steps) {
        if (!run::LeavesSomething(step.action)) {
            continue;
        }
        const QString path = textOf(step.path);
        switch (step.action) {
        case run::RestoreStep::Action::ChangedSinceRun:
            left.push_back(tr("%1 was changed after the run and was left as it is.").arg(path));
            break;
        case run::RestoreStep::Action::NoBackup:
            left.push_back(
                tr("%1 was overwritten without a backup and cannot be put back.").arg(path));
            break;
        case run::RestoreStep::Action::BackupChanged:
            left.push_back(tr("The backup of %1 is missing or was changed.").arg(path));
            break;
        case run::RestoreStep::Action::ReplacedEarlierFile:
            left.push_back(tr("%1 replaced an earlier file that no backup keeps.").arg(path));
            break;
        case run::RestoreStep::Action::Missing:
            left.push_back(tr("%1 is gone: it was moved or removed since the run.").arg(path));
            break;
        default:
            left.push_back(tr("%1 could not be undone: %2.")
                               .arg(path, QString::fromStdString(step.error ? step.error->text
                                                                            : std::string())));
            break;
        }
    }
    if (report.complete) {
        // The window is as before the run: what the protection would do is told afresh, and
        // Protect may be pressed again.
        m_lastManifest.clear();
        m_undoneInPart = false;
        m_results->reset();
        if (m_currentPage == lastPage) {
            setState(WizardState::Ready);
            m_cmdPrev->setEnabled(true);
            showFindings();
        }
        m_results->ui.lblResults->setText(tr("The run was undone."));
        m_dialogs.message(this, QMessageBox::Information, productName, tr("The run was undone."));
        return;
    }
    // The results no longer say what stands on disk: the pages put back are marked, and the
    // status line says what was left.
    m_results->ui.lblThanks->hide();
    m_results->markUndone(undonePaths(report));
    // Undo again can do more only where the file system refused: a file changed since the run,
    // or one without a backup, is left as it is however often it is tried.
    m_undoneInPart = std::any_of(report.steps.begin(), report.steps.end(), [](const auto& step) {
        return step.action == run::RestoreStep::Action::Failed;
    });
    m_results->ui.cmdUndo->setEnabled(m_undoneInPart);
    if (!m_undoneInPart) {
        m_lastManifest.clear(); // nothing is left here to undo, nor to ask about at Restart
    }
    const int count = static_cast<int>(left.size());
    m_results->ui.lblResults->setText(
        m_undoneInPart
            ? tr("The run was undone in part: %Ln file(s) were left as they are. Undo tries "
                 "again those that could not be changed.",
                 "", count)
            : tr("The run was undone in part: %Ln file(s) were left as they are.", "", count));
    m_dialogs.messageWithList(this, QMessageBox::Warning, productName,
                              tr("Some of the run was left as it is:"), left);
}

} // namespace quorlane::wizard
