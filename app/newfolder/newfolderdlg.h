#pragma once
#include <QByteArray>
#include <QDialog>

#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
namespace Ui { class TNewFolderDlg; }

// The folder-name dialog: asks for the name of a theme folder and nothing
// else. Its one instance lives as long as the program, so the name accepted
// last survives from one showing to the next.
class TNewFolderDlg : public QDialog
{
    Q_OBJECT
public:
    // The results of a modal showing.
    enum Result { ResultOk = 1, ResultCancel = 2 };

    explicit TNewFolderDlg(QWidget *parent = nullptr);
    ~TNewFolderDlg() override;

    QPushButton *OKBtn;
    QPushButton *CancelBtn;
    QFrame *Bevel1;
    QLabel *Label1;
    QLineEdit *Edit1;

    // The name accepted by the last OK with a non-empty edit, exactly as
    // typed. Empty at creation; the dialog never empties it, only the caller.
    QByteArray FolderName;

    // Shows a name, given as bytes, in Edit1. As long as the edit is left as
    // it is, editName() gives those very bytes back, so a name that is not
    // valid UTF-8 survives the round trip through the edit.
    void setEditName(const QByteArray &name);
    // The text of Edit1 as a file name.
    QByteArray editName() const;

    // Runs on every showing: a held name replaces the preset, and the edit
    // takes the focus with its whole text selected.
    void FormShow();

    void setVisible(bool visible) override;

public slots:
    void OKBtnClick();
    // Cancel, Esc and the close box: result 2, nothing else changes.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TNewFolderDlg> ui;
    QByteArray m_editBytes;
    bool m_placed = false;
};
