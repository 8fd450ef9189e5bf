#include "form1.h"

// Adding pictures to a theme: built by the Add command.
void TForm1::SpeedButton2Click() { }
bool TForm1::ListBox2DragOver(QObject *) { return false; }
void TForm1::ListBox2DragDrop(QObject *) { }
