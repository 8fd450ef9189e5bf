#include "form1.h"

#include "busycursor.h"
#include "filecopy.h"
#include "messageboxes.h"
#include "numberedname.h"
#include "paths.h"
#include "sourcelistbox.h"
#include "texts.h"
#include "textreport.h"
#include "themefilelistbox.h"

#include <cstdint>
#include <limits>
#include <vector>

// ---- adding pictures to a theme ----

// Add: copies every selected entry of the source file list, in list order, into
// the current theme under the theme's next numbered names, never replacing a
// file. The names that could not be copied go to "MisCopy.txt" in the theme.
void TForm1::SpeedButton2Click()
{
    if (ThemeName.isEmpty()) {
        MessageBoxes::notice(QString::fromUtf8(Texts::SelectFolder));
        return;
    }
    BusyCursor busy; // put back however Add ends, also by an error

    // Numbering continues after the serial of the last entry in list order
    // (the list's numeric order puts Trip1000 after Trip999); a last entry
    // without a serial gives the entry count. Held in 64 bits so that a next
    // serial past the 32-bit range is seen, not wrapped.
    const int count = ListBox2->Count();
    std::int64_t lastSerial = count > 0 ? NumberOfName(ListBox2->Item(count - 1)) : 0;
    if (lastSerial == -1)
        lastSerial = count;

    const std::vector<int> rows = ListBox3->SelectedRows();
    if (rows.empty())
        return;

    const QByteArray themeFolder = Paths::join(BaseFolder, ThemeName);
    std::vector<QByteArray> failures;
    for (const int row : rows) {
        const QByteArray entry = ListBox3->Item(row);
        const std::int64_t serial = lastSerial + 1;
        bool copied = false;
        if (serial <= std::numeric_limits<std::int32_t>::max()) {
            const QByteArray destination = Paths::join(
                themeFolder, NumberedNames::NumberedName(ThemeName, std::int32_t(serial), NumberedNames::ExtractFileExt(entry)));
            copied = FileCopy::copyNew(Paths::join(SourceFolder, entry), destination) == FileCopy::Result::Copied;
        }
        if (!copied)
            failures.push_back(entry);
        // A failed file keeps its serial: no later file takes the number.
        lastSerial = serial;
    }

    if (!failures.empty()) {
        TextReport::save(Paths::join(themeFolder, "MisCopy.txt"), failures);
        MessageBoxes::notice(QString::fromUtf8(Texts::MisCopyNotice));
    }
    ListFiles(ListBox2, Paths::join(themeFolder, ThemeName + "*.*"));
}

// Every drag that reaches the theme file list is one of ours (the list lets no
// other through), and every one is welcome.
bool TForm1::ListBox2DragOver(QObject *)
{
    return true;
}

void TForm1::ListBox2DragDrop(QObject *)
{
    SpeedButton2Click();
}
