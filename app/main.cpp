#include "BrisvanderApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    brisvander::CBrisvanderApp brisvander;
    if (!brisvander.InitInstance())
        return 0;
    return QApplication::exec();
}
