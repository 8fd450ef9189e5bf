#include "form1.h"

#include "forms.h"
#include "imageform/form2.h"
#include "imageform/imagecontrol.h"
#include "imageform/picture.h"
#include "numberedname.h"
#include "paths.h"
#include "sortedlistbox.h"
#include "sourcelistbox.h"
#include "themefilelistbox.h"
#include "verinfo/aboutbox.h"

// ---- picture preview and the about box ----

namespace {

// The double click on a file list: shows the entry's picture in the preview
// window, `folder` being the folder the list's files are in.
void previewEntry(SortedListBox *list, const QByteArray &folder)
{
    // Hidden first, whatever follows: a double click on an entry that is no
    // picture, or on one that fails to load, leaves the preview hidden.
    if (Form2->isVisible())
        Form2->hide();

    // The selected entry (for the source list, the one with the focus: the one
    // double-clicked). An index naming no entry throws the list-index error.
    const QByteArray entry = list->Item(list->ItemIndex());
    if (!TForm1::IsPictureExt(NumberedNames::ExtractFileExt(entry)))
        return;

    // Loaded into a holder of its own: a failure leaves Image1 as it was.
    Picture picture;
    picture.LoadFromFile(Paths::join(folder, entry));
    Form2->Image1->setPicture(picture);

    Form2->resize(Form2->Image1->size());
    Form2->show(); // runs FormShow first: the window was hidden
    Form2->raise();
    Form2->activateWindow();
}

} // namespace

void TForm1::ListBox2DblClick()
{
    previewEntry(ListBox2, Paths::join(BaseFolder, ThemeName));
}

void TForm1::ListBox3DblClick()
{
    previewEntry(ListBox3, SourceFolder);
}

// The about box, modal; its result is not used.
void TForm1::A1Click()
{
    AboutBox->exec();
}
