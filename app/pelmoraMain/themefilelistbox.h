#pragma once
#include "sortedlistbox.h"

// The theme file list: single selection; accepts drops from the source file list.
class ThemeFileListBox : public SortedListBox
{
    Q_OBJECT
public:
    explicit ThemeFileListBox(QWidget *parent = nullptr);
};
