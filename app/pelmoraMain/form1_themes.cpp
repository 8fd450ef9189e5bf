#include "form1.h"

// Theme folder creation and renaming.
void TForm1::N2Click() { }
void TForm1::Rename1Click() { }
void TForm1::Rename2Click() { Rename1Click(); }
void TForm1::EditThemeFolder(const QByteArray &) { }
void TForm1::RenumberTheme(const QByteArray &, const QByteArray &) { }
