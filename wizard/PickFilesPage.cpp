#include "wizard/PickFilesPage.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSet>
#include <QShortcut>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "files/RememberedFolder.h"
#include "wizard/Dialogs.h"
#include "wizard/Images.h"
#include "wizard/PageCount.h"
#include "wizard/Rows.h"
#include "wizard/Widgets.h"

namespace quorlane::wizard {

namespace {

constexpr int keyRole = Qt::UserRole;
constexpr int folderRole = Qt::UserRole + 1;
constexpr int countColumn = 1;
constexpr int ticketRole = Qt::UserRole + 1; // of the count column: the count asked for last
const QString rootKey = QStringLiteral("root");

QString key(const QTreeWidgetItem* node)
{
    return node->data(0, keyRole).toString();
}

QString nativeText(const core::PathString& path)
{
    return QString::fromStdU16String(core::TextFromPath(path));
}

core::PathString pathOf(const QString& text)
{
    return core::PathFromText(text.toStdU16String());
}

} // namespace

PickFilesPage::PickFilesPage(Dialogs& dialogs, core::PathString programFolder, QWidget* parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
    , m_programFolder(std::move(programFolder))
{
    setObjectName(QStringLiteral("picFrame_1"));
    ui.lblPage2 =
        named<QLabel>(this, "lblPage2", tr("Specify the files and folders you wish to protect."));
    ui.lblPage2->setWordWrap(true);
    ui.treeFolders = named<QTreeWidget>(this, "treeFolders");
    ui.treeFolders->setHeaderHidden(true);
    ui.treeFolders->setColumnCount(2);
    ui.treeFolders->setToolTip(tr("The folders and files to protect, with the pages each holds"));
    ui.treeFolders->setUniformRowHeights(true);
    widenToNodes(*ui.treeFolders);
    ui.treeFolders->header()->setSectionResizeMode(countColumn, QHeaderView::ResizeToContents);
    ui.lblAddFiles = named<QLabel>(this, "lblAddFiles", tr("Add files or folders..."));
    ui.cmdAddFile = named<QPushButton>(this, "cmdAddFile", tr("&Add File"));
    ui.cmdAddFolder = named<QPushButton>(this, "cmdAddFolder", tr("Add &Folder"));
    ui.cmdRemoveFolder = named<QPushButton>(this, "cmdRemoveFolder", tr("&Remove"));
    ui.cmdRemoveFolder->setEnabled(false);
    ui.lblExclude = wrapped(named<QLabel>(
        this, "lblExclude",
        tr("Leave &out of the run (one pattern a line, written as in a .gitignore file):")));
    ui.txtExclude = named<QPlainTextEdit>(this, "txtExclude");
    ui.txtExclude->setTabChangesFocus(true);
    ui.txtExclude->setPlaceholderText(QStringLiteral("*.txt\n_sources/"));
    ui.txtExclude->setToolTip(
        tr("Files and folders below each added folder that a pattern matches are left out of the "
           "run, and out of a copy: *.txt (a name at any depth), /searchindex.js or docs/*.map (a "
           "path from the added folder), _sources/ (folders only), and !pattern to take back "
           "what an earlier pattern left out."));
    ui.txtExclude->setFixedHeight(3 * ui.txtExclude->fontMetrics().lineSpacing() +
                                  2 * ui.txtExclude->frameWidth() + 8);
    ui.lblExclude->setBuddy(ui.txtExclude);
    ui.lblExcludeProblem = wrapped(named<QLabel>(this, "lblExcludeProblem"));
    ui.lblExcludeProblem->setStyleSheet(QStringLiteral("color: #b00000;"));
    ui.lblExcludeProblem->hide();
    m_recount.setSingleShot(true);
    m_recount.setInterval(400);
    connect(&m_recount, &QTimer::timeout, this, [this] { recount(); });
    connect(ui.txtExclude, &QPlainTextEdit::textChanged, this, [this] {
        ui.lblExcludeProblem->hide();
        m_recount.start();
    });
    auto* removeKey = new QShortcut(QKeySequence::Delete, ui.treeFolders);
    removeKey->setContext(Qt::WidgetShortcut);

    connect(ui.cmdAddFile, &QPushButton::clicked, this, [this] { addFiles(); });
    connect(ui.cmdAddFolder, &QPushButton::clicked, this, [this] { addFolder(); });
    connect(ui.cmdRemoveFolder, &QPushButton::clicked, this, [this] { removeEntry(); });
    connect(removeKey, &QShortcut::activated, this, [this] { removeEntry(); });
    connect(ui.treeFolders, &QTreeWidget::currentItemChanged, this, [this] { currentChanged(); });
    connect(ui.treeFolders, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* node) { expanded(node); });
    connect(ui.treeFolders, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* node) {
        if (key(node) == rootKey) {
            node->setExpanded(true);
        }
    });

