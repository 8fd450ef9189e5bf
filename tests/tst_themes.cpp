#include "application.h"
#include "forms.h"
#include "messageboxes.h"
#include "newfolder/newfolderdlg.h"
#include "pelmoraMain/form1.h"
#include "pelmoraMain/sortedlistbox.h"
#include "pelmoraMain/themefilelistbox.h"
#include "platformerror.h"
#include "testsupport.h"

#include <QAction>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMap>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString SelectFolder = QStringLiteral("フォルダを選択してください。");

QString takenText(const QString &name) { return name + QStringLiteral(" は設定済みです。"); }
QString refusedText(const QString &name) { return name + QStringLiteral(" はフォルダ名に使えません。"); }

// Every entry under a folder with its bytes ("<dir>" for folders): the state
// of the disk, to compare before and after a request.
QMap<QString, QByteArray> snapshot(const QByteArray &root)
{
    QMap<QString, QByteArray> entries;
    const QString top = QFile::decodeName(root);
    QDirIterator it(top, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(top.size() + 1);
        entries[relative] = it.fileInfo().isDir() ? QByteArray("<dir>")
                                                  : TempTree::read(QFile::encodeName(path));
    }
    return entries;
}

bool isFolder(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QStringList namesOf(const SortedListBox *list)
{
    QStringList names;
    for (int i = 0; i < list->Count(); ++i)
        names << QFile::decodeName(list->Item(i));
    return names;
}

// Answers the folder-name dialog each time it is shown, from a script of
// steps: a name to type (or none, to leave the edit as shown) and OK or
// Cancel. Records what the edit showed. A showing with no step left is
// cancelled and counted as unexpected.
class DialogDriver : public QObject
{
public:
    struct Step
    {
        QString typed; // null: leave the edit; empty: empty it
        bool ok = true;
    };

    explicit DialogDriver(TNewFolderDlg *dialog) : m_dialog(dialog) { dialog->installEventFilter(this); }
    ~DialogDriver() override { m_dialog->removeEventFilter(this); }

    DialogDriver &ok(const QString &typed) { steps.append({typed, true}); return *this; }
    DialogDriver &okAsShown() { steps.append({QString(), true}); return *this; }
    DialogDriver &cancel() { steps.append({QString(), false}); return *this; }

    QList<Step> steps;
    QStringList shown;
    int unexpected = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_dialog && event->type() == QEvent::Show)
            QTimer::singleShot(0, this, [this] { act(); });
        return false;
    }

private:
    void act()
    {
        shown << m_dialog->Edit1->text();
        if (steps.isEmpty()) {
            ++unexpected;
            m_dialog->reject();
            return;
        }
        const Step step = steps.takeFirst();
        if (!step.typed.isNull())
            m_dialog->Edit1->setText(step.typed);
        QTest::keyClick(m_dialog->Edit1, step.ok ? Qt::Key_Return : Qt::Key_Escape);
    }

    TNewFolderDlg *m_dialog;
};

} // namespace

// Creating and renaming themes through the whole program on a temporary base
// folder.
class TestThemes : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void newFolder_data();
    void newFolder();
    void renameRenumbers_data();
    void renameRenumbers();
    void renameKeepsNumericOrder();
    void renameNeverOverwrites();
    void renameWithoutTheme();
    void takenName_data();
    void takenName();
    void takenThenYes_data();
    void takenThenYes();
    void newFolderYesWithoutTheme();
    void emptyOk();
    void refusedName_data();
    void refusedName();
    void creationFails_data();
    void creationFails();
    void letterCase();

private:
    void start();
    void select(const QByteArray &theme);
    QByteArray base() const { return tree->at("base"); }

    std::unique_ptr<TempTree> tree;
    std::unique_ptr<CurrentDirectory> cwd;
    std::unique_ptr<MessageRecorder> messages;
    std::unique_ptr<DialogDriver> dialog;
};

void TestThemes::init()
{
    tree = std::make_unique<TempTree>();
    tree->dir("base");
    messages = std::make_unique<MessageRecorder>();
}

// Starts the program in the base folder once the test has laid out its files.
void TestThemes::start()
{
    cwd = std::make_unique<CurrentDirectory>(base());
    Forms::createAll();
    dialog = std::make_unique<DialogDriver>(NewFolderDlg);
}

