#pragma once

#include <vector>

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

#include "core/PageFindings.h"
#include "run/PageCheck.h"

namespace quorlane::wizard {

class Dialogs;

// Page 5: the results of the run, its progress and View Page.
class ResultsPage : public QWidget
{
    Q_OBJECT
public:
    ResultsPage(Dialogs& dialogs, QWidget* parent = nullptr);
    void reset();
    // The status line before a run: what Protect does.
    void showReady();
    void setProgress(float percentage);
    // What the protection would break or leave open, shown before Protect: a count and a list.
    void showFindings(const run::CheckReport& report);
    // Marks a written page's node when its protection had warnings.
    void markNode(QTreeWidgetItem* node, const std::vector<core::Finding>& findings) const;
    static QString findingText(const core::Finding& finding);
    // Marks the nodes of the pages an undo put back: greyed, with a tip that says so, and no
    // View Page, which would open a page that is no longer the run's.
    void markUndone(const QStringList& paths);
    static bool isUndone(const QTreeWidgetItem* node);
    // Where a node of a written page keeps the whole path of the file written.
    static constexpr int pathRole = Qt::UserRole + 2;
    // The whole path of what a node of the results names.
    static QString resultPath(const QTreeWidgetItem* node);

    struct Ui
    {
        QLabel* lblResults;
        QTreeWidget* treeResults;
        QFrame* picSB;
        QFrame* picProg;
        QLabel* lblThanks;
        QPushButton* cmdViewPage;
        QLabel* lblRestart;
        QLabel* lblFindings;
        QListWidget* lstFindings;
        QPushButton* cmdUndo;
    } ui;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void viewPage();
    void selectionChanged();

    Dialogs& m_dialogs;
};

} // namespace quorlane::wizard
