#include "wizard/Dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLocale>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QTextEdit>

#include "wizard/Widgets.h"

namespace quorlane::wizard {

bool QtDialogs::askYesNo(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                         const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QMessageBox::StandardButton QtDialogs::askToSave(QWidget* parent, const QString& title,
                                                 const QString& text)
{
    QMessageBox box(QMessageBox::Warning, title, text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Cancel);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void QtDialogs::message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                        const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void QtDialogs::messageWithList(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                const QString& text, const QStringList& items)
{
    ListMessageBox(parent, icon, title, text, items)->exec();
}

std::unique_ptr<QMessageBox> ListMessageBox(QWidget* parent, QMessageBox::Icon icon,
                                            const QString& title, const QString& text,
                                            const QStringList& items)
{
    // As many lines as stand in the text itself; more go into the details.
    constexpr qsizetype inText = 5;
    auto box = std::make_unique<QMessageBox>(icon, title, text, QMessageBox::Ok, parent);
    if (items.size() <= inText) {
        box->setText(text + QStringLiteral("\n\n") + items.join(QLatin1Char('\n')));
        return box;
    }
    // A text that leads into its list ends in a colon; with the list out of sight, in a stop.
    if (text.endsWith(QLatin1Char(':'))) {
        box->setText(text.chopped(1) + QLatin1Char('.'));
    }
    box->setInformativeText(QCoreApplication::translate("quorlane::wizard::Dialogs",
                                                        "All %1 are listed under Show Details.")
                                .arg(QLocale().toString(static_cast<qlonglong>(items.size()))));
    box->setDetailedText(items.join(QLatin1Char('\n')));
    // Wide enough for a path, a line each, and a third of the screen high at most.
    if (auto* list = box->findChild<QTextEdit*>()) {
        const QRect screen = box->screen()->availableGeometry();
        const QFontMetrics metrics = list->fontMetrics();
        list->setLineWrapMode(QTextEdit::NoWrap);
        list->setMinimumWidth(std::min(screen.width() / 2, 70 * metrics.averageCharWidth()));
        list->setFixedHeight(std::min(screen.height() / 3, 12 * metrics.lineSpacing()));
    }
    return box;
}

QStringList QtDialogs::pickFiles(QWidget* parent, const QString& title, const QString& filter,
                                 const QString& startFolder)
{
    return QFileDialog::getOpenFileNames(parent, title, startFolder, filter);
}

QString QtDialogs::pickFolder(QWidget* parent, const QString& title, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(parent, title, startFolder);
}

QString QtDialogs::pickFileToOpen(QWidget* parent, const QString& title, const QString& filter,
                                  const QString& start)
{
    return QFileDialog::getOpenFileName(parent, title, start, filter);
}

QString QtDialogs::pickFileToSave(QWidget* parent, const QString& title, const QString& filter,
                                  const QString& start)
{
    return QFileDialog::getSaveFileName(parent, title, start, filter);
}

void QtDialogs::beep()
{
    QApplication::beep();
}

// Where the desktop opens things through xdg-open, its exit status tells whether a browser could
// take the page; QDesktopServices would tell only that xdg-open itself was started. A browser
// that xdg-open keeps in the foreground outlives the window: only xdg-open is ended with it.
void QtDialogs::open(QWidget* parent, const QUrl& url, std::function<void()> failed)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    auto* opener = new QProcess(parent);
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(opener, &QProcess::finished, opener,
                     [opener, failed](int code, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || code != 0) {
                             failed();
                         }
                         opener->deleteLater();
                     });
    QObject::connect(opener, &QProcess::errorOccurred, opener,
                     [opener, failed](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             failed();
                             opener->deleteLater();
                         }
                     });
    opener->start(QStringLiteral("xdg-open"), {url.toString()});
#else
    Q_UNUSED(parent);
    if (!QDesktopServices::openUrl(url)) {
        failed();
    }
#endif
}

void Dialogs::openOrSay(QWidget* parent, const QUrl& url)
{
    const QString target =
        url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toString();
    open(parent, url, [this, window = QPointer<QWidget>(parent), target] {
        message(window, QMessageBox::Warning, productName,
                QCoreApplication::translate("quorlane::wizard::Dialogs",
                                            "%1 could not be opened: no browser or file manager "
                                            "could be started for it.")
                    .arg(target));
    });
}

} // namespace quorlane::wizard
