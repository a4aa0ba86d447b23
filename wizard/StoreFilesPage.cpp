#include "wizard/StoreFilesPage.h"

#include <algorithm>

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/ScriptText.h"
#include "wizard/Dialogs.h"
#include "wizard/Rows.h"
#include "wizard/Widgets.h"

namespace quorlane::wizard {

namespace {

constexpr const char* outputInfo[3] = {
    QT_TRANSLATE_NOOP("quorlane::wizard::StoreFilesPage",
                      "All current files will be replaced with their protected versions - We "
                      "highly recommend you make backups"),
    QT_TRANSLATE_NOOP("quorlane::wizard::StoreFilesPage",
                      "Files will be copied to this new folder, with their folder structures "
                      "intact: the pages protected, the other files of each added folder (style "
                      "sheets, scripts, images) as they are."),
    QT_TRANSLATE_NOOP("quorlane::wizard::StoreFilesPage",
                      "Protected files will be placed in the same folders with a protected_ "
                      "prefix. A protected frameset still shows the original frame pages, not "
                      "their protected_ copies."),
};

// The folder itself, or the nearest one above it that exists.
QString existingFolder(QString path)
{
    while (!path.isEmpty() && !QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path) {
            return QString();
        }
        path = parent;
    }
    return path;
}

} // namespace

