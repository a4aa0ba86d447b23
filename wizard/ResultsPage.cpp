#include "wizard/ResultsPage.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QSet>
#include <QStyle>
#include <QToolTip>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "wizard/Dialogs.h"
#include "wizard/Rows.h"
#include "wizard/Widgets.h"
#include "wording/FindingWording.h"

namespace quorlane::wizard {

ResultsPage::ResultsPage(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("picFrame_5"));
    ui.lblResults = named<QLabel>(this, "lblResults");
    ui.lblResults->setWordWrap(true);
    ui.treeResults = named<QTreeWidget>(this, "treeResults");
    ui.treeResults->setHeaderHidden(true);
    ui.treeResults->setUniformRowHeights(true);
    // Long paths are shown whole: the tree scrolls sideways, and a node's tip names its page.
    widenToNodes(*ui.treeResults);
    ui.treeResults->viewport()->installEventFilter(this);
    ui.picSB = named<QFrame>(this, "picSB");
    ui.picSB->setFrameShape(QFrame::Box);
    ui.picSB->setFixedHeight(10);
    ui.picProg = named<QFrame>(ui.picSB, "picProg");
    ui.picProg->setStyleSheet(QStringLiteral("background-color: rgb(113, 147, 228);"));
    ui.picProg->setGeometry(0, 0, 0, 10);
    ui.lblThanks = named<QLabel>(this, "lblThanks", tr("Thank you for using %1").arg(productName));
    ui.cmdViewPage = named<QPushButton>(this, "cmdViewPage", tr("&View Page"));
    ui.lblRestart = named<QLabel>(this, "lblRestart", tr("Click 'Restart' to start again!"));
    ui.lblFindings = named<QLabel>(this, "lblFindings");
    ui.lblFindings->setWordWrap(true);
    ui.lstFindings = named<QListWidget>(this, "lstFindings");
    ui.lstFindings->setWordWrap(true);
    ui.lstFindings->setMaximumHeight(110);
    ui.cmdUndo = named<QPushButton>(this, "cmdUndo", tr("&Undo Run"));
    ui.cmdUndo->setEnabled(false);
    connect(ui.treeResults, &QTreeWidget::itemSelectionChanged, this,
            [this] { selectionChanged(); });
    connect(ui.cmdViewPage, &QPushButton::clicked, this, [this] { viewPage(); });

    Rows rows(this);
    rows.add(ui.lblFindings, gapY, gapX, 3 * gapX);
    rows.add(ui.lstFindings, gapY / 2, 2 * gapX, 2 * gapX);
    rows.add(ui.lblResults, gapY, gapX, 3 * gapX);
    rows.add(ui.treeResults, 2 * gapY, 2 * gapX, 2 * gapX);
    rows.setStretchOfLast(1);
    rows.add(ui.picSB, gapY / 2, 2 * gapX, 2 * gapX);
    auto* thanks = new QHBoxLayout;
    thanks->setContentsMargins(gapX, 0, 2 * gapX, 0);
    thanks->setSpacing(gapX);
    thanks->addWidget(ui.lblThanks, 1);
    thanks->addWidget(ui.cmdViewPage, 0, Qt::AlignRight);
    rows.add(thanks, gapY);
    auto* restart = new QHBoxLayout;
    restart->setContentsMargins(32, 0, 2 * gapX, 0);
    restart->setSpacing(gapX);
    restart->addWidget(ui.lblRestart, 1);
    restart->addWidget(ui.cmdUndo, 0, Qt::AlignRight);
    rows.add(restart, gapY);
    rows.addSpacing(2 * gapY);
    reset();
}

void ResultsPage::showReady()
{
    ui.lblResults->setText(tr("Press the Protect button to start."));
}

void ResultsPage::reset()
{
    showReady();
    ui.lblThanks->setVisible(false);
    ui.lblRestart->setVisible(false);
    ui.treeResults->clear();
    ui.cmdViewPage->setEnabled(false);
    ui.lblFindings->clear();
    ui.lstFindings->clear();
    ui.lstFindings->setVisible(false);
    ui.cmdUndo->setEnabled(false);
    setProgress(0);
}

QString ResultsPage::findingText(const core::Finding& finding)
{
    return QString::fromStdU16String(wording::FindingSentence(finding, wording::Front::Window));
}

