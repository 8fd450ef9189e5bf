#include "application.h"
#include "messageboxes.h"
#include "platformerror.h"
#include "pelmoraMain/numberedname.h"

#include <QAbstractEventDispatcher>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QStatusTipEvent>

#include <new>

PelmoraApplication::PelmoraApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/pelmora-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/pelmora-32.png"), QSize(32, 32));
    setWindowIcon(icon);
    setApplicationDisplayName(QString());
    setDesktopFileName(QStringLiteral("pelmora"));
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
            this, &PelmoraApplication::idlePass);
}

QString PelmoraApplication::titleFromExecutableName(const QString &fileName)
{
    QString name = fileName;
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

QString PelmoraApplication::title()
{
    return titleFromExecutableName(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
}

QByteArray PelmoraApplication::helpFileFor(const QByteArray &executablePath)
{
    return NumberedNames::NameWithoutExt(executablePath) + ".hlp";
}

QByteArray PelmoraApplication::helpFile()
{
    return helpFileFor(QFile::encodeName(QCoreApplication::applicationFilePath()));
}

void PelmoraApplication::handleException(const std::exception &error)
{
    if (auto *platformError = dynamic_cast<const PlatformError *>(&error))
        MessageBoxes::error(platformError->message());
    else if (dynamic_cast<const std::bad_alloc *>(&error))
        MessageBoxes::error(QStringLiteral("メモリが不足しています"));
    else
        MessageBoxes::error(QString::fromLocal8Bit(error.what()));
}

bool PelmoraApplication::notify(QObject *receiver, QEvent *event)
{
    // Hints: a highlighted menu item's (or a control's) status tip becomes the
    // hint text instead of a temporary status bar message.
    if (event->type() == QEvent::StatusTip) {
        setHint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    if (event->type() == QEvent::Hide && qobject_cast<QMenu *>(receiver))
        setHint(QString());

    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        handleException(error);
    }
    return false;
}

void PelmoraApplication::setHint(const QString &hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    emit hintChanged(hint);
}

void PelmoraApplication::idlePass()
{
    // No idle pass while a menu is open: its highlighted item's hint stays.
    if (qobject_cast<QMenu *>(activePopupWidget()))
        return;
    QString hint;
    for (QWidget *w = widgetAt(QCursor::pos()); w; w = w->parentWidget()) {
        if (!w->statusTip().isEmpty()) {
            hint = w->statusTip();
            break;
        }
    }
    setHint(hint);
    emit idle();
}