void TestThemes::cleanup()
{
    if (dialog)
        QCOMPARE(dialog->unexpected, 0);
    dialog.reset();
    Forms::destroyAll();
    cwd.reset();
    messages.reset();
    tree.reset();
}

void TestThemes::select(const QByteArray &theme)
{
    const int index = Form1->ListBox1->IndexOfExact(theme);
    QVERIFY(index >= 0);
    Form1->ListBox1->SetItemIndex(index);
    Form1->ListBox1Click();
    QCOMPARE(Form1->ThemeName, theme);
}

void TestThemes::newFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("themeSelected");
    QTest::newRow("plain") << "Trip" << false;
    QTest::newRow("with a theme selected") << "Trip" << true;
    QTest::newRow("blanks kept") << " Trip 2 " << false;
    QTest::newRow("Japanese") << "旅行" << false;
    QTest::newRow("with a dot") << "Trip.2024" << false;
}

void TestThemes::newFolder()
{
    QFETCH(QString, name);
    QFETCH(bool, themeSelected);
    tree->file("base/Holiday/Holiday001.jpg", "h1");
    start();
    if (themeSelected)
        select("Holiday");

    dialog->ok(name);
    Form1->N2->trigger();

    QCOMPARE(dialog->shown, QStringList{QString()});
    const QByteArray bytes = QFile::encodeName(name);
    QVERIFY(isFolder(tree->at("base/" + bytes)));
    QCOMPARE(Form1->ListBox1->Count(), 2);
    QCOMPARE(Form1->ListBox1->Item(Form1->ListBox1->ItemIndex()), bytes);
    QCOMPARE(Form1->ThemeName, bytes);
    QCOMPARE(Form1->ListBox2->Count(), 0);
    QVERIFY(Form1->Rename1->isEnabled());
    QVERIFY(NewFolderDlg->FolderName.isEmpty());
    QVERIFY(messages->requests.isEmpty());
    QCOMPARE(TempTree::read(tree->at("base/Holiday/Holiday001.jpg")), QByteArray("h1"));
}

void TestThemes::renameRenumbers_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("menu") << "Rename1";
    QTest::newRow("pop-up menu") << "Rename2";
}

void TestThemes::renameRenumbers()
{
    QFETCH(QString, command);
    tree->file("base/Trip/Trip001.JPG", "first");
    tree->file("base/Trip/Trip002.jpg", "second");
    tree->file("base/Trip/Trip_best.bmp", "best");
    tree->file("base/Trip/Trip.txt", "a note");
    tree->file("base/Trip/Other.jpg", "not this theme's");
    tree->file("base/Trip/Trip_sub/Trip003.jpg", "in a sub-folder");
    tree->file("base/Holiday/Holiday001.jpg", "h1");
    start();
    select("Trip");

    dialog->ok(QStringLiteral("Journey"));
    Form1->findChild<QAction *>(command)->trigger();

    QCOMPARE(dialog->shown, QStringList{QStringLiteral("Trip")});
    QVERIFY(!isFolder(tree->at("base/Trip")));
    // The pictures in the lists' order of their old names ("_" sorts before
    // the digits), numbered without gaps; extension case kept; the note, the
    // other file and the sub-folder untouched.
    const QMap<QString, QByteArray> expected{
        {"Journey001.bmp", "best"},
        {"Journey002.JPG", "first"},
        {"Journey003.jpg", "second"},
        {"Trip.txt", "a note"},
        {"Other.jpg", "not this theme's"},
        {"Trip_sub", "<dir>"},
        {"Trip_sub/Trip003.jpg", "in a sub-folder"},
    };
    QCOMPARE(snapshot(tree->at("base/Journey")), expected);
    QCOMPARE(TempTree::read(tree->at("base/Holiday/Holiday001.jpg")), QByteArray("h1"));

    QCOMPARE(namesOf(Form1->ListBox1), (QStringList{"Holiday", "Journey"}));
    QCOMPARE(Form1->ListBox1->ItemIndex(), 1);
    QCOMPARE(Form1->ThemeName, QByteArray("Journey"));
    QCOMPARE(namesOf(Form1->ListBox2), (QStringList{"Journey001.bmp", "Journey002.JPG", "Journey003.jpg"}));
    QVERIFY(NewFolderDlg->FolderName.isEmpty());
    QVERIFY(messages->requests.isEmpty());
    QVERIFY(!QGuiApplication::overrideCursor()); // the hourglass is gone
}

