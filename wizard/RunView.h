#pragma once

#include <map>
#include <optional>
#include <vector>

#include <QCoreApplication>
#include <QString>
#include <QTreeWidgetItem>

#include "core/ProtectionSettings.h"
#include "wizard/WizardRunHost.h"

namespace quorlane::wizard {

class ResultsPage;

// What the view of a run may ask of the window it shows the run in.
class RunWindow
{
public:
    virtual ~RunWindow() = default;
    // The page that shows the run.
    virtual ResultsPage& runResults() = 0;
    // The run has begun: Back stays disabled until it ends.
    virtual void runBegun() = 0;
    // A field the run refused: the pages are unlocked, and the field shown on its page.
    virtual void showRefusedField(run::LockField field) = 0;
    // The one message box at the end of a run.
    virtual void tellRunEnd(const QString& text) = 0;
};

// What a run tells, shown in the window as it comes: the results tree with each page written
// and each failure marked, the progress bar, the status line; a refused field on its page. At
// the end one status line and at most one message box say how the run went. Made for one run:
// it empties the results, as a run begins. Used on the window's thread only.
class RunView
{
    Q_DECLARE_TR_FUNCTIONS(quorlane::wizard::RunView)

public:
    RunView(RunWindow& window, core::ProtectionSettings settings);

    void show(const RunEvent& event);
    // After a batch of events: the last node in sight, the bar where the run is.
    void showBatch();
    // The run is over: the status line, the closing labels and, unless quietly, one message
    // box with what went wrong or could not be kept.
    void finish(const RunReturned& end, bool quietly);

private:
    struct Failure
    {
        QString page;
        run::FailureCause cause;
        bool folder;
    };

    void refused(const run::Refusal& refusal);
    void notice(const run::RunNotice& notice);
    void started(const run::RunStart& start);
    void pageDone(const run::PageOutcome& outcome);
    void setStatus(const std::u16string& text);
    void showField(run::LockField field);
    void addResult(const run::PageOutcome& outcome);
    void addFailure(const run::PageOutcome& outcome);
    QString statusLine(const run::RunSummary& summary) const;
    QString failureText() const;
    QString causeText(const run::FailureCause& cause, bool oneFolder) const;
    bool isTarget(const QString& folder) const;

    RunWindow& m_window;
    ResultsPage& m_results;
    core::ProtectionSettings m_settings;
    std::map<core::PathString, std::vector<core::Finding>> m_findings;
    std::vector<QTreeWidgetItem*> m_entries; // the tree's items for the run's results entries
    QTreeWidgetItem* m_lastNode = nullptr;
    QTreeWidgetItem* m_firstFailure = nullptr;
    std::optional<float> m_progress;
    std::optional<run::Refusal> m_refusal;
    std::vector<Failure> m_failures;
    std::size_t m_alreadyProtected = 0;
    QStringList m_notes; // told at the end: what the run could not keep
};

} // namespace quorlane::wizard
