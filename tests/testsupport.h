#pragma once
#include "messageboxes.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <QList>

// A temporary folder tree for one test.
class TempTree
{
public:
    TempTree();
    QByteArray path() const; // absolute, no trailing "/"
    QByteArray at(const QByteArray &relative) const;
    // Creates a file (and its folders) with the given bytes; returns its path.
    QByteArray file(const QByteArray &relative, const QByteArray &content = QByteArray("x"));
    QByteArray dir(const QByteArray &relative);
    static QByteArray read(const QByteArray &path);

private:
    QTemporaryDir m_dir;
};

// Records every message box instead of showing it, answering with the given
// results in turn (IdOk, or IdCancel for a warning, when the queue is empty).
class MessageRecorder
{
public:
    MessageRecorder();
    ~MessageRecorder();
    QList<MessageBoxes::Request> requests;
    QList<int> answers;
    QStringList texts() const;
};

// Makes the process's current directory the given folder while it lives.
class CurrentDirectory
{
public:
    explicit CurrentDirectory(const QByteArray &path);
    ~CurrentDirectory();

private:
    QByteArray m_previous;
};
