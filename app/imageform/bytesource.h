#pragma once
#include <QByteArray>
#include <QtGlobal>

// Where a picture's bytes come from: a buffer in memory (tests, fuzzing, a
// JPEG file read whole) or an open file read in place.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    virtual qint64 size() const = 0;
    // Copies up to length bytes from offset to dest and returns how many it
    // copied: fewer at the end of the data, 0 beyond it. An I/O error throws
    // the stream read error.
    virtual qint64 read(qint64 offset, void *dest, qint64 length) = 0;
};

class MemorySource : public ByteSource
{
public:
    explicit MemorySource(const QByteArray &data) : m_data(data) { }
    qint64 size() const override { return m_data.size(); }
    qint64 read(qint64 offset, void *dest, qint64 length) override;

private:
    QByteArray m_data;
};

// A file opened for reading; other readers (and writers) are not locked out.
class FileSource : public ByteSource
{
public:
    // Throws "ファイル %s は開けません" when the path cannot be opened or names
    // no regular file (a folder, a device, a pipe).
    explicit FileSource(const QByteArray &path);
    ~FileSource() override;
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;

    qint64 size() const override { return m_size; }
    qint64 read(qint64 offset, void *dest, qint64 length) override;

    // The whole file (as far as it reads now).
    QByteArray readAll();

private:
    int m_fd = -1;
    qint64 m_size = 0;
};
