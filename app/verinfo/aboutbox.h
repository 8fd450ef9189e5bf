#pragma once
#include <QDialog>

#include <memory>

class QFrame;
class QLabel;
class QPushButton;
namespace Ui { class TAboutBox; }

// The about box: the program's icon, name, version and what it does. Modal;
// "OK" (and Enter) closes it with the result 1, the close box with 2 (Cancel);
// Esc does not close it. The first showing centres it on the screen, later
// ones leave it where it was.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);
    ~TAboutBox() override;

    QFrame *Panel1;
    QLabel *ProgramIcon;
    QLabel *ProductName;
    QLabel *Version;
    QLabel *Copyright;
    QLabel *Comments;
    QPushButton *OKButton;

    void setVisible(bool visible) override;
    // The close box: the result 2 (Cancel).
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::unique_ptr<Ui::TAboutBox> ui;
    bool m_placed = false;
};
