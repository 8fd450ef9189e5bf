#pragma once
#include <QApplication>
#include <QString>

// The application object: shows errors that end a command in the error box
// (the default error handler), keeps the hint text and runs the idle pass.
class PelmoraApplication : public QApplication
{
    Q_OBJECT
public:
    PelmoraApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // The title derived from the executable's name: cut at its first ".", every
    // character after the first lower-cased ("pelmora" for pelmora).
    static QString title();
    static QString titleFromExecutableName(const QString &fileName);

    // The help file: the executable's path with ".hlp" for its extension.
    static QByteArray helpFile();
    static QByteArray helpFileFor(const QByteArray &executablePath);

    // Shows an error that ended a command; the program goes on.
    static void handleException(const std::exception &error);

    const QString &hint() const { return m_hint; }
    void setHint(const QString &hint);

    // The moment the event loop is about to wait: the idle pass. Public so
    // that tests can run one without waiting on the event loop.
    void idlePass();

signals:
    void hintChanged(const QString &hint);
    void idle();

private:
    QString m_hint;
};

inline PelmoraApplication *pelmoraApp()
{
    return qobject_cast<PelmoraApplication *>(QCoreApplication::instance());
}
