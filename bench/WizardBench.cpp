// The wizard on large selections, without a display (QT_QPA_PLATFORM=offscreen): adding 5,000
// page files through the file dialog at once, and a run of 10,000 pages through the window,
// whose results tree grows as the run's thread tells its pages, until the run has ended.
//   QT_QPA_PLATFORM=offscreen quorlane_wizard_bench

#include <benchmark/benchmark.h>
#include <fstream>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "wizard/Dialogs.h"
#include "wizard/frmMain.h"

namespace {

// Answers every dialog at once: the files or folder given, No to every question, and
// changes never saved.
class ScriptedDialogs : public quorlane::wizard::Dialogs
{
public:
    QStringList files;
    QString folder;

    bool askYesNo(QWidget*, QMessageBox::Icon, const QString&, const QString&) override
    {
        return false;
    }
    QMessageBox::StandardButton askToSave(QWidget*, const QString&, const QString&) override
    {
        return QMessageBox::Discard;
    }
    void message(QWidget*, QMessageBox::Icon, const QString&, const QString&) override {}
    void messageWithList(QWidget*, QMessageBox::Icon, const QString&, const QString&,
                         const QStringList&) override
    {
    }
    QStringList pickFiles(QWidget*, const QString&, const QString&, const QString&) override
    {
        return files;
    }
    QString pickFolder(QWidget*, const QString&, const QString&) override { return folder; }
    void beep() override {}
    void open(QWidget*, const QUrl&, std::function<void()>) override {}
};

void BM_AddFiles(benchmark::State& state)
{
    ScriptedDialogs dialogs;
    for (int i = 0; i < state.range(0); ++i) {
        dialogs.files << QStringLiteral("/site/folder%1/page%2.html").arg(i % 50).arg(i);
    }
    QTemporaryDir program;
    for (auto _ : state) {
        state.PauseTiming();
        quorlane::wizard::frmMain window(dialogs, program.path().toStdString(),
                                         program.path().toStdString(), 2026);
        window.show();
        window.ShowPage(1);
        state.ResumeTiming();
        window.findChild<QPushButton*>(QStringLiteral("cmdAddFile"))->click();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_AddFiles)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_RunThroughTheWindow(benchmark::State& state)
{
    QTemporaryDir site;
    const auto pages = static_cast<int>(state.range(0));
    for (int i = 0; i < pages; ++i) {
        const QString folder = site.path() + QStringLiteral("/f%1").arg(i % 100);
        QDir().mkpath(folder);
        std::ofstream(QStringLiteral("%1/p%2.htm").arg(folder).arg(i).toStdString())
            << "<html><body><p>page " << i << "</p></body></html>";
    }
    ScriptedDialogs dialogs;
    dialogs.folder = site.path();
    QTemporaryDir program;
    QTemporaryDir target;
    for (auto _ : state) {
        quorlane::wizard::frmMain window(dialogs, program.path().toStdString(),
                                         program.path().toStdString(), 2026);
        window.show();
        window.ShowPage(1);
        window.findChild<QPushButton*>(QStringLiteral("cmdAddFolder"))->click();
        window.ShowPage(5);
        QEventLoop running;
        QObject::connect(&window, &quorlane::wizard::frmMain::runEnded, &running,
                         &QEventLoop::quit);
        window.findChild<QPushButton*>(QStringLiteral("cmdNext"))->click();
        running.exec();
        const auto* results = window.findChild<QTreeWidget*>(QStringLiteral("treeResults"));
        if (results->topLevelItemCount() != 1 || results->topLevelItem(0)->childCount() != pages) {
            state.SkipWithError("not every page was recorded");
        }
    }
}
BENCHMARK(BM_RunThroughTheWindow)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
