#include "wizard/ProjectFiles.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "files/RememberedFolder.h"
#include "wizard/Dialogs.h"
#include "wizard/PathText.h"
#include "wizard/Rows.h"
#include "wizard/frmMain.h"

namespace quorlane::wizard {

namespace {

// The extension a project is saved with: JSON, of the type the desktop knows as a project.
const QString projectExtension = QStringLiteral(".quorlane.json");

QString projectFilter()
{
    return QObject::tr("Quorlane projects (*.json);;All files (*)");
}

} // namespace

ProjectFiles::ProjectFiles(frmMain& window, Dialogs& dialogs, core::PathString userFolder,
                           QWidget* bar)
    : QObject(&window)
    , m_window(window)
    , m_dialogs(dialogs)
    , m_userFolder(std::move(userFolder))
{
    ui.cmdOpenProject = named<QPushButton>(bar, "cmdOpenProject", tr("&Open Project..."));
    ui.cmdSaveProject = named<QPushButton>(bar, "cmdSaveProject", tr("&Save Project"));
    ui.cmdSaveProjectAs = named<QPushButton>(bar, "cmdSaveProjectAs", tr("Save Project &As..."));
    ui.lblProject = named<QLabel>(bar, "lblProject");
    ui.lblProject->setWordWrap(true);
    connect(ui.cmdOpenProject, &QPushButton::clicked, this, [this] {
        if (!offerToSave(Before::Opening)) {
            return;
        }
        const QString file = m_dialogs.pickFileToOpen(&m_window, tr("Open a project"),
                                                      projectFilter(), startFolder());
        if (!file.isEmpty()) {
            open(file);
        }
    });
    connect(ui.cmdSaveProject, &QPushButton::clicked, this, [this] { save(); });
    connect(ui.cmdSaveProjectAs, &QPushButton::clicked, this, [this] { saveAs(); });

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(gapX / 2);
    for (QPushButton* button : {ui.cmdOpenProject, ui.cmdSaveProject, ui.cmdSaveProjectAs}) {
        buttons->addWidget(button);
    }
    buttons->addStretch();
    auto* layout = new QVBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(gapY);
    layout->addWidget(ui.lblProject);
    layout->addLayout(buttons);
    setCurrent({});
}

void ProjectFiles::openRemembered()
{
    const core::PathString last = files::ReadRememberedProject(m_userFolder);
    if (last.empty()) {
        return;
    }
    run::Project project{{}, m_window.settings(), {}, {}};
    files::RealFileSystem fileSystem;
    if (const auto refusal = run::ReadProjectFile(fileSystem, last, project)) {
        ui.lblProject->setText(
            tr("The last project could not be opened: %1.").arg(QString::fromStdString(*refusal)));
        return;
    }
    apply(project);
    setCurrent(textOf(last));
    markSaved();
}

bool ProjectFiles::open(const QString& file)
{
    run::Project project{{}, m_window.settings(), {}, {}};
    files::RealFileSystem fileSystem;
    if (const auto refusal = run::ReadProjectFile(fileSystem, pathOf(file), project)) {
        m_dialogs.message(
            &m_window, QMessageBox::Warning, m_window.windowTitle(),
            tr("The project was not opened: %1.").arg(QString::fromStdString(*refusal)));
        return false;
    }
    apply(project);
    setCurrent(file);
    markSaved();
    return true;
}

bool ProjectFiles::save()
{
    return m_file.isEmpty() ? saveAs() : saveTo(m_file);
}

bool ProjectFiles::saveAs()
{
    const QString start = m_file.isEmpty() ? proposedFile() : m_file;
    // A choice that no project can hold is told before a file is asked for.
    std::string json;
    if (const auto refusal = run::ProjectJson(collect(), pathOf(start), json)) {
        m_dialogs.message(
            &m_window, QMessageBox::Warning, m_window.windowTitle(),
            tr("The project was not saved: %1.").arg(QString::fromStdString(*refusal)));
        return false;
    }
    QString file =
        m_dialogs.pickFileToSave(&m_window, tr("Save the project"), projectFilter(), start);
    if (file.isEmpty()) {
        return false;
    }
    if (QFileInfo(file).suffix().isEmpty()) {
        file += projectExtension;
    }
    return saveTo(file);
}

bool ProjectFiles::saveTo(const QString& file)
{
    files::RealFileSystem fileSystem;
    if (const auto refusal = run::WriteProjectFile(fileSystem, pathOf(file), collect())) {
        m_dialogs.message(
            &m_window, QMessageBox::Warning, m_window.windowTitle(),
            tr("The project was not saved: %1.").arg(QString::fromStdString(*refusal)));
        return false;
    }
    setCurrent(file);
    markSaved();
    return true;
}

void ProjectFiles::startOver()
{
    setCurrent({});
    markSaved();
}

void ProjectFiles::markSaved()
{
    m_saved = collect();
}

bool ProjectFiles::unsaved(Before before) const
{
    return (before == Before::Opening || !m_file.isEmpty()) && collect() != m_saved;
}

bool ProjectFiles::offerToSave(Before before)
{
    if (!unsaved(before)) {
        return true;
    }
    const QString name = QDir::toNativeSeparators(m_file);
    QString question;
    switch (before) {
    case Before::Opening:
        question = m_file.isEmpty()
                       ? tr("Save the pages and options you chose as a project before another "
                            "project is opened?")
                       : tr("Save the changes to the project %1 before another project is "
                            "opened?")
                             .arg(name);
        break;
    case Before::Restarting:
        question = tr("Save the changes to the project %1 before starting again?").arg(name);
        break;
    case Before::Quitting:
        question = tr("Save the changes to the project %1 before quitting?").arg(name);
        break;
    }
    switch (m_dialogs.askToSave(&m_window, m_window.windowTitle(), question)) {
    case QMessageBox::Save:
        return save();
    case QMessageBox::Discard:
        return true;
    default:
        return false;
    }
}

void ProjectFiles::setCurrent(const QString& file)
{
    m_file = file;
    if (file.isEmpty()) {
        ui.lblProject->setText(tr("Open a project to pick its pages and options again, or save "
                                  "the choices you make as one (never the password)."));
        return;
    }
    ui.lblProject->setText(tr("Project: %1").arg(QDir::toNativeSeparators(file)));
    files::WriteRememberedProject(m_userFolder, pathOf(file));
}

QString ProjectFiles::startFolder() const
{
    const core::PathString last = files::ReadRememberedProject(m_userFolder);
    return last.empty() ? m_window.pickFilesPage()->rememberedFolder()
                        : QFileInfo(textOf(last)).absolutePath();
}

// The project goes beside the topmost picked folder that holds the start folder, named after
// the first picked folder.
QString ProjectFiles::proposedFile() const
{
    QStringList sites;
    QString name;
    for (const run::SelectionEntry& entry : m_window.pickFilesPage()->selection()) {
        const QFileInfo info(textOf(entry.path));
        sites.push_back(
            QDir::cleanPath(entry.isFolder ? info.absoluteFilePath() : info.absolutePath()));
        if (name.isEmpty() && entry.isFolder) {
            name = info.fileName();
        }
    }
    QString folder = startFolder();
    folder = QDir::cleanPath(folder.isEmpty() ? QDir::homePath() : folder);
    for (bool moved = true; moved;) {
        moved = false;
        for (const QString& site : sites) {
            const QString above = QFileInfo(site).absolutePath();
            const bool within = folder == site || folder.startsWith(site + QLatin1Char('/'));
            if (within && above != site) {
                folder = above;
                moved = true;
            }
        }
    }
    return QDir::toNativeSeparators(
        QDir(folder).filePath((name.isEmpty() ? tr("project") : name) + projectExtension));
}

void ProjectFiles::readInto(core::ProtectionSettings& settings) const
{
    settings.kdfIterations = m_kdfIterations;
    settings.rememberUnlock = m_rememberUnlock;
    settings.unlockChoices.formTemplate = m_unlockTemplate;
}

run::Project ProjectFiles::collect() const
{
    run::Project project{m_window.pickFilesPage()->selection(), m_window.settings(),
                         m_window.pickFilesPage()->exclude(), m_failOn};
    project.settings.password.clear();
    return project;
}

void ProjectFiles::apply(const run::Project& project)
{
    const core::ProtectionSettings& settings = project.settings;
    PickFilesPage* pick = m_window.pickFilesPage();
    pick->resetTree();
    QTreeWidgetItem* root = pick->ui.treeFolders->topLevelItem(0);
    for (const run::SelectionEntry& entry : project.selection) {
        if (entry.isFolder) {
            pick->AddFolderNode(textOf(entry.path), root);
        } else {
            pick->AddFileNode(textOf(entry.path), root);
        }
    }
    pick->setExclude(project.exclude);
    m_failOn = project.failOn;
    emit pick->entriesChanged(pick->hasEntries());

    m_window.storeFilesPage()->showSettings(settings);
    m_window.encryptionPage()->showSettings(settings);
    m_kdfIterations = settings.kdfIterations;
    m_rememberUnlock = settings.rememberUnlock;
    m_unlockTemplate = settings.unlockChoices.formTemplate;
    m_window.scriptsPage()->showSettings(settings);
}

} // namespace quorlane::wizard
