#include "form1.h"

// Picture preview and the about box.
void TForm1::ListBox2DblClick() { }
void TForm1::ListBox3DblClick() { }
void TForm1::A1Click() { }
