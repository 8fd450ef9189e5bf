#include "sourcelistbox.h"

SourceListBox::SourceListBox(QWidget *parent)
    : SortedListBox(parent)
{
    setSelectionMode(ExtendedSelection);
}
