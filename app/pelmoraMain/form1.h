#pragma once
#include <QByteArray>
#include <QMainWindow>
#include <QPoint>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QToolBar;
class QToolButton;
class QFrame;
class QStatusBar;
class SortedListBox;
class SourceListBox;
class ThemeFileListBox;
namespace Ui { class TForm1; }

// The main window: the theme list, the theme file list and the source file
// list, and every picture-stock command that works on them.
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // Controls, under their own names (each is also its objectName).
    QMenuBar *MainMenu1;
    QMenu *N1;
    QAction *N2;
    QAction *N3;
    QAction *Exit1;
    QFrame *Bevel1;
    QStatusBar *StatusBar1;
    QFrame *Panel1;
    SortedListBox *ListBox1;
    QFrame *Panel2;
    QFrame *Panel3;
    ThemeFileListBox *ListBox2;
    QFrame *Panel4;
    SourceListBox *ListBox3;
    QAction *N4;
    QToolButton *SpeedButton1;
    QToolButton *SpeedButton2;
    QMenu *Help1;
    QAction *A1;
    QMenu *A2;
    QAction *B1;
    QLabel *Label1;
    QAction *Contents1;
    QAction *Rename1;
    QAction *N5;
    QMenu *PopupMenu1;
    QAction *Rename2;
    QToolBar *CoolBar1;
    QToolBar *CoolBar1Band2;
    QLineEdit *Edit1;
    QLineEdit *Edit2;
    QLabel *StatusPanel0; // panel 0 of StatusBar1: the status line

    // The picture stock.
    QByteArray BaseFolder;
    QByteArray ThemeName;
    QByteArray SourceFolder;
    std::int32_t SearchAttr = 0;
    bool FolderShown = false;
    bool PopupAutoPopup = true; // the pop-up menu's AutoPopup flag

    // Stock folders and listings
    bool AcceptEntry(const struct DirEntry &entry) const;
    void RefreshThemeList();
    void ListFiles(SortedListBox *target, QByteArray pattern);
    void ListFiles(std::vector<QByteArray> &target, QByteArray pattern);

    // Numbered names
    std::int32_t NumberOfName(const QByteArray &name) const;
    static bool IsPictureExt(const QByteArray &extension);

    // Theme folders
    void EditThemeFolder(const QByteArray &oldName);
    void RenumberTheme(const QByteArray &newName, const QByteArray &oldName);

    // The folder chooser; replaced by tests. Returns the chosen folder, or
    // nothing on Cancel.
    std::function<std::optional<QByteArray>()> chooseFolder;

    QString statusText() const;

public slots:
    void Exit1Click();
    void FormCreate();
    void N2Click();
    void N4Click();
    void SpeedButton1Click();
    void ListBox1Click();
    void SpeedButton2Click();
    void A1Click();
    void B1Click();
    void ListBox2DblClick();
    void ListBox3DblClick();
    void Contents1Click();
    void Rename1Click();
    void ListBox1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint &position);
    void Rename2Click();
    void Edit1KeyPress(QObject *sender, char &key);
    void FormShow();

    // The application's hint and idle handlers, installed by FormCreate.
    void AppHint(const QString &hint);
    void AppIdle();

public:
    // The drag-and-drop handlers of the theme file list.
    bool ListBox2DragOver(QObject *source);
    void ListBox2DragDrop(QObject *source);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setStatusLine(const QString &text);
    void wireHandlers();
    std::optional<QByteArray> runFolderChooser();

    std::unique_ptr<Ui::TForm1> ui;
    bool m_shownOnce = false;
};
