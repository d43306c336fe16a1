// Shows the About box for a look at it: about_box_show [icon file].
#include "AboutDlg.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc > 1)
        QApplication::setWindowIcon(QIcon(QString::fromLocal8Bit(argv[1])));
    CAboutDlg dialog;
    return dialog.DoModal() == QDialog::Accepted ? 0 : 1;
}
