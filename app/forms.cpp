#include "forms.h"
#include "pelmoraMain/form1.h"
#include "newfolder/newfolderdlg.h"
#include "verinfo/aboutbox.h"
#include "imageform/form2.h"

TForm1 *Form1 = nullptr;
TNewFolderDlg *NewFolderDlg = nullptr;
TAboutBox *AboutBox = nullptr;
TForm2 *Form2 = nullptr;

namespace Forms {

void createAll()
{
    Form1 = new TForm1;
    NewFolderDlg = new TNewFolderDlg(Form1);
    AboutBox = new TAboutBox(Form1);
    Form2 = new TForm2;
}

void destroyAll()
{
    delete Form2;
    Form2 = nullptr;
    delete Form1; // owns the two dialogs
    Form1 = nullptr;
    NewFolderDlg = nullptr;
    AboutBox = nullptr;
}

} // namespace Forms
