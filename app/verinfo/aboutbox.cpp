#include "aboutbox.h"
#include "ui_aboutbox.h"
#include "designfont.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace {

// A label sized to its text from its top-left corner in the layout, so that a
// substituted font a little wider than the layout's does not cut it.
void fitToText(QLabel *label)
{
    const QSize text = label->sizeHint();
    label->resize(qMax(label->width(), text.width()), qMax(label->height(), text.height()));
}

enum : int { ResultOk = 1, ResultCancel = 2 };

} // namespace

TAboutBox::TAboutBox(QWidget *parent)
    : QDialog(parent), ui(new Ui::TAboutBox)
{
    ui->setupUi(this);
    Panel1 = ui->Panel1;
    ProgramIcon = ui->ProgramIcon;
    ProductName = ui->ProductName;
    Version = ui->Version;
    Copyright = ui->Copyright;
    Comments = ui->Comments;
    OKButton = ui->OKButton;

    // A dialog border: title bar and close box, no minimise or maximise button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(298, 213);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    setFont(designFont(12));
    ProductName->setFont(designFont(24));
    QFont comments = designFont(16);
    Comments->setFont(comments);
    QPalette black = Comments->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    Comments->setPalette(black);
    for (QLabel *label : {ProductName, Version, Copyright, Comments})
        fitToText(label);

    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, [this] { done(ResultOk); });
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::setVisible(bool visible)
{
    // Centred on the screen the first time. An explicit move also tells the
    // dialog not to centre itself over its parent at later showings, so that
    // it opens where it was last.
    if (visible && !m_placed) {
        m_placed = true;
        const QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            create(); // the frame's size is known once the window exists
            const QRect area = screen->geometry();
            const QSize outer = frameGeometry().size();
            move(area.x() + (area.width() - outer.width()) / 2,
                 area.y() + (area.height() - outer.height()) / 2);
        }
    }
    QDialog::setVisible(visible);
}

void TAboutBox::reject()
{
    done(ResultCancel);
}

void TAboutBox::keyPressEvent(QKeyEvent *event)
{
    // No cancel button: Esc does nothing here.
    if (event->matches(QKeySequence::Cancel) || event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