void ResultsPage::showFindings(const run::CheckReport& report)
{
    ui.lstFindings->clear();
    int warnings = 0;
    const QIcon warning = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    const QIcon note = QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
    // Each in the form of the command line's: "PAGE:LINE: warning: MESSAGE [code]".
    const auto add = [&](std::u16string page, const core::Finding& finding) {
        const bool isWarning = finding.severity == core::Severity::Warning;
        warnings += isWarning ? 1 : 0;
        const std::u16string line = wording::DiagnosticLine(
            wording::FindingDiagnostic(std::move(page), finding, wording::Front::Window));
        auto* item = new QListWidgetItem(isWarning ? warning : note,
                                         QString::fromStdU16String(line), ui.lstFindings);
        item->setToolTip(QString::fromLatin1(core::FindingCodeName(finding.code).data()));
    };
    for (const run::PageCheckResult& page : report.pages) {
        for (const core::Finding& finding : page.findings) {
            add(core::TextFromPath(page.page), finding);
        }
    }
    for (const core::Finding& finding : report.runFindings) {
        add({}, finding);
    }
    ui.lblFindings->setText(
        warnings == 0
            ? tr("Nothing found that the protection would break.")
            : tr("%Ln warning(s) about what the protection would break or leave open:", "",
                 warnings));
    ui.lstFindings->setVisible(ui.lstFindings->count() > 0);
}

void ResultsPage::markNode(QTreeWidgetItem* node, const std::vector<core::Finding>& findings) const
{
    QStringList texts;
    for (const core::Finding& finding : findings) {
        if (finding.severity == core::Severity::Warning) {
            texts.push_back(findingText(finding));
        }
    }
    if (texts.isEmpty()) {
        return;
    }
    node->setIcon(0, QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning));
    node->setToolTip(0, texts.join(QLatin1Char('\n')));
    node->setData(0, Qt::UserRole, QStringLiteral("warning"));
}

void ResultsPage::setProgress(float percentage)
{
    const int inner = ui.picSB->contentsRect().width();
    ui.picProg->setGeometry(ui.picSB->contentsRect().x(), ui.picSB->contentsRect().y(),
                            static_cast<int>(inner * percentage / 100.0f),
                            ui.picSB->contentsRect().height());
}

// A written page's node keeps the file written; any other top-level node names a page (or a
// folder) whole, and a page under a folder node names it below that folder, unless placement
// already made it a whole path.
QString ResultsPage::resultPath(const QTreeWidgetItem* node)
{
    if (const QVariant written = node->data(0, pathRole); written.isValid()) {
        return written.toString();
    }
    QString target = node->text(0);
    if (node->parent() != nullptr && !QFileInfo::exists(target)) {
        target = node->parent()->text(0) + target;
    }
    return target;
}

namespace {

constexpr int undoneRole = Qt::UserRole + 1;

QString cleanPath(const QString& path)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(path));
}

} // namespace

void ResultsPage::markUndone(const QStringList& paths)
{
    QSet<QString> undone;
    for (const QString& path : paths) {
        undone.insert(cleanPath(path));
    }
    const QColor grey = palette().color(QPalette::Disabled, QPalette::Text);
    for (QTreeWidgetItemIterator it(ui.treeResults); *it != nullptr; ++it) {
        QTreeWidgetItem* node = *it;
        if (node->childCount() == 0 && undone.contains(cleanPath(resultPath(node)))) {
            node->setData(0, undoneRole, true);
            node->setForeground(0, grey);
            node->setToolTip(0, tr("Undone: it is as it was before the run."));
        }
    }
    selectionChanged();
}

bool ResultsPage::isUndone(const QTreeWidgetItem* node)
{
    return node->data(0, undoneRole).toBool();
}

void ResultsPage::selectionChanged()
{
    const QList<QTreeWidgetItem*> selected = ui.treeResults->selectedItems();
    ui.cmdViewPage->setEnabled(!selected.isEmpty() && !isUndone(selected.front()));
}

void ResultsPage::viewPage()
{
    const QList<QTreeWidgetItem*> selected = ui.treeResults->selectedItems();
    if (selected.isEmpty() || isUndone(selected.front())) {
        return;
    }
    m_dialogs.openOrSay(window(), QUrl::fromLocalFile(resultPath(selected.front())));
}

// The tip of a node: the whole path of its page, then what its protection warned of.
bool ResultsPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != ui.treeResults->viewport() || event->type() != QEvent::ToolTip) {
        return QWidget::eventFilter(watched, event);
    }
    auto* help = static_cast<QHelpEvent*>(event);
    const QTreeWidgetItem* node = ui.treeResults->itemAt(help->pos());
    if (node == nullptr) {
        QToolTip::hideText();
        return true;
    }
    const QString warnings = node->toolTip(0);
    QToolTip::showText(help->globalPos(),
                       warnings.isEmpty() ? resultPath(node)
                                          : resultPath(node) + QLatin1Char('\n') + warnings,
                       ui.treeResults->viewport());
    return true;
}

} // namespace quorlane::wizard