StoreFilesPage::StoreFilesPage(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("picFrame_2"));
    ui.lblWhere = wrapped(named<QLabel>(
        this, "lblWhere", tr("Select where you would like the protected files to be placed.")));
    for (int i = 0; i < 3; ++i) {
        ui.optSave[i] = namedFor<QRadioButton>(this, run::WordOf(static_cast<core::SaveMode>(i)));
        m_group.addButton(ui.optSave[i], i);
        ui.optSave[i]->installEventFilter(this);
        ui.optSave[i]->setMouseTracking(true);
    }
    ui.chkBackups = namedFor<QCheckBox>(this, run::WordOf(run::SettingOption::Backups));
    ui.chkBackups->setChecked(true);
    ui.txtBackupDir = named<QLineEdit>(this, run::WordOf(run::SettingOption::BackupDir).objectName);
    ui.txtBackupDir->setPlaceholderText(
        tr("Beside each page (published with the site); or choose a folder outside it"));
    ui.txtBackupDir->setToolTip(
        tr("Backups hold the pages in clear. Kept in a folder outside the site, at each page's "
           "place below it, they are not published with it; Undo finds them there."));
    ui.cmdSelectBackupDir = named<QPushButton>(this, "cmdSelectBackupDir", tr("..."));
    ui.cmdSelectBackupDir->setToolTip(tr("Choose the folder for the backups"));
    ui.cmdSelectBackupDir->setFixedWidth(32);
    ui.txtSaveDir = named<QLineEdit>(this, run::WordOf(run::SettingOption::Target).objectName);
    ui.cmdSelectDirectory = named<QPushButton>(this, "cmdSelectDirectory", tr("..."));
    ui.cmdSelectDirectory->setToolTip(tr("Choose the target folder"));
    ui.cmdSelectDirectory->setFixedWidth(32);
    ui.chkPagesOnly = namedFor<QCheckBox>(this, run::WordOf(run::SettingOption::PagesOnly));
    ui.chkPagesOnly->setEnabled(false);
    ui.frmInfo = named<QGroupBox>(this, "frmInfo", tr("Information"));
    ui.lblOutputInfo = wrapped(named<QLabel>(ui.frmInfo, "lblOutputInfo"));
    ui.lblOutputInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui.lblWould = wrapped(named<QLabel>(
        this, "lblWould", tr("Would you like a copyright notice placed in your files?")));
    ui.chkCopyrightNotice = namedFor<QCheckBox>(this, run::WordOf(run::SettingOption::Notice));
    ui.txtCopyrightNotice = named<QLineEdit>(this, "txtCopyrightNotice");
    ui.txtCopyrightNotice->setEnabled(false);
    ui.lblNoticeWarning = wrapped(
        named<QLabel>(this, "lblNoticeWarning",
                      QString::fromStdU16String(std::u16string(core::unsafeNoticeMessage))));
    ui.lblNoticeWarning->setStyleSheet(QStringLiteral("color: #b00000;"));
    ui.lblNoticeWarning->hide();
    ui.optSave[2]->setChecked(true);
    optSaveClicked(2);
    tabStopOnChecked(m_group);
    resetInformation();

    QObject::connect(&m_group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            optSaveClicked(id);
        }
    });
    QObject::connect(ui.chkCopyrightNotice, &QCheckBox::toggled, ui.txtCopyrightNotice,
                     &QLineEdit::setEnabled);
    QObject::connect(ui.chkCopyrightNotice, &QCheckBox::toggled, this, [this] { checkNotice(); });
    QObject::connect(ui.txtCopyrightNotice, &QLineEdit::textChanged, this,
                     [this] { checkNotice(); });
    QObject::connect(ui.cmdSelectDirectory, &QPushButton::clicked, this,
                     [this] { selectDirectory(); });
    QObject::connect(ui.cmdSelectBackupDir, &QPushButton::clicked, this,
                     [this] { selectBackupDirectory(); });
    QObject::connect(ui.chkBackups, &QCheckBox::toggled, this, [this] { enableBackupFolder(); });

    auto* info = new QVBoxLayout(ui.frmInfo);
    info->setContentsMargins(2 * gapX, 3 * gapY, 4 * gapX, gapY);
    info->addWidget(ui.lblOutputInfo);
    ui.lblOutputInfo->setMinimumHeight(5 * fontMetrics().height());
    Rows rows(this);
    rows.add(ui.lblWhere, gapY, gapX, gapX);
    rows.add(ui.optSave[0], gapY, 2 * gapX, 2 * gapX);
    rows.add(ui.chkBackups, gapY / 3, 4 * gapX, 2 * gapX);
    auto* backups = new QHBoxLayout;
    backups->setContentsMargins(6 * gapX, 0, 2 * gapX, 0);
    backups->setSpacing(gapX / 2);
    backups->addWidget(ui.txtBackupDir);
    backups->addWidget(ui.cmdSelectBackupDir);
    rows.add(backups, gapY / 3);
    rows.add(ui.optSave[1], 0, 2 * gapX, 2 * gapX);
    auto* folder = new QHBoxLayout;
    folder->setContentsMargins(4 * gapX, 0, 2 * gapX, 0);
    folder->setSpacing(gapX / 2);
    folder->addWidget(ui.txtSaveDir);
    folder->addWidget(ui.cmdSelectDirectory);
    rows.add(folder, gapY / 2);
    rows.add(ui.chkPagesOnly, gapY / 2, 4 * gapX, 2 * gapX);
    rows.add(ui.optSave[2], gapY, 2 * gapX, 2 * gapX);
    rows.add(ui.frmInfo, 3 * gapY, 2 * gapX, 2 * gapX);
    rows.add(ui.lblWould, gapY, 2 * gapX, 2 * gapX);
    rows.add(ui.chkCopyrightNotice, gapY, 2 * gapX, 2 * gapX);
    rows.add(ui.txtCopyrightNotice, gapY, 2 * gapX, 2 * gapX);
    rows.add(ui.lblNoticeWarning, 0, 2 * gapX, 2 * gapX);
    rows.addStretch();
}

// The run refuses such a notice; the page says why while it is typed.
void StoreFilesPage::checkNotice()
{
    ui.lblNoticeWarning->setVisible(
        ui.chkCopyrightNotice->isChecked() &&
        !core::IsSafeNoticeText(ui.txtCopyrightNotice->text().toStdU16String()));
}

// Long texts are shown from their start.
void StoreFilesPage::setDefaults(const core::ProtectionSettings& defaults)
{
    ui.txtSaveDir->setText(QString::fromStdU16String(defaults.saveDir));
    ui.txtSaveDir->setCursorPosition(0);
    ui.txtBackupDir->setText(QString::fromStdU16String(defaults.backupDir));
    ui.txtCopyrightNotice->setText(QString::fromStdU16String(defaults.copyrightNoticeText));
    ui.txtCopyrightNotice->setCursorPosition(0);
}

