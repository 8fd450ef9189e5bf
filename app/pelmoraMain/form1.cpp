#include "form1.h"
#include "ui_pelmoraMain.h"

#include "application.h"
#include "designfont.h"
#include "busycursor.h"
#include "findfile.h"
#include "messageboxes.h"
#include "numberedname.h"
#include "paths.h"
#include "sortedlistbox.h"
#include "sourcelistbox.h"
#include "texts.h"
#include "themefilelistbox.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

namespace {

QLineEdit *addBand(QToolBar *band, const QString &text, const char *editName)
{
    band->setMovable(false);
    band->setFloatable(false);
    auto *label = new QLabel(text, band);
    label->setMinimumWidth(76);
    band->addWidget(label);
    auto *edit = new QLineEdit(band);
    edit->setObjectName(QLatin1String(editName));
    edit->setText(QLatin1String(editName));
    edit->setMinimumHeight(20);
    band->addWidget(edit);
    return edit;
}

// The long hint of a text: its part after the first "|", or the whole text.
QString longHint(const QString &hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

// Runs a command started by a control and shows an error that ends it in the
// error box, as the application's handler does. The error is caught here, before
// it leaves the handler: on its way through the toolkit's event delivery it would
// skip the toolkit's own clean-up (the copy of a mouse event is never freed, the
// pressed button is never released), which the toolkit does not allow for.
template<typename... Args>
auto command(TForm1 *form, void (TForm1::*handler)(Args...))
{
    return [form, handler](Args... args) {
        try {
            (form->*handler)(args...);
        } catch (const std::exception &error) {
            PelmoraApplication::handleException(error);
        }
    };
}

// The last folder the chooser showed; the process's current directory never moves.
QString &lastBrowsedFolder()
{
    static QString folder;
    return folder;
}

} // namespace

TForm1::TForm1(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::TForm1)
{
    ui->setupUi(this);
    setFont(designFont(12));
    resize(587, 447);

    MainMenu1 = ui->MainMenu1;
    N1 = ui->N1;
    N2 = ui->N2;
    N3 = ui->N3;
    Exit1 = ui->Exit1;
    Bevel1 = ui->Bevel1;
    StatusBar1 = ui->StatusBar1;
    Panel1 = ui->Panel1;
    ListBox1 = ui->ListBox1;
    Panel2 = ui->Panel2;
    Panel3 = ui->Panel3;
    ListBox2 = ui->ListBox2;
    Panel4 = ui->Panel4;
    ListBox3 = ui->ListBox3;
    N4 = ui->N4;
    SpeedButton1 = ui->SpeedButton1;
    SpeedButton2 = ui->SpeedButton2;
    Help1 = ui->Help1;
    A1 = ui->A1;
    A2 = ui->A2;
    B1 = ui->B1;
    Label1 = ui->Label1;
    Contents1 = ui->Contents1;
    Rename1 = ui->Rename1;
    N5 = ui->N5;
    Rename2 = ui->Rename2;
    N3->setSeparator(true);
    N5->setSeparator(true);
    Bevel1->setFixedHeight(2);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addAction(Rename2);

    CoolBar1 = new QToolBar(this);
    CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
    Edit1 = addBand(CoolBar1, QStringLiteral("Base Folder "), "Edit1");
    addToolBar(Qt::TopToolBarArea, CoolBar1);
    addToolBarBreak(Qt::TopToolBarArea);
    CoolBar1Band2 = new QToolBar(this);
    CoolBar1Band2->setObjectName(QStringLiteral("CoolBar1Band2"));
    Edit2 = addBand(CoolBar1Band2, QStringLiteral("SourceFolder"), "Edit2");
    addToolBar(Qt::TopToolBarArea, CoolBar1Band2);

    StatusPanel0 = new QLabel(StatusBar1);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusBar1->addWidget(StatusPanel0, 1);
    StatusBar1->setSizeGripEnabled(true);

    ListBox1->setFont(designFont(24));
    ListBox1->setItemHeight(24);
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    ListBox2->setItemHeight(12 + 2);
    ListBox3->setItemHeight(12 + 2);
    for (SortedListBox *list : {ListBox1, static_cast<SortedListBox *>(ListBox2), static_cast<SortedListBox *>(ListBox3)})
        list->setAttribute(Qt::WA_InputMethodEnabled, false);

    chooseFolder = [this] { return runFolderChooser(); };
    wireHandlers();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::wireHandlers()
{
    // Every handler runs as a command: an error that ends it is shown in the
    // error box.
    connect(Exit1, &QAction::triggered, this, command(this, &TForm1::Exit1Click));
    connect(N2, &QAction::triggered, this, command(this, &TForm1::N2Click));
    connect(N4, &QAction::triggered, this, command(this, &TForm1::N4Click));
    connect(SpeedButton1, &QToolButton::clicked, this, command(this, &TForm1::SpeedButton1Click));
    connect(ListBox1, &SortedListBox::userSelected, this, command(this, &TForm1::ListBox1Click));
    connect(SpeedButton2, &QToolButton::clicked, this, command(this, &TForm1::SpeedButton2Click));
    connect(A1, &QAction::triggered, this, command(this, &TForm1::A1Click));
    connect(B1, &QAction::triggered, this, command(this, &TForm1::B1Click));
    connect(ListBox2, &QAbstractItemView::doubleClicked, this, command(this, &TForm1::ListBox2DblClick));
    connect(ListBox3, &QAbstractItemView::doubleClicked, this, command(this, &TForm1::ListBox3DblClick));
    connect(ListBox2, &ThemeFileListBox::dragOver, this, [this](QObject *source, bool &accept) {
        accept = ListBox2DragOver(source);
    });
    // Add runs once the drop has finished: its copies and message boxes must
    // not run inside the drag, which still holds the pointer.
    connect(ListBox2, &ThemeFileListBox::dragDropped, this, command(this, &TForm1::ListBox2DragDrop), Qt::QueuedConnection);
    connect(Contents1, &QAction::triggered, this, command(this, &TForm1::Contents1Click));
    connect(Rename1, &QAction::triggered, this, command(this, &TForm1::Rename1Click));
    connect(ListBox1, &SortedListBox::mouseDown, this, command(this, &TForm1::ListBox1MouseDown));
    connect(Rename2, &QAction::triggered, this, command(this, &TForm1::Rename2Click));
    connect(ListBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        if (PopupAutoPopup)
            PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(position));
    });
    Edit1->installEventFilter(this);
    Edit2->installEventFilter(this);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == Edit1 || watched == Edit2) && event->type() == QEvent::KeyPress) {
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        if (keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter) {
            char key = 13;
            try {
                Edit1KeyPress(watched, key);
            } catch (const std::exception &error) {
                PelmoraApplication::handleException(error);
            }
            return key == 0;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        FormShow();
    }
}

