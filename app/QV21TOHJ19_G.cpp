#include "app/ProgramMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return ProgramMain(QApplication::arguments().mid(1));
}
