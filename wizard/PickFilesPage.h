#pragma once

#include <functional>
#include <vector>

#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

#include "run/ProtectionRun.h"

namespace quorlane::wizard {

class Dialogs;

// Page 1: the files and folders to protect, as entries under one root in treeFolders. Folder
// entries can be opened to look at their subfolders, read from disk at the first opening.
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

    struct Ui
    {
        QLabel* lblPage2;
        QTreeWidget* treeFolders;
        QLabel* lblAddFiles;
        QPushButton* cmdAddFile;
        QPushButton* cmdAddFolder;
        QPushButton* cmdRemoveFolder;
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

    Dialogs& m_dialogs;
    core::PathString m_programFolder;
    QHash<QString, int> m_texts; // how many nodes show each text
    int m_nextIndex = 1;
};

} // namespace quorlane::wizard