    for (QPushButton* button : {ui.cmdAddFile, ui.cmdAddFolder, ui.cmdRemoveFolder}) {
        button->setMinimumWidth(89);
    }
    Rows rows(this);
    rows.add(ui.lblPage2, gapY, gapX, gapX);
    rows.add(ui.treeFolders, 2 * gapY, 2 * gapX, 2 * gapX);
    rows.setStretchOfLast(1);
    rows.add(ui.lblAddFiles, gapY, 81, gapX);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 2 * gapY);
    buttons->setSpacing(gapX / 2);
    buttons->addStretch();
    buttons->addWidget(ui.cmdAddFile);
    buttons->addWidget(ui.cmdAddFolder);
    buttons->addWidget(ui.cmdRemoveFolder);
    buttons->addStretch();
    rows.add(buttons, gapY);
    rows.add(ui.lblExclude, gapY, gapX, gapX);
    rows.add(ui.txtExclude, gapY / 2, 2 * gapX, 2 * gapX);
    rows.add(ui.lblExcludeProblem, gapY / 2, 2 * gapX, 2 * gapX);
    rows.addSpacing(gapY);
    resetTree();
}

QTreeWidgetItem* PickFilesPage::addNode(QTreeWidgetItem* parent, const QString& text,
                                        const QIcon& icon, const QString& nodeKey)
{
    auto* node = new QTreeWidgetItem(QStringList{text});
    node->setIcon(0, icon);
    node->setData(0, keyRole, nodeKey);
    if (parent == nullptr) {
        ui.treeFolders->addTopLevelItem(node);
    } else {
        parent->addChild(node);
    }
    ++m_texts[text];
    ++m_nextIndex;
    return node;
}

void PickFilesPage::forget(QTreeWidgetItem* node)
{
    m_pending.remove(node->data(countColumn, ticketRole).toULongLong());
    for (int i = 0; i < node->childCount(); ++i) {
        forget(node->child(i));
    }
    const QString text = node->text(0);
    if (--m_texts[text] <= 0) {
        m_texts.remove(text);
    }
}

void PickFilesPage::resetTree()
{
    ui.treeFolders->clear();
    m_texts.clear();
    m_pending.clear();
    m_nextIndex = 1;
    addNode(nullptr, tr("Folders and files to protect"), images::root(), rootKey)
        ->setExpanded(true);
    showTotal();
}

void PickFilesPage::AddFolderNode(const QString& name, QTreeWidgetItem* parent)
{
    if (FileExsistOrNot(name)) {
        m_dialogs.message(window(), QMessageBox::Information, productName,
                          tr("%1 is already in the list.").arg(name));
        return;
    }
    QTreeWidgetItem* node = addNode(parent, name, images::folder(), QString());
    node->setData(0, folderRole, true);
    const int index = m_nextIndex - 1;
    showCount(node, usablePatterns());
    if (parent == rootNode()) {
        showTotal();
    }
    parent->setExpanded(true);
    ui.treeFolders->scrollToItem(node);
    addNode(node, tr("browsing..."), QIcon(), QStringLiteral("BFO") + QString::number(index));
}

void PickFilesPage::AddFileNode(const QString& path, QTreeWidgetItem* parent, bool reveal)
{
    if (FileExsistOrNot(path)) {
        m_dialogs.message(window(), QMessageBox::Information, productName,
                          tr("%1 is already in the list.").arg(path));
        return;
    }
    QTreeWidgetItem* node = addNode(parent, path, images::page(), QString());
    const bool there = QFileInfo::exists(path);
    node->setData(countColumn, Qt::UserRole, there ? 1 : -1);
    if (!there) {
        node->setText(countColumn, tr("gone"));
    }
    if (reveal) {
        parent->setExpanded(true);
        ui.treeFolders->scrollToItem(node);
    }
}

