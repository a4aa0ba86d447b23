#pragma once

#include <functional>
#include <vector>

#include <QHash>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>

#include "files/ExcludePatterns.h"
#include "run/ProtectionRun.h"
#include "wizard/PageCounter.h"

namespace quorlane::wizard {

class Dialogs;

// Page 1: the files and folders to protect, as entries under one root in treeFolders. Folder
// entries can be opened to look at their subfolders, read from disk at the first opening. Each
// folder shows how many pages the run takes from it, and the root how many in all; the patterns
// of txtExclude leave files and folders below the added folders out, as the run does.
class PickFilesPage : public QWidget
{
    Q_OBJECT
public:
    PickFilesPage(Dialogs& dialogs, core::PathString programFolder, QWidget* parent = nullptr);

    // Empties the tree and puts the root back.
    void resetTree();
    // The root's entries, as the run takes them.
    std::vector<run::SelectionEntry> selection() const;
    bool hasEntries() const { return rootNode()->childCount() > 0; }
    QString rememberedFolder() const;

    void AddFolderNode(const QString& name, QTreeWidgetItem* parent);
    // Adds a file entry; reveal scrolls the tree to it (a batch reveals only its last).
    void AddFileNode(const QString& path, QTreeWidgetItem* parent, bool reveal = true);
    bool FileExsistOrNot(const QString& name) const { return m_texts.contains(name); }
    QString FolderPathOfNode(const QTreeWidgetItem* node) const;

    // The patterns of txtExclude, one a line, blank lines left out.
    std::vector<std::u16string> exclude() const;
    void setExclude(const std::vector<std::u16string>& patterns);
    // A pattern that names no file is told below the box: true then.
    bool excludeRefused();
    // The patterns as the counts and the findings take them: none while one of them names no
    // file, which Protect refuses.
    files::ExcludePatterns usablePatterns() const;
    // Whether a folder's count is still being made.
    bool counting() const { return !m_pending.isEmpty(); }
    // Counts the pages of every folder shown again, with the patterns as they stand.
    void recount();

    struct Ui
    {
        QLabel* lblPage2;
        QTreeWidget* treeFolders;
        QLabel* lblAddFiles;
        QPushButton* cmdAddFile;
        QPushButton* cmdAddFolder;
        QPushButton* cmdRemoveFolder;
        QLabel* lblExclude;
        QPlainTextEdit* txtExclude;
        QLabel* lblExcludeProblem;
    } ui;

signals:
    // The tree gained or lost entries: Next and the later page links follow.
    void entriesChanged(bool hasEntries);

private:
    QTreeWidgetItem* rootNode() const { return ui.treeFolders->topLevelItem(0); }
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& text, const QIcon& icon,
                             const QString& key);
    void forget(QTreeWidgetItem* node);
    void addFiles();
    void addFolder();
    void removeEntry();
    // Remove follows the current node, whether the mouse or the keys made it current.
    void currentChanged();
    void expanded(QTreeWidgetItem* node);
    void CheckEnableDisableNextButton();
    void showCount(QTreeWidgetItem* node, const files::ExcludePatterns& exclude);
    void counted(std::uint64_t ticket, std::size_t pages);
    void showTotal();

    Dialogs& m_dialogs;
    core::PathString m_programFolder;
    QHash<QString, int> m_texts; // how many nodes show each text
    int m_nextIndex = 1;
    QTimer m_recount;                                 // a pause in typing the patterns counts again
    QHash<std::uint64_t, QTreeWidgetItem*> m_pending; // the folders being counted, by ticket
    PageCounter m_counter{
        *this, [this](std::uint64_t ticket, std::size_t pages) { counted(ticket, pages); }};
};

} // namespace quorlane::wizard
