#pragma once

class TForm1;
class TNewFolderDlg;
class TAboutBox;
class TForm2;

// The four windows of the program, created at start in this order and alive
// until it ends.
extern TForm1 *Form1;
extern TNewFolderDlg *NewFolderDlg;
extern TAboutBox *AboutBox;
extern TForm2 *Form2;

namespace Forms {
// Creates Form1 (whose creation fills the theme list), then NewFolderDlg,
// AboutBox and Form2, all hidden.
void createAll();
void destroyAll();
}
