// The window's checks before Protect: every input the run would refuse, and the questions
// asked before pages are written over, all before the run begins.
#include <QFileInfo>

#include "core/LockTargets.h"
#include "files/FileSystem.h"
#include "run/PageCheck.h"
#include "run/ProtectionRun.h"
#include "wizard/Dialogs.h"
#include "wizard/PathText.h"
#include "wizard/ReplacedFiles.h"
#include "wizard/frmMain.h"
#include "wording/RunWording.h"

namespace quorlane::wizard {

namespace {

bool blank(std::u16string_view text)
{
    return text.find_first_not_of(u' ') == std::u16string_view::npos;
}

} // namespace

// Shows the page of a field the run cannot use, with the focus in it.
void frmMain::showField(run::LockField field)
{
    QLineEdit* box = nullptr;
    switch (field) {
    case run::LockField::Domain:
        box = m_encryption->ui.txtLockDomain;
        break;
    case run::LockField::Url:
        box = m_encryption->ui.txtLockURL;
        break;
    case run::LockField::Password:
        box = m_encryption->ui.txtPassword;
        break;
    case run::LockField::SaveDir:
        box = m_storeFiles->ui.txtSaveDir;
        break;
    case run::LockField::Notice:
        box = m_storeFiles->ui.txtCopyrightNotice;
        break;
    }
    const bool onStoreFiles = field == run::LockField::SaveDir || field == run::LockField::Notice;
    ShowPage(onStoreFiles ? 2 : 3);
    box->setFocus();
}

bool frmMain::lockRefused()
{
    core::ProtectionSettings checked = settings();
    // A blank lock text is the run's to refuse, with its own message.
    checked.domainLock = checked.domainLock && !blank(checked.lockDomain);
    checked.urlLock = checked.urlLock && !blank(checked.lockUrl);
    const std::optional<core::LockProblem> problem = core::FindLockProblem(checked);
    if (!problem) {
        return false;
    }
    showField(problem->text == core::LockText::Domain ? run::LockField::Domain
                                                      : run::LockField::Url);
    m_encryption->showLockProblem(problem->text, QString::fromStdU16String(problem->message));
    m_dialogs.beep();
    return true;
}

// Every field is checked before anything is asked: a blank lock is told before the question
// about replacing pages, not after it.
bool frmMain::fieldRefused()
{
    const std::optional<run::Refusal> refusal = run::FindUnusableField(settings());
    if (!refusal) {
        return false;
    }
    showField(*refusal->field);
    const wording::Message message = wording::RefusalMessage(*refusal);
    m_dialogs.message(this, QMessageBox::Warning, productName,
                      QString::fromStdU16String(message.text)
                          .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    return true;
}

bool frmMain::passwordsDiffer()
{
    if (!m_encryption->passwordsDiffer()) {
        return false;
    }
    ShowPage(3);
    m_encryption->ui.txtPasswordConfirm->setFocus();
    m_dialogs.beep();
    return true;
}

bool frmMain::unlockTextRefused()
{
    const std::optional<QString> problem = m_encryption->unlockTextProblem();
    if (!problem) {
        return false;
    }
    ShowPage(3);
    m_encryption->ui.tblUnlockTexts->setFocus();
    m_dialogs.message(this, QMessageBox::Warning, productName, *problem);
    return true;
}

// Entries of the list whose folder or file is no longer there are named as gone, rather than
// found empty by the run.
bool frmMain::excludeRefused()
{
    if (!m_pickFiles->excludeRefused()) {
        return false;
    }
    ShowPage(1);
    m_pickFiles->ui.txtExclude->setFocus();
    m_dialogs.beep();
    return true;
}

bool frmMain::goneRefused()
{
    QStringList gone;
    for (const run::SelectionEntry& entry : m_pickFiles->selection()) {
        const QString path = textOf(entry.path);
        if (!QFileInfo::exists(path)) {
            gone.push_back(path);
        }
    }
    if (gone.isEmpty()) {
        return false;
    }
    ShowPage(1);
    m_dialogs.messageWithList(
        this, QMessageBox::Warning, productName,
        tr("%Ln of the folders and files picked are gone: moved, renamed or deleted after they "
           "were picked. Remove them from the list, or add them again where they are now.",
           "", static_cast<int>(gone.size())),
        gone);
    return true;
}

bool frmMain::confirmReplacing()
{
    const core::ProtectionSettings chosen = settings();
    if (chosen.saveMode == core::SaveMode::CopyToFolder) {
        return true;
    }
    const ReplacedFiles replaced = CountReplacedFiles(m_pickFiles->selection(), chosen.saveMode);
    QString question;
    if (chosen.saveMode == core::SaveMode::Overwrite && replaced.pages > 0) {
        const int pages = static_cast<int>(replaced.pages);
        question = tr("%Ln page(s) will be replaced by their protected versions.", "", pages) +
                   QLatin1Char(' ') +
                   (chosen.makeBackups
                        ? tr("Backups are on: each page is kept beside it, with .bak added to "
                             "its name.")
                        : tr("Backups are off: the pages as they are now cannot be put back."));
    } else if (replaced.earlierProtected > 0) {
        question = tr("%Ln protected_ file(s) of an earlier run will be replaced by the pages "
                      "protected now.",
                      "", static_cast<int>(replaced.earlierProtected));
    } else {
        return true;
    }
    return m_dialogs.askYesNo(this, QMessageBox::Question, productName,
                              question + QStringLiteral("\n\n") + tr("Protect them?"));
}

// Before Protect: what the protection would break or leave open on the pages picked, with the
// options as they stand. Nothing is written.
void frmMain::showFindings()
{
    files::RealFileSystem fileSystem;
    m_results->showFindings(run::CheckSelection(fileSystem, m_pickFiles->selection(), settings(),
                                                false, m_pickFiles->usablePatterns()));
}

} // namespace quorlane::wizard
