#include "form2.h"

TForm2::TForm2(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Form2"));
}
