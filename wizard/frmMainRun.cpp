// The window's protection run: started on a thread of its own, shown as it tells, held while
// a question about stopping it is open, and ended.
#include "wizard/Dialogs.h"
#include "wizard/PathText.h"
#include "wizard/ProjectFiles.h"
#include "wizard/RunThread.h"
#include "wizard/RunView.h"
#include "wizard/frmMain.h"
#include "wording/RunWording.h"

namespace quorlane::wizard {

// The run works on a thread of its own; the window stays live and shows what it tells as it
// comes.
void frmMain::protect(bool replaceOthersFiles)
{
    if (lockRefused() || fieldRefused() || passwordsDiffer() || unlockTextRefused() ||
        goneRefused() || excludeRefused() || !confirmReplacing()) {
        return;
    }
    m_run.reset();
    const core::ProtectionSettings chosen = settings();
    RunWindow& runWindow = *this;
    m_runView = std::make_unique<RunView>(runWindow, chosen);
    m_results->ui.lblResults->setText(
        QString::fromStdU16String(std::u16string(wording::scanningText)));
    // What the last run left on the page is not this run's: its Undo least of all.
    m_results->ui.cmdUndo->setEnabled(false);
    m_results->ui.lblThanks->hide();
    m_results->ui.lblRestart->hide();
    setRunLocked(true);
    m_run = std::make_unique<RunThread>(
        *this, [this] { takeRunEvents(); }, m_pickFiles->selection(), chosen,
        m_pickFiles->exclude(), replaceOthersFiles);
}

// Events come in the order the run told them: a call made while a batch is being shown (from a
// message box's own loop) leaves the next batch to the call at work.
void frmMain::takeRunEvents()
{
    if (m_takingEvents) {
        m_moreEvents = true;
        return;
    }
    m_takingEvents = true;
    do {
        m_moreEvents = false;
        for (RunEvent& event : m_run ? m_run->take() : std::vector<RunEvent>()) {
            if (auto* returned = std::get_if<RunReturned>(&event)) {
                m_runReturned = std::move(*returned);
            } else {
                m_runView->show(event);
            }
        }
        if (m_runView) {
            m_runView->showBatch();
        }
    } while (m_moreEvents && !m_runReturned);
    m_takingEvents = false;
    endRun();
}

bool frmMain::askDuringRun(const QString& question)
{
    m_asking = true;
    if (m_run) {
        m_run->hold();
    }
    const bool yes = m_dialogs.askYesNo(this, QMessageBox::Question, productName, question);
    m_asking = false;
    if (m_run) {
        if (yes) {
            m_run->requestCancel();
        }
        m_run->release();
    }
    if (m_runReturned) {
        QMetaObject::invokeMethod(
            this, [this] { endRun(); }, Qt::QueuedConnection);
    }
    return yes;
}

void frmMain::endRun()
{
    if (!m_runReturned || m_asking) {
        return;
    }
    const RunReturned end = std::move(*m_runReturned);
    m_runReturned.reset();
    m_run.reset(); // its thread has returned
    m_lastManifest = end.summary.manifest;
    m_undoneInPart = false;
    m_results->ui.cmdUndo->setEnabled(!m_lastManifest.empty());
    // A run that showed a field it could not use has gone back to editing already.
    const bool wasRunning = running();
    setRunLocked(false);
    if (wasRunning && end.summary.refusal &&
        end.summary.refusal->kind != run::Refusal::Kind::OtherRunAtWork) {
        setState(WizardState::Ready); // refused before it began: Protect may be pressed again
    } else if (wasRunning) {
        m_cmdPrev->setEnabled(false); // Back stays off until another page is shown
        guardNext();
    }
    m_runView->finish(end, m_closeAfterRun);
    emit runEnded();
    if (m_closeAfterRun) {
        close();
    } else if (wasRunning && end.summary.refusal &&
               end.summary.refusal->kind == run::Refusal::Kind::TargetHoldsOthers) {
        askToReplaceOthers(*end.summary.refusal);
    }
}

// A copy stops before it replaces a file in its target folder that no run wrote; the user may
// let it replace them, as the command line's --force does, or pick another folder.
void frmMain::askToReplaceOthers(const run::Refusal& refusal)
{
    QStringList names;
    for (const core::PathString& file : refusal.examples) {
        names.push_back(textOf(file));
    }
    if (refusal.count > refusal.examples.size()) {
        names.push_back(
            tr("and %Ln more", "", static_cast<int>(refusal.count - refusal.examples.size())));
    }
    const QString question =
        tr("The target folder %1 already holds %Ln file(s) that the copy would replace, and "
           "that no run of Quorlane wrote:",
           "", static_cast<int>(refusal.count))
            .arg(textOf(refusal.path)) +
        QStringLiteral("\n\n") + names.join(QLatin1Char('\n')) + QStringLiteral("\n\n") +
        tr("Replace them? No keeps them, and you can choose another folder.");
    if (m_dialogs.askYesNo(this, QMessageBox::Warning, productName, question)) {
        protect(true);
    } else {
        showField(run::LockField::SaveDir);
    }
}

// During a run nothing but Cancel may start anything: the page list, Back and the option
// pages are locked, so that no second run can begin.
void frmMain::runBegun()
{
    m_cmdPrev->setEnabled(false);
}

void frmMain::showRefusedField(run::LockField field)
{
    setRunLocked(false);
    showField(field);
}

void frmMain::tellRunEnd(const QString& text)
{
    m_dialogs.message(this, QMessageBox::Warning, productName, text);
}

void frmMain::setRunLocked(bool locked)
{
    if (locked) {
        setState(WizardState::Running);
    } else if (running()) {
        setState(WizardState::Finished);
    }
    for (int i = 0; i <= lastPage; ++i) {
        m_lnkFrame[i]->setEnabled(!locked && (i < 2 || m_pickFiles->hasEntries()));
    }
    m_cmdPrev->setEnabled(!locked && m_currentPage > 0);
}

bool frmMain::runWaiting() const
{
    return m_run && m_run->waiting();
}

} // namespace quorlane::wizard
