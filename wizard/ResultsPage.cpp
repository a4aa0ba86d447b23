#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "wizard/Dialogs.h"
#include "wizard/Pages.h"
#include "wizard/PickFilesPage.h"
#include "wizard/Rows.h"

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
    ui.picSB = named<QFrame>(this, "picSB");
    ui.picSB->setFrameShape(QFrame::Box);
    ui.picSB->setFixedHeight(10);
    ui.picProg = named<QFrame>(ui.picSB, "picProg");
    ui.picProg->setStyleSheet(QStringLiteral("background-color: rgb(113, 147, 228);"));
    ui.picProg->setGeometry(0, 0, 0, 10);
    ui.lblThanks = named<QLabel>(this, "lblThanks", QStringLiteral("Thank you for using Quorlane"));
    ui.cmdViewPage = named<QPushButton>(this, "cmdViewPage", QStringLiteral("&View Page"));
    ui.lblRestart =
        named<QLabel>(this, "lblRestart", QStringLiteral("Click 'Restart' to start again!"));
    connect(ui.treeResults, &QTreeWidget::itemClicked, this,
            [this] { ui.cmdViewPage->setEnabled(ui.treeResults->currentItem() != nullptr); });
    connect(ui.cmdViewPage, &QPushButton::clicked, this, [this] { viewPage(); });

    Rows rows(this);
    rows.add(ui.lblResults, gapY, gapX, 3 * gapX);
    rows.add(ui.treeResults, 2 * gapY, 2 * gapX, 2 * gapX);
    rows.setStretchOfLast(1);
    rows.add(ui.picSB, gapY / 2, 2 * gapX, 2 * gapX);
    auto* thanks = new QHBoxLayout;
    thanks->setContentsMargins(gapX, 0, 2 * gapX, 0);
    thanks->setSpacing(gapX);
    thanks->addWidget(ui.lblThanks, 1);
    thanks->addWidget(ui.cmdViewPage);
    rows.add(thanks, gapY);
    rows.add(ui.lblRestart, gapY, 32, 2 * gapX);
    rows.addSpacing(2 * gapY);
    reset();
}

void ResultsPage::reset()
{
    ui.lblResults->setText(QStringLiteral("Press 'Protect' button to start"));
    ui.lblThanks->setVisible(false);
    ui.lblRestart->setVisible(false);
    ui.treeResults->clear();
    setProgress(0);
}

void ResultsPage::setProgress(float percentage)
{
    const int inner = ui.picSB->contentsRect().width();
    ui.picProg->setGeometry(ui.picSB->contentsRect().x(), ui.picSB->contentsRect().y(),
                            static_cast<int>(inner * percentage / 100.0f),
                            ui.picSB->contentsRect().height());
}

// A top-level node names a page (or a folder) whole; a page under a folder node names it below
// that folder, unless placement already made it a whole path.
void ResultsPage::viewPage()
{
    const QTreeWidgetItem* node = ui.treeResults->currentItem();
    if (node == nullptr) {
        return;
    }
    QString target = node->text(0);
    if (node->parent() != nullptr && !QFileInfo::exists(target)) {
        target = node->parent()->text(0) + target;
    }
    m_dialogs.open(QUrl::fromLocalFile(target));
}

} // namespace quorlane::wizard