// ---- start-up and the main window ----

void TForm1::FormCreate()
{
    Rename1->setEnabled(false);
    Label1->setText(QString());
    Edit1->setText(QString());
    Edit2->setText(QString());
    BaseFolder = Paths::currentDirectory();
    Edit1->setText(QFile::decodeName(BaseFolder));
    setStatusLine(QFile::decodeName(BaseFolder));
    RefreshThemeList();
    if (PelmoraApplication *app = pelmoraApp()) {
        connect(app, &PelmoraApplication::hintChanged, this, &TForm1::AppHint, Qt::UniqueConnection);
        connect(app, &PelmoraApplication::idle, this, &TForm1::AppIdle, Qt::UniqueConnection);
    }
    FolderShown = false;
}

void TForm1::FormShow()
{
    // The edits line up after their band captions.
    Edit1->move(80, Edit1->y());
    Edit2->move(80, Edit2->y());
}

void TForm1::setStatusLine(const QString &text)
{
    StatusPanel0->setText(text);
}

QString TForm1::statusText() const
{
    return StatusPanel0->text();
}

void TForm1::AppHint(const QString &hint)
{
    setStatusLine(longHint(hint));
    FolderShown = false;
}

void TForm1::AppIdle()
{
    if (!FolderShown) {
        FolderShown = true;
        setStatusLine(QFile::decodeName(BaseFolder));
    }
}

void TForm1::ListBox1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint &position)
{
    const QModelIndex index = ListBox1->indexAt(position);
    ListBox1->SetItemIndex(index.isValid() ? index.row() : -1);
    if (ListBox1->ItemIndex() < 0) {
        PopupAutoPopup = false;
        return;
    }
    PopupAutoPopup = true;
    if (button == Qt::RightButton)
        ListBox1Click();
}

void TForm1::Exit1Click()
{
    close();
}

void TForm1::Contents1Click()
{
    const QByteArray helpFile = PelmoraApplication::helpFile();
    const QString shown = QFile::decodeName(helpFile);
    if (!QFile::exists(shown)) {
        MessageBoxes::notice(QString::fromUtf8(Texts::HelpFileMissing).arg(shown));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(shown)))
        MessageBoxes::notice(QString::fromUtf8(Texts::HelpFileNotOpened).arg(shown));
}

// ---- stock folders and listings ----

bool TForm1::AcceptEntry(const DirEntry &entry) const
{
    if (SearchAttr != 0 && entry.attributes != std::uint32_t(SearchAttr))
        return false;
    return entry.name != "." && entry.name != "..";
}