void StoreFilesPage::resetInformation()
{
    m_hovered = -1;
    showInformation();
}

void StoreFilesPage::showInformation()
{
    int index = m_hovered;
    for (int i = 0; i < 3 && index < 0; ++i) {
        index = ui.optSave[i]->hasFocus() ? i : -1;
    }
    if (index < 0) {
        index = std::max(m_group.checkedId(), 0);
    }
    ui.lblOutputInfo->setText(tr(outputInfo[index]));
}

void StoreFilesPage::optSaveClicked(int index)
{
    ui.txtSaveDir->setEnabled(index == 1);
    ui.cmdSelectDirectory->setEnabled(index == 1);
    ui.chkPagesOnly->setEnabled(index == 1);
    ui.chkBackups->setEnabled(index == 0);
    enableBackupFolder();
    showInformation();
}

void StoreFilesPage::enableBackupFolder()
{
    const bool on = m_group.checkedId() == 0 && ui.chkBackups->isChecked();
    ui.txtBackupDir->setEnabled(on);
    ui.cmdSelectBackupDir->setEnabled(on);
}

void StoreFilesPage::selectBackupDirectory()
{
    const QString start =
        existingFolder(QDir::fromNativeSeparators(ui.txtBackupDir->text().trimmed()));
    const QString folder =
        m_dialogs.pickFolder(window(), tr("Please select the folder for the backups"), start);
    if (!folder.isEmpty()) {
        ui.txtBackupDir->setText(QDir::toNativeSeparators(folder));
        ui.txtBackupDir->setCursorPosition(0);
    }
}

// The browser opens at the target folder as it stands, or as near it as exists.
void StoreFilesPage::selectDirectory()
{
    QString start = existingFolder(QDir::fromNativeSeparators(ui.txtSaveDir->text().trimmed()));
    if (start.isEmpty() && m_remembered) {
        start = m_remembered();
    }
    const QString folder =
        m_dialogs.pickFolder(window(), tr("Please select the folder to save to"), start);
    if (!folder.isEmpty()) {
        ui.txtSaveDir->setText(QDir::toNativeSeparators(folder));
        ui.txtSaveDir->setCursorPosition(0);
    }
}

bool StoreFilesPage::eventFilter(QObject* watched, QEvent* event)
{
    const auto index =
        std::find(ui.optSave.begin(), ui.optSave.end(), watched) - ui.optSave.begin();
    if (index < 3) {
        switch (event->type()) {
        case QEvent::Enter:
        case QEvent::MouseMove:
            m_hovered = static_cast<int>(index);
            showInformation();
            break;
        case QEvent::Leave:
            m_hovered = -1;
            showInformation();
            break;
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            showInformation();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void StoreFilesPage::showSettings(const core::ProtectionSettings& settings)
{
    const int save = static_cast<int>(settings.saveMode);
    ui.optSave[save]->setChecked(true);
    optSaveClicked(save);
    ui.chkBackups->setChecked(settings.makeBackups);
    ui.txtBackupDir->setText(QString::fromStdU16String(settings.backupDir));
    ui.txtSaveDir->setText(QString::fromStdU16String(settings.saveDir));
    ui.chkPagesOnly->setChecked(settings.copyPagesOnly);
    ui.chkCopyrightNotice->setChecked(settings.copyrightNotice);
    ui.txtCopyrightNotice->setText(QString::fromStdU16String(settings.copyrightNoticeText));
}

void StoreFilesPage::readInto(core::ProtectionSettings& settings) const
{
    settings.saveMode = static_cast<core::SaveMode>(m_group.checkedId());
    settings.makeBackups = ui.chkBackups->isChecked();
    settings.backupDir = ui.txtBackupDir->text().trimmed().toStdU16String();
    settings.saveDir = ui.txtSaveDir->text().toStdU16String();
    settings.copyPagesOnly = ui.chkPagesOnly->isChecked();
    settings.copyrightNotice = ui.chkCopyrightNotice->isChecked();
    settings.copyrightNoticeText = ui.txtCopyrightNotice->text().toStdU16String();
}

} // namespace quorlane::wizard