QString PickFilesPage::FolderPathOfNode(const QTreeWidgetItem* node) const
{
    QString path;
    for (; node != nullptr && key(node) != rootKey; node = node->parent()) {
        path = node->text(0) + QDir::separator() + path;
    }
    return path;
}

QString PickFilesPage::rememberedFolder() const
{
    return nativeText(files::ReadRememberedFolder(m_programFolder));
}

void PickFilesPage::addFiles()
{
    const QStringList picked =
        m_dialogs.pickFiles(window(), tr("Select A File To Protect"),
                            tr("HTML Files (*.html *.htm)"), rememberedFolder());
    // The folder of the pick is remembered, and forgotten after a cancel.
    files::CreateRememberedFolderFile(m_programFolder);
    if (!picked.isEmpty()) {
        files::WriteRememberedFolder(
            m_programFolder,
            core::getFilePathOnly(pathOf(QDir::toNativeSeparators(picked.front()))));
    }
    // The files already in the list are named in one message, however many they are.
    QStringList added;
    QStringList twice;
    QSet<QString> seen;
    for (const QString& file : picked) {
        const QString path = QDir::toNativeSeparators(file);
        (FileExsistOrNot(path) || seen.contains(path) ? twice : added).push_back(path);
        seen.insert(path);
    }
    ui.treeFolders->setUpdatesEnabled(false);
    for (qsizetype i = 0; i < added.size(); ++i) {
        AddFileNode(added[i], rootNode(), i + 1 == added.size());
    }
    ui.treeFolders->setUpdatesEnabled(true);
    if (twice.size() == 1) {
        AddFileNode(twice.front(), rootNode());
    } else if (!twice.isEmpty()) {
        m_dialogs.messageWithList(window(), QMessageBox::Information, productName,
                                  tr("%Ln of the files picked are already in the list:", "",
                                     static_cast<int>(twice.size())),
                                  twice);
    }
    CheckEnableDisableNextButton();
}

void PickFilesPage::addFolder()
{
    const QString folder =
        m_dialogs.pickFolder(window(), tr("Please select the folder to add"), rememberedFolder());
    if (!folder.isEmpty()) {
        AddFolderNode(QDir::toNativeSeparators(folder), rootNode());
        files::CreateRememberedFolderFile(m_programFolder);
        files::WriteRememberedFolder(m_programFolder, pathOf(QDir::toNativeSeparators(folder)));
    }
    CheckEnableDisableNextButton();
}

void PickFilesPage::currentChanged()
{
    const QTreeWidgetItem* node = ui.treeFolders->currentItem();
    ui.cmdRemoveFolder->setEnabled(node != nullptr && node->parent() == rootNode());
}

// The entry that takes the removed one's place is selected, so that Remove goes on working.
void PickFilesPage::removeEntry()
{
    QTreeWidgetItem* node = ui.treeFolders->currentItem();
    QTreeWidgetItem* root = rootNode();
    if (node != nullptr && node->parent() == root) {
        const int index = root->indexOfChild(node);
        forget(node);
        delete node;
        const int left = root->childCount();
        ui.treeFolders->setCurrentItem(left == 0 ? root : root->child(std::min(index, left - 1)));
    }
    currentChanged();
    CheckEnableDisableNextButton();
}

void PickFilesPage::expanded(QTreeWidgetItem* node)
{
    if (node->childCount() == 0 || !key(node->child(0)).startsWith(QLatin1Char('B'))) {
        return;
    }
    QDir folder(FolderPathOfNode(node));
    // A folder that can no longer be read shows no subfolders.
    for (const QString& name :
         folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
        AddFolderNode(name, node);
    }
    QTreeWidgetItem* placeholder = node->child(0);
    forget(placeholder);
    delete placeholder;
}

void PickFilesPage::CheckEnableDisableNextButton()
{
    showTotal();
    emit entriesChanged(hasEntries());
}

std::vector<std::u16string> PickFilesPage::exclude() const
{
    std::vector<std::u16string> patterns;
    for (const QString& line : ui.txtExclude->toPlainText().split(QLatin1Char('\n'))) {
        // Blanks at the end of a line are left out, as a .gitignore file leaves them.
        QString pattern = line;
        while (!pattern.isEmpty() && pattern.back().isSpace()) {
            pattern.chop(1);
        }
        if (!pattern.isEmpty()) {
            patterns.push_back(pattern.toStdU16String());
        }
    }
    return patterns;
}

