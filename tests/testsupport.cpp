#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

TempTree::TempTree()
{
    m_dir.setAutoRemove(true);
}

QByteArray TempTree::path() const
{
    return QFile::encodeName(m_dir.path());
}

QByteArray TempTree::at(const QByteArray &relative) const
{
    return path() + '/' + relative;
}

QByteArray TempTree::file(const QByteArray &relative, const QByteArray &content)
{
    const QByteArray full = at(relative);
    const qsizetype slash = full.lastIndexOf('/');
    QDir().mkpath(QFile::decodeName(full.left(slash)));
    FILE *f = ::fopen(full.constData(), "wb");
    if (f) {
        ::fwrite(content.constData(), 1, size_t(content.size()), f);
        ::fclose(f);
    }
    return full;
}

QByteArray TempTree::dir(const QByteArray &relative)
{
    const QByteArray full = at(relative);
    QDir().mkpath(QFile::decodeName(full));
    return full;
}

QByteArray TempTree::read(const QByteArray &path)
{
    QByteArray data;
    FILE *f = ::fopen(path.constData(), "rb");
    if (!f)
        return data;
    char buffer[65536];
    size_t n;
    while ((n = ::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, qsizetype(n));
    ::fclose(f);
    return data;
}

MessageRecorder::MessageRecorder()
{
    MessageBoxes::setInterceptor([this](const MessageBoxes::Request &request) {
        requests.append(request);
        if (!answers.isEmpty())
            return answers.takeFirst();
        return request.kind == MessageBoxes::Kind::Warning ? int(MessageBoxes::IdCancel)
                                                           : int(MessageBoxes::IdOk);
    });
}

MessageRecorder::~MessageRecorder()
{
    MessageBoxes::setInterceptor({});
}

QStringList MessageRecorder::texts() const
{
    QStringList list;
    for (const auto &r : requests)
        list << r.text;
    return list;
}

CurrentDirectory::CurrentDirectory(const QByteArray &path)
{
    char buffer[4096];
    if (::getcwd(buffer, sizeof buffer))
        m_previous = buffer;
    if (::chdir(path.constData()) != 0)
        qFatal("cannot enter %s", path.constData());
}

CurrentDirectory::~CurrentDirectory()
{
    if (!m_previous.isEmpty() && ::chdir(m_previous.constData()) != 0)
        qWarning("cannot go back to %s", m_previous.constData());
}
