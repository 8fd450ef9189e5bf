#pragma once
// Helpers for the tests that try to break the filing of pictures: file system
// state taken by bytes (names need not be UTF-8), checksums of a whole tree to
// prove that nothing was lost or changed, a small RAM file system that fills
// up, and a hand on the folder-name dialog.
#include "newfolder/newfolderdlg.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QEvent>
#include <QLineEdit>
#include <QObject>
#include <QTimer>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

namespace Filing {

inline bool makeDir(const QByteArray &path)
{
    return ::mkdir(path.constData(), 0777) == 0;
}

// Writes a file by its bytes path (no folder is made on the way).
inline bool writeFile(const QByteArray &path, const QByteArray &content, mode_t mode = 0644)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (n <= 0)
            break;
        done += n;
    }
    return ::close(fd) == 0 && done == content.size();
}

inline bool exists(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// Removes a file, link or whole folder by its bytes path.
inline void removeTree(const QByteArray &path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR *dir = ::opendir(path.constData())) {
            std::vector<QByteArray> names;
            while (const dirent *d = ::readdir(dir))
                if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0)
                    names.emplace_back(d->d_name);
            ::closedir(dir);
            for (const QByteArray &name : names)
                removeTree(path + '/' + name);
        }
        ::rmdir(path.constData());
    } else {
        ::unlink(path.constData());
    }
}

// Bytes that differ from file to file, so that checksums tell copies apart.
inline QByteArray content(const QByteArray &seed, qsizetype size)
{
    QByteArray data;
    data.reserve(size);
    QByteArray block = QCryptographicHash::hash(seed, QCryptographicHash::Sha256);
    while (data.size() < size) {
        data += block;
        block = QCryptographicHash::hash(block, QCryptographicHash::Sha256);
    }
    data.truncate(size);
    return data;
}

inline QByteArray checksum(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

// Every entry under a folder, by its path relative to the folder, with what it
// is: a file's checksum and permission bits, "<dir>", a link's target,
// "<fifo>" or "<other>". Links are not followed.
using Tree = std::map<QByteArray, QByteArray>;

inline void collect(const QByteArray &root, const QByteArray &relative, Tree &tree)
{
    const QByteArray folder = relative.isEmpty() ? root : root + '/' + relative;
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return;
    std::vector<QByteArray> names;
    while (const dirent *d = ::readdir(dir))
        if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0)
            names.emplace_back(d->d_name);
    ::closedir(dir);
    for (const QByteArray &name : names) {
        const QByteArray key = relative.isEmpty() ? name : relative + '/' + name;
        const QByteArray path = root + '/' + key;
        struct stat st;
        if (::lstat(path.constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            tree[key] = "<dir>";
            collect(root, key, tree);
        } else if (S_ISREG(st.st_mode)) {
            QByteArray data;
            const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                char buffer[65536];
                ssize_t n;
                while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
                    data.append(buffer, n);
                ::close(fd);
            }
            tree[key] = checksum(data) + " " + QByteArray::number(st.st_mode & 07777, 8);
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(path.constData(), target, sizeof target);
            tree[key] = "<link>" + QByteArray(target, n > 0 ? n : 0);
        } else if (S_ISFIFO(st.st_mode)) {
            tree[key] = "<fifo>";
        } else {
            tree[key] = "<other>";
        }
    }
}

inline Tree snapshot(const QByteArray &root)
{
    Tree tree;
    collect(root, QByteArray(), tree);
    return tree;
}

// The checksum part of a snapshot entry (a file's content only).
inline QByteArray contentOf(const Tree &tree, const QByteArray &key)
{
    const auto it = tree.find(key);
    return it == tree.end() ? QByteArray() : it->second.split(' ').value(0);
}

// A RAM file system mounted on a folder for the life of the object, so that a
// disk can really fill up. Mounting needs the right to mount (root in CI);
// mounted() says whether it worked.
class SmallDisk
{
public:
    SmallDisk(const QByteArray &folder, const QByteArray &options) : m_folder(folder)
    {
        m_mounted = ::mount("tmpfs", folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) == 0;
        if (!m_mounted)
            m_error = errno;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;
    bool mounted() const { return m_mounted; }
    QByteArray why() const { return QByteArray(std::strerror(m_error)); }

private:
    QByteArray m_folder;
    bool m_mounted = false;
    int m_error = 0;
};

// Answers the folder-name dialog at its next showing: OK with the edit as it
// is shown, or with the given text typed in its place.
class DialogAnswer : public QObject
{
public:
    explicit DialogAnswer(TNewFolderDlg *dialog, const QString &typed = QString())
        : m_dialog(dialog), m_typed(typed)
    {
        dialog->installEventFilter(this);
    }
    ~DialogAnswer() override { m_dialog->removeEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_dialog && event->type() == QEvent::Show) {
            ++shown;
            QTimer::singleShot(0, this, [this] {
                if (!m_typed.isNull())
                    m_dialog->Edit1->setText(m_typed);
                m_dialog->OKBtnClick();
            });
        }
        return false;
    }

private:
    TNewFolderDlg *m_dialog;
    QString m_typed;
};

} // namespace Filing
