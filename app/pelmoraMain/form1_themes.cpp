#include "form1.h"

#include "busycursor.h"
#include "collation.h"
#include "fileops.h"
#include "forms.h"
#include "messageboxes.h"
#include "newfolder/newfolderdlg.h"
#include "numberedname.h"
#include "paths.h"
#include "sortedlistbox.h"
#include "sortednamemodel.h"
#include "texts.h"

#include <QFile>

#include <vector>

// Theme folder creation and renaming.

namespace {

// A theme is an entry of the base folder itself. A name holding a "/", or
// naming the base folder or its parent, would create or move a folder
// elsewhere (a rename to "../x" takes the whole theme out of the base folder),
// and a NUL byte would cut the name short on its way to the file system.
// Every other name goes to the file system exactly as typed, blanks included.
bool isThemeFolderName(const QByteArray &name)
{
    return !name.contains('/') && !name.contains('\0') && name != "." && name != "..";
}

// The theme list's entry for a name just created or moved to. The entry with
// exactly these bytes comes first: on a file system that tells letter case
// apart, "trip" may stand beside "Trip", and the new theme must be the one
// selected. Otherwise the entry equal to the name with letter case ignored
// (a file system that stores the name in another case); -1 when none.
int themeIndexOf(const SortedListBox *list, const QByteArray &name)
{
    const std::vector<QByteArray> &names = list->names()->names();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return int(i);
    return list->IndexOfExact(name);
}

} // namespace

void TForm1::N2Click()
{
    EditThemeFolder(QByteArray());
}

void TForm1::Rename1Click()
{
    if (ThemeName.isEmpty()) {
        MessageBoxes::notice(QString::fromUtf8(Texts::SelectFolder));
        return;
    }
    // A copy: the refresh at the end of the request empties ThemeName.
    const QByteArray oldName = ThemeName;
    EditThemeFolder(oldName);
}

void TForm1::Rename2Click()
{
    Rename1Click();
}

void TForm1::EditThemeFolder(const QByteArray &oldName)
{
    TNewFolderDlg *dialog = NewFolderDlg;
    dialog->setEditName(oldName);
    if (dialog->exec() != TNewFolderDlg::ResultOk) {
        dialog->FolderName.clear();
        return;
    }
    // OK on an empty edit with no name held from before: nothing to do.
    if (dialog->FolderName.isEmpty())
        return;

    const QByteArray name = dialog->FolderName;
    if (!isThemeFolderName(name)) {
        MessageBoxes::notice(QFile::decodeName(name) + QString::fromUtf8(Texts::NameNotUsableSuffix));
        dialog->FolderName.clear();
        return;
    }

    // Whether the name is taken is the file system's answer for that exact
    // name: on a file system that ignores letter case "TRIP" is taken when
    // "Trip" exists and the warning comes; on one that tells case apart it is
    // free, so Trip can be renamed to TRIP (pictures included) as a Linux user
    // expects, and "trip" may be created beside "Trip".
    const QByteArray target = Paths::join(BaseFolder, name);
    if (Paths::isDirectory(target)) {
        // FolderName keeps the taken name, which the next showing offers again.
        const int answer = MessageBoxes::warningYesCancel(QFile::decodeName(name)
                                                          + QString::fromUtf8(Texts::NameTakenSuffix));
        if (answer == MessageBoxes::IdYes)
            Rename1Click();
        return;
    }

    // Failures are not reported here: the theme list below shows what exists,
    // and the selection of a name it lacks ends the command with its error.
    if (oldName.isEmpty()) {
        FileOps::createFolder(target);
    } else {
        FileOps::moveNoReplace(Paths::join(BaseFolder, oldName), target);
        RenumberTheme(name, oldName);
    }

    RefreshThemeList();
    const int index = themeIndexOf(ListBox1, name);
    // Emptied before the selection, so that the dialog holds no name even when
    // the selection fails.
    dialog->FolderName.clear();
    ListBox1->SetItemIndex(index);
    ListBox1Click();
}

void TForm1::RenumberTheme(const QByteArray &newName, const QByteArray &oldName)
{
    const QByteArray folder = Paths::join(BaseFolder, newName);
    std::vector<QByteArray> names;
    ListFiles(names, Paths::join(folder, oldName + "*.*"));
    // The lists' own order, which reads serial numbers as numbers: Trip999
    // before Trip1000, so a theme past 999 pictures keeps its sequence.
    NameCollation::instance().sort(names);

    BusyCursor busy;
    int skipped = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        const QByteArray extension = NumberedNames::ExtractFileExt(names[i]);
        if (!IsPictureExt(extension)) {
            ++skipped;
            continue;
        }
        // The picture's place among the pictures; a failed rename leaves a gap
        // instead of shifting the serials of the pictures after it.
        const int serial = int(i) - skipped + 1;
        FileOps::moveNoReplace(Paths::join(folder, names[i]),
                               Paths::join(folder, NumberedNames::NumberedName(newName, serial, extension)));
    }
}