void TestThemes::renameKeepsNumericOrder()
{
    // Past 999 pictures the serials have four digits: Trip1000 follows Trip999.
    for (int n = 1; n <= 1000; ++n)
        tree->file("base/Trip/Trip" + QByteArray::number(n).rightJustified(3, '0') + ".jpg", QByteArray::number(n));
    start();
    select("Trip");

    dialog->ok(QStringLiteral("Journey"));
    Form1->Rename1Click();

    const QMap<QString, QByteArray> after = snapshot(tree->at("base/Journey"));
    QCOMPARE(after.size(), 1000);
    for (int n = 1; n <= 1000; ++n) {
        const QString name = QStringLiteral("Journey%1.jpg").arg(n, 3, 10, QLatin1Char('0'));
        QCOMPARE(after.value(name), QByteArray::number(n));
    }
}

void TestThemes::renameNeverOverwrites()
{
    // Theme A renamed AB while its folder already holds AB001.jpg: A001.jpg
    // cannot take that name and stays; AB001.jpg, which begins with A too, is
    // numbered after A002.jpg.
    tree->file("base/A/A001.jpg", "a1");
    tree->file("base/A/A002.jpg", "a2");
    tree->file("base/A/AB001.jpg", "ab1");
    start();
    select("A");

    dialog->ok(QStringLiteral("AB"));
    Form1->Rename1Click();

    const QMap<QString, QByteArray> expected{
        {"A001.jpg", "a1"},
        {"AB002.jpg", "a2"},
        {"AB003.jpg", "ab1"},
    };
    QCOMPARE(snapshot(tree->at("base/AB")), expected);
    QCOMPARE(Form1->ThemeName, QByteArray("AB"));
}

void TestThemes::renameWithoutTheme()
{
    tree->dir("base/Trip");
    start();

    Form1->Rename1Click();
    Form1->Rename2Click();

    QCOMPARE(messages->texts(), (QStringList{SelectFolder, SelectFolder}));
    QCOMPARE(messages->requests.first().kind, MessageBoxes::Kind::Notice);
    QVERIFY(dialog->shown.isEmpty());
}

void TestThemes::takenName_data()
{
    QTest::addColumn<QByteArray>("selected"); // the theme to rename; empty: a new folder
    QTest::addColumn<QString>("name");
    QTest::newRow("rename to its own name") << QByteArray("Trip") << "Trip";
    QTest::newRow("rename to another theme") << QByteArray("Trip") << "Other";
    QTest::newRow("rename to a hidden folder") << QByteArray("Trip") << ".hidden";
    QTest::newRow("new folder") << QByteArray() << "Other";
}

void TestThemes::takenName()
{
    QFETCH(QByteArray, selected);
    QFETCH(QString, name);
    tree->file("base/Trip/Trip001.jpg", "t1");
    tree->file("base/Other/Other001.jpg", "o1");
    tree->dir("base/.hidden");
    start();
    if (!selected.isEmpty())
        select(selected);
    const auto before = snapshot(base());

    dialog->ok(name);
    if (selected.isEmpty())
        Form1->N2Click();
    else
        Form1->Rename1Click();

    // The warning, answered Cancel: nothing moves, the typed name is held.
    QCOMPARE(messages->texts(), QStringList{takenText(name)});
    QCOMPARE(messages->requests.first().kind, MessageBoxes::Kind::Warning);
    QCOMPARE(messages->requests.first().caption, QStringLiteral("警告"));
    QCOMPARE(snapshot(base()), before);
    QCOMPARE(NewFolderDlg->FolderName, QFile::encodeName(name));
    QCOMPARE(Form1->ThemeName, selected);

    // The next showing, for either command, offers the held name; Cancel
    // empties it.
    dialog->cancel();
    Form1->N2Click();
    QCOMPARE(dialog->shown.last(), name);
    QVERIFY(NewFolderDlg->FolderName.isEmpty());
}

void TestThemes::takenThenYes_data()
{
    QTest::addColumn<bool>("newFolderRequest"); // else a rename of Trip
    QTest::addColumn<bool>("secondOk");         // OK with a free name, or Cancel
    QTest::newRow("rename, then a free name") << false << true;
    QTest::newRow("rename, then Cancel") << false << false;
    QTest::newRow("new folder with a theme selected, then a free name") << true << true;
    QTest::newRow("new folder with a theme selected, then Cancel") << true << false;
}

