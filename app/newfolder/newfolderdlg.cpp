#include "newfolderdlg.h"

TNewFolderDlg::TNewFolderDlg(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("NewFolderDlg"));
    setWindowTitle(QStringLiteral("New Folder"));
}
