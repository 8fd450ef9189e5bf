#pragma once
#include <QString>
#include <exception>

// An error that ends the command in progress. The application's event
// dispatch catches it and shows its text in the error box; the program goes on.
class PlatformError : public std::exception
{
public:
    explicit PlatformError(QString message);
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

    static PlatformError listIndex(int index);
    static PlatformError fileCreate(const QByteArray &path);
    static PlatformError fileOpen(const QByteArray &path);
    static PlatformError streamRead();
    static PlatformError streamWrite();
    static PlatformError invalidBitmap();
    static PlatformError jpeg(int code);

private:
    QString m_message;
    QByteArray m_utf8;
};