void TestThemes::takenThenYes()
{
    QFETCH(bool, newFolderRequest);
    QFETCH(bool, secondOk);
    tree->file("base/Trip/Trip001.jpg", "t1");
    tree->file("base/Other/Other001.jpg", "o1");
    start();
    select("Trip");
    const auto before = snapshot(base());

    // Yes starts a rename of the selected theme: the dialog opens again with
    // the taken name.
    messages->answers << MessageBoxes::IdYes;
    dialog->ok(QStringLiteral("Other"));
    if (secondOk)
        dialog->ok(QStringLiteral("Journey"));
    else
        dialog->cancel();
    if (newFolderRequest)
        Form1->N2Click();
    else
        Form1->Rename1Click();

    QCOMPARE(dialog->shown, (QStringList{newFolderRequest ? QString() : QStringLiteral("Trip"),
                                         QStringLiteral("Other")}));
    QCOMPARE(messages->texts(), QStringList{takenText(QStringLiteral("Other"))});
    QVERIFY(NewFolderDlg->FolderName.isEmpty());
    if (!secondOk) {
        QCOMPARE(snapshot(base()), before);
        QCOMPARE(Form1->ThemeName, QByteArray("Trip"));
        return;
    }
    // Trip renamed with its pictures; no folder created besides.
    const QMap<QString, QByteArray> expected{
        {"Journey", "<dir>"},
        {"Journey/Journey001.jpg", "t1"},
        {"Other", "<dir>"},
        {"Other/Other001.jpg", "o1"},
    };
    QCOMPARE(snapshot(base()), expected);
    QCOMPARE(Form1->ThemeName, QByteArray("Journey"));
}

void TestThemes::newFolderYesWithoutTheme()
{
    tree->dir("base/Other");
    start();
    const auto before = snapshot(base());

    // Yes asks for a rename, but no theme is selected: the notice, no dialog.
    messages->answers << MessageBoxes::IdYes;
    dialog->ok(QStringLiteral("Other"));
    Form1->N2Click();

    QCOMPARE(messages->texts(), (QStringList{takenText(QStringLiteral("Other")), SelectFolder}));
    QCOMPARE(dialog->shown.size(), 1);
    QCOMPARE(snapshot(base()), before);
    QCOMPARE(NewFolderDlg->FolderName, QByteArray("Other"));

    // The held name replaces the empty preset of the next request; with it
    // replaced by a free name, that request creates the folder.
    dialog->ok(QStringLiteral("Fresh"));
    Form1->N2Click();
    QCOMPARE(dialog->shown.last(), QStringLiteral("Other"));
    QVERIFY(isFolder(tree->at("base/Fresh")));
    QCOMPARE(Form1->ThemeName, QByteArray("Fresh"));
    QVERIFY(NewFolderDlg->FolderName.isEmpty());
}

void TestThemes::emptyOk()
{
    tree->file("base/Trip/Trip001.jpg", "t1");
    tree->dir("base/Other");
    start();
    select("Trip");
    const auto before = snapshot(base());

    // First use, OK on an empty edit: nothing happens.
    dialog->ok(QString(""));
    Form1->N2Click();
    QVERIFY(messages->requests.isEmpty());
    QVERIFY(NewFolderDlg->FolderName.isEmpty());
    QCOMPARE(snapshot(base()), before);

    // With a taken name held, an emptied edit goes on with that name, so the
    // same warning comes again.
    dialog->ok(QStringLiteral("Other"));
    Form1->Rename1Click();
    dialog->ok(QString(""));
    Form1->Rename1Click();
    QCOMPARE(messages->texts(), (QStringList{takenText(QStringLiteral("Other")), takenText(QStringLiteral("Other"))}));
    QCOMPARE(NewFolderDlg->FolderName, QByteArray("Other"));
    QCOMPARE(snapshot(base()), before);
}

void TestThemes::refusedName_data()
{
    QTest::addColumn<bool>("rename");
    QTest::addColumn<QString>("name");
    for (const bool rename : {false, true}) {
        const char *request = rename ? "rename" : "new folder";
        QTest::addRow("%s: into another theme", request) << rename << "Other/Inner";
        QTest::addRow("%s: out of the base folder", request) << rename << "../Outside";
        QTest::addRow("%s: the parent", request) << rename << "..";
        QTest::addRow("%s: the base folder", request) << rename << ".";
        QTest::addRow("%s: trailing slash", request) << rename << "Fresh/";
        QTest::addRow("%s: the root", request) << rename << "/";
    }
}

