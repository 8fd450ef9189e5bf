#include "newfolderdlg.h"
#include "ui_newfolder.h"
#include "designfont.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

TNewFolderDlg::TNewFolderDlg(QWidget *parent)
    : QDialog(parent), ui(new Ui::TNewFolderDlg)
{
    ui->setupUi(this);
    OKBtn = ui->OKBtn;
    CancelBtn = ui->CancelBtn;
    Bevel1 = ui->Bevel1;
    Label1 = ui->Label1;
    Edit1 = ui->Edit1;

    // A fixed-size dialog: title and close box, no minimise or maximise button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(313, 164);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    setFont(designFont(12));
    QFont labelFont = designFont(21, QStringLiteral("MS UI Gothic"));
    labelFont.setBold(true);
    Label1->setFont(labelFont);
    Label1->adjustSize(); // the label grows with its text, as the prompt must show whole

    // Japanese can be typed at once: the edit takes input from the input
    // method, with no hint that would restrict it to Latin text. Whether the
    // input method starts in Japanese mode is the input method's own setting.
    Edit1->setAttribute(Qt::WA_InputMethodEnabled, true);
    Edit1->setInputMethodHints(Qt::ImhNone);

    // Enter presses the default button unless another button has the focus.
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &TNewFolderDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TNewFolderDlg::reject);
}

TNewFolderDlg::~TNewFolderDlg() = default;

void TNewFolderDlg::setEditName(const QByteArray &name)
{
    m_editBytes = name;
    Edit1->setText(QFile::decodeName(name));
}

QByteArray TNewFolderDlg::editName() const
{
    const QString text = Edit1->text();
    if (text == QFile::decodeName(m_editBytes))
        return m_editBytes;
    return QFile::encodeName(text);
}

void TNewFolderDlg::FormShow()
{
    if (!FolderName.isEmpty())
        setEditName(FolderName);
    Edit1->setFocus(Qt::OtherFocusReason);
    Edit1->selectAll();
}

void TNewFolderDlg::OKBtnClick()
{
    if (!Edit1->text().isEmpty())
        FolderName = editName();
    done(ResultOk);
}

void TNewFolderDlg::reject()
{
    done(ResultCancel);
}

void TNewFolderDlg::setVisible(bool visible)
{
    // Centred on the screen at the first showing; from then on the dialog
    // keeps the place where it was last closed, so a move by the user lasts.
    // (An explicit move also keeps QDialog from centring it over its parent.)
    if (visible && !m_placed) {
        m_placed = true;
        QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
        if (screen)
            move(screen->geometry().center() - rect().center());
    }
    QDialog::setVisible(visible);
}

void TNewFolderDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}
