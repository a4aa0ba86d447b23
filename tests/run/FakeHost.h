#pragma once

#include <functional>

#include "run/RunHost.h"
#include "wording/RunWording.h"

// The run's host in the tests: keeps every call, and cancels when told.
namespace quorlane::test {

class FakeHost : public run::RunHost
{
public:
    bool cancel = false;
    std::function<void(std::size_t)> afterListed; // with the listed pages done so far
    std::vector<run::Refusal> refusals;
    std::vector<run::PageOutcome> outcomes;
    std::vector<run::RunSummary> summaries;
    std::vector<std::u16string> statuses; // the status lines, in order
    std::vector<run::RunNotice> notices;

    bool cancelRequested() override { return cancel; }
    void refused(const run::Refusal& refusal) override
    {
        refusals.push_back(refusal);
        status(wording::StatusAfter(refusal));
    }
    void notice(const run::RunNotice& notice) override
    {
        notices.push_back(notice);
        status(wording::StatusAfter(notice));
    }
    void started(const run::RunStart& start) override { status(wording::StatusAfter(start)); }
    void pageDone(const run::PageOutcome& outcome) override
    {
        outcomes.push_back(outcome);
        status(wording::StatusAfter(outcome));
        if (outcome.listed && afterListed) {
            afterListed(++m_listedDone);
        }
    }
    void finished(const run::RunSummary& summary) override { summaries.push_back(summary); }

    std::vector<const run::PageOutcome*> of(run::PageOutcome::Kind kind) const
    {
        std::vector<const run::PageOutcome*> found;
        for (const run::PageOutcome& outcome : outcomes) {
            if (outcome.kind == kind) {
                found.push_back(&outcome);
            }
        }
        return found;
    }
    // The pages of the outcomes of kind, in order; recorded() the pages written.
    std::vector<core::PathString> pages(run::PageOutcome::Kind kind) const
    {
        std::vector<core::PathString> found;
        for (const run::PageOutcome* outcome : of(kind)) {
            found.push_back(outcome->page);
        }
        return found;
    }
    std::vector<core::PathString> recorded() const
    {
        return pages(run::PageOutcome::Kind::Protected);
    }
    // The message of every failure, folders' too, in order.
    std::vector<std::u16string> failures() const
    {
        std::vector<std::u16string> texts;
        for (const run::PageOutcome& outcome : outcomes) {
            if (outcome.kind == run::PageOutcome::Kind::Failed ||
                outcome.kind == run::PageOutcome::Kind::FolderFailed) {
                texts.push_back(wording::FailureMessage(outcome.failure).text);
            }
        }
        return texts;
    }

private:
    void status(std::u16string text)
    {
        if (!text.empty()) {
            statuses.push_back(std::move(text));
        }
    }

    std::size_t m_listedDone = 0;
};

} // namespace quorlane::test