void TestThemes::refusedName()
{
    QFETCH(bool, rename);
    QFETCH(QString, name);
    tree->file("base/Trip/Trip001.jpg", "t1");
    tree->dir("base/Other");
    start();
    if (rename)
        select("Trip");
    // The whole temporary tree: a refused name must not reach beyond the base folder.
    const auto before = snapshot(tree->path());

    dialog->ok(name);
    if (rename)
        Form1->Rename1Click();
    else
        Form1->N2Click();

    QCOMPARE(messages->texts(), QStringList{refusedText(name)});
    QCOMPARE(messages->requests.first().kind, MessageBoxes::Kind::Notice);
    QCOMPARE(snapshot(tree->path()), before);
    QVERIFY(NewFolderDlg->FolderName.isEmpty());
    QCOMPARE(Form1->ThemeName, rename ? QByteArray("Trip") : QByteArray());
}

void TestThemes::creationFails_data()
{
    QTest::addColumn<bool>("rename");
    QTest::newRow("new folder") << false;
    QTest::newRow("rename") << true;
}

void TestThemes::creationFails()
{
    QFETCH(bool, rename);
    // A plain file holds the name: it is not a folder, so the name counts as
    // free, and the creation or the move fails.
    tree->file("base/Notes", "keep me");
    tree->file("base/Trip/Trip001.jpg", "t1");
    start();
    if (rename)
        select("Trip");
    tree->dir("base/Later"); // made behind the program's back: the refresh shows it

    dialog->ok(QStringLiteral("Notes"));
    try {
        if (rename)
            Form1->Rename1Click();
        else
            Form1->N2Click();
        QFAIL("the selection of a name the theme list lacks must fail");
    } catch (const PlatformError &error) {
        QCOMPARE(error.message(), QStringLiteral("リストのインデックスが範囲を超えています (-1)"));
    }

    QCOMPARE(TempTree::read(tree->at("base/Notes")), QByteArray("keep me"));
    QCOMPARE(TempTree::read(tree->at("base/Trip/Trip001.jpg")), QByteArray("t1"));
    QCOMPARE(namesOf(Form1->ListBox1), (QStringList{"Later", "Trip"}));
    QCOMPARE(Form1->ListBox1->ItemIndex(), -1);
    QVERIFY(Form1->ThemeName.isEmpty());
    QCOMPARE(Form1->ListBox2->Count(), 0);
    QVERIFY(NewFolderDlg->FolderName.isEmpty());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestThemes::letterCase()
{
    // Whether a name is taken is the file system's answer. On one that tells
    // letter case apart, Trip can be renamed TRIP, and "trip" created beside
    // "Trip" is the theme selected afterwards.
    tree->dir("base/probe");
    if (isFolder(tree->at("base/PROBE")))
        QSKIP("the temporary folder ignores letter case");
    ::rmdir(tree->at("base/probe").constData());
    tree->file("base/Trip/Trip001.jpg", "t1");
    tree->file("base/Trip/Trip002.JPG", "t2");
    start();

    dialog->ok(QStringLiteral("trip"));
    Form1->N2Click();
    QVERIFY(isFolder(tree->at("base/trip")));
    QCOMPARE(Form1->ThemeName, QByteArray("trip"));
    QCOMPARE(Form1->ListBox1->Count(), 2);
    ::rmdir(tree->at("base/trip").constData());

    Form1->RefreshThemeList();
    select("Trip");
    dialog->ok(QStringLiteral("TRIP"));
    Form1->Rename1Click();
    QVERIFY(messages->requests.isEmpty());
    const QMap<QString, QByteArray> expected{
        {"TRIP", "<dir>"},
        {"TRIP/TRIP001.jpg", "t1"},
        {"TRIP/TRIP002.JPG", "t2"},
    };
    QCOMPARE(snapshot(base()), expected);
    QCOMPARE(Form1->ThemeName, QByteArray("TRIP"));
}

int main(int argc, char **argv)
{
    PelmoraApplication app(argc, argv);
    TestThemes test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_themes.moc"
