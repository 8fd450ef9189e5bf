#include "messageboxes.h"
#include "application.h"
#include "texts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace MessageBoxes {

namespace {

Interceptor &interceptor()
{
    static Interceptor instance;
    return instance;
}

QWidget *activeParent()
{
    return QApplication::activeWindow();
}

} // namespace

void setInterceptor(Interceptor i)
{
    interceptor() = std::move(i);
}

void notice(const QString &text)
{
    if (interceptor()) {
        interceptor()({Kind::Notice, PelmoraApplication::title(), text});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, PelmoraApplication::title(), text, QMessageBox::NoButton, activeParent());
    box.setObjectName("NoticeBox");
    QPushButton *ok = box.addButton(QString::fromUtf8(Texts::Ok), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}

int warningYesCancel(const QString &text)
{
    const QString caption = QString::fromUtf8(Texts::WarningCaption);
    if (interceptor())
        return interceptor()({Kind::Warning, caption, text});
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::NoButton, activeParent());
    box.setObjectName("WarningBox");
    QPushButton *yes = box.addButton(QString::fromUtf8(Texts::WarningYes), QMessageBox::YesRole);
    QPushButton *cancel = box.addButton(QString::fromUtf8(Texts::Cancel), QMessageBox::RejectRole);
    yes->setObjectName("WarningYes");
    cancel->setObjectName("WarningCancel");
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == yes ? IdYes : IdCancel;
}

QString withFullStop(const QString &text)
{
    if (text.isEmpty())
        return text;
    const QChar last = text.back();
    if (last.unicode() >= 0x80 || last > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

void error(const QString &text)
{
    const QString shown = withFullStop(text);
    if (interceptor()) {
        interceptor()({Kind::Error, PelmoraApplication::title(), shown});
        return;
    }
    QMessageBox box(QMessageBox::Critical, PelmoraApplication::title(), shown, QMessageBox::NoButton, activeParent());
    box.setObjectName("ErrorBox");
    QPushButton *ok = box.addButton(QString::fromUtf8(Texts::Ok), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}

} // namespace MessageBoxes
