#include "themefilelistbox.h"

ThemeFileListBox::ThemeFileListBox(QWidget *parent)
    : SortedListBox(parent)
{
}