void TForm1::RefreshThemeList()
{
    SearchAttr = FileAttr::Directory;
    ListBox1->Clear();
    ListBox2->Clear();
    ThemeName.clear();
    const QByteArray pattern = Paths::join(BaseFolder, "*.*");
    std::vector<QByteArray> themes;
    FindFile::forEach(pattern, std::uint32_t(SearchAttr), [&](const DirEntry &entry) {
        if (AcceptEntry(entry))
            themes.push_back(entry.name);
    });
    ListBox1->Assign(std::move(themes));
}

void TForm1::ListFiles(std::vector<QByteArray> &target, QByteArray pattern)
{
    std::vector<QByteArray> names;
    SearchAttr = 0;
    target.clear();
    BusyCursor busy;
    FindFile::forEach(pattern, std::uint32_t(SearchAttr), [&](const DirEntry &entry) {
        if (AcceptEntry(entry))
            names.push_back(entry.name);
    });
    target = std::move(names);
}

void TForm1::ListFiles(SortedListBox *target, QByteArray pattern)
{
    std::vector<QByteArray> names;
    SearchAttr = 0;
    target->Clear();
    BusyCursor busy;
    FindFile::forEach(pattern, std::uint32_t(SearchAttr), [&](const DirEntry &entry) {
        if (AcceptEntry(entry))
            names.push_back(entry.name);
    });
    target->Assign(std::move(names));
}

void TForm1::ListBox1Click()
{
    ThemeName = ListBox1->Item(ListBox1->ItemIndex());
    ListFiles(ListBox2, Paths::join(Paths::join(BaseFolder, ThemeName), ThemeName + "*.*"));
    Rename1->setEnabled(true);
    Rename1->setStatusTip(QString::fromUtf8(Texts::HintRename));
}

std::optional<QByteArray> TForm1::runFolderChooser()
{
    QString &start = lastBrowsedFolder();
    if (start.isEmpty())
        start = QFile::decodeName(Paths::currentDirectory());
    QFileDialog dialog(this, QString::fromUtf8(Texts::ChooseFolderCaption), start);
    dialog.setObjectName(QStringLiteral("SelectDirDlg"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ReadOnly, true); // no folder creation
    dialog.setFileMode(QFileDialog::Directory);    // files shown greyed
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, QString::fromUtf8(Texts::Ok));
    dialog.setLabelText(QFileDialog::Reject, QString::fromUtf8(Texts::Cancel));
    const bool accepted = dialog.exec() == QDialog::Accepted;
    start = dialog.directory().absolutePath();
    if (!accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().first());
}

void TForm1::N4Click()
{
    const std::optional<QByteArray> chosen = chooseFolder();
    if (!chosen)
        return;
    const QByteArray folder = Paths::stripTrailingSeparator(*chosen);
    Label1->setText(QFile::decodeName(folder));
    Label1->adjustSize();
    SourceFolder = folder;
    ListFiles(ListBox3, Paths::join(folder, "*.*"));
    Edit2->setText(QFile::decodeName(folder));
}

void TForm1::SpeedButton1Click()
{
    N4Click();
}

void TForm1::B1Click()
{
    Rename1->setEnabled(false);
    Rename1->setStatusTip(QString());
    const std::optional<QByteArray> chosen = chooseFolder();
    if (!chosen)
        return;
    BaseFolder = Paths::stripTrailingSeparator(*chosen);
    Edit1->setText(QFile::decodeName(BaseFolder));
    setStatusLine(QFile::decodeName(BaseFolder));
    RefreshThemeList();
}

void TForm1::Edit1KeyPress(QObject *sender, char &key)
{
    if (key != 13)
        return;
    auto *edit = qobject_cast<QLineEdit *>(sender);
    if (!edit)
        return;
    QByteArray text = QFile::encodeName(edit->text());
    if (Paths::isDirectory(text)) {
        const QByteArray stripped = Paths::stripTrailingSeparator(text);
        if (stripped != text) {
            text = stripped;
            edit->setText(QFile::decodeName(text));
        }
        if (edit == Edit1) {
            BaseFolder = text;
            setStatusLine(QFile::decodeName(BaseFolder));
            RefreshThemeList();
        } else {
            Label1->setText(QFile::decodeName(text));
            Label1->adjustSize();
            SourceFolder = text;
            ListFiles(ListBox3, Paths::join(text, "*.*"));
        }
    } else {
        edit->setText(QFile::decodeName(edit == Edit1 ? BaseFolder : SourceFolder));
    }
    key = 0;
}

// ---- numbered names ----

std::int32_t TForm1::NumberOfName(const QByteArray &name) const
{
    return NumberedNames::NumberOfName(name, ThemeName);
}

bool TForm1::IsPictureExt(const QByteArray &extension)
{
    return NumberedNames::IsPictureExt(extension);
}