void PickFilesPage::setExclude(const std::vector<std::u16string>& patterns)
{
    QStringList lines;
    for (const std::u16string& pattern : patterns) {
        lines.push_back(QString::fromStdU16String(pattern));
    }
    ui.txtExclude->setPlainText(lines.join(QLatin1Char('\n')));
    recount();
}

bool PickFilesPage::excludeRefused()
{
    for (const std::u16string& pattern : exclude()) {
        if (const auto problem = files::ExcludePatterns::problem(pattern)) {
            ui.lblExcludeProblem->setText(QString::fromStdString(*problem) + QLatin1Char('.'));
            ui.lblExcludeProblem->show();
            return true;
        }
    }
    return false;
}

// Patterns with one that names no file are not used for the counts until it is mended.
files::ExcludePatterns PickFilesPage::usablePatterns() const
{
    const std::vector<std::u16string> patterns = exclude();
    for (const std::u16string& pattern : patterns) {
        if (files::ExcludePatterns::problem(pattern)) {
            return {};
        }
    }
    return files::ExcludePatterns(patterns);
}

void PickFilesPage::recount()
{
    m_recount.stop();
    const files::ExcludePatterns patterns = usablePatterns();
    for (QTreeWidgetItemIterator it(ui.treeFolders); *it != nullptr; ++it) {
        if ((*it)->data(0, folderRole).toBool()) {
            showCount(*it, patterns);
        }
    }
    showTotal();
}

// A folder's count, as the run would find its pages, made on the counter's thread; a folder that
// is gone, or left out, says so at once.
void PickFilesPage::showCount(QTreeWidgetItem* node, const files::ExcludePatterns& exclude)
{
    m_pending.remove(node->data(countColumn, ticketRole).toULongLong());
    QString folder = FolderPathOfNode(node);
    folder.chop(1);
    if (!QFileInfo(folder).isDir()) {
        node->setText(countColumn, tr("gone"));
        node->setData(countColumn, Qt::UserRole, -1);
        return;
    }
    const QTreeWidgetItem* added = node;
    while (added->parent() != rootNode()) {
        added = added->parent();
    }
    const core::PathString addedFolder = pathOf(added->text(0));
    node->setData(countColumn, Qt::UserRole, 0);
    if (LeftOut(pathOf(folder), addedFolder, exclude)) {
        node->setText(countColumn, tr("left out"));
        return;
    }
    node->setText(countColumn, tr("counting..."));
    const std::uint64_t ticket = m_counter.count(pathOf(folder), addedFolder, exclude);
    node->setData(countColumn, ticketRole, QVariant::fromValue(ticket));
    m_pending.insert(ticket, node);
}

void PickFilesPage::counted(std::uint64_t ticket, std::size_t count)
{
    QTreeWidgetItem* node = m_pending.take(ticket);
    if (node == nullptr) {
        return; // the folder was removed, or is being counted again
    }
    const int pages = static_cast<int>(count);
    node->setText(countColumn, pages == 0 ? tr("no pages") : tr("%Ln page(s)", "", pages));
    node->setData(countColumn, Qt::UserRole, pages);
    if (node->parent() == rootNode()) {
        showTotal();
    }
}

// The root counts the pages of the whole list: a file entry that is there is one page.
void PickFilesPage::showTotal()
{
    QTreeWidgetItem* root = rootNode();
    int pages = 0;
    for (int i = 0; i < root->childCount(); ++i) {
        pages += std::max(0, root->child(i)->data(countColumn, Qt::UserRole).toInt());
    }
    const bool entryCounting =
        std::any_of(m_pending.cbegin(), m_pending.cend(),
                    [&](const auto* node) { return node->parent() == root; });
    root->setText(countColumn, !hasEntries()   ? QString()
                               : entryCounting ? tr("counting...")
                                               : tr("%Ln page(s) in all", "", pages));
}

std::vector<run::SelectionEntry> PickFilesPage::selection() const
{
    std::vector<run::SelectionEntry> entries;
    QTreeWidgetItem* root = rootNode();
    for (int i = 0; i < root->childCount(); ++i) {
        const QTreeWidgetItem* entry = root->child(i);
        entries.push_back({pathOf(entry->text(0)), entry->data(0, folderRole).toBool()});
    }
    return entries;
}

} // namespace quorlane::wizard
