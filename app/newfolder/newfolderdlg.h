#pragma once
#include <QByteArray>
#include <QDialog>

// The folder-name dialog.
class TNewFolderDlg : public QDialog
{
    Q_OBJECT
public:
    explicit TNewFolderDlg(QWidget *parent = nullptr);

    QByteArray FolderName;
};
