#pragma once
#include "sortedlistbox.h"

// The source file list: multiple (extended) selection; the program's drag source.
class SourceListBox : public SortedListBox
{
    Q_OBJECT
public:
    explicit SourceListBox(QWidget *parent = nullptr);
};
