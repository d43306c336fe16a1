// Shows the About box for a look at it:
//   about_box_show [--click-web] [icon file]
// --click-web clicks the web link a second after opening.
#include "AboutDlg.h"
#include "LinkLabel.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

using namespace brisvander;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList arguments = QApplication::arguments().mid(1);
    const bool clickWeb = arguments.removeAll(QStringLiteral("--click-web")) > 0;
    if (!arguments.isEmpty())
        QApplication::setWindowIcon(QIcon(arguments.first()));
    CAboutDlg dialog;
    if (clickWeb)
        QTimer::singleShot(1000, &dialog, [&dialog] { dialog.WebLink().OnLinkClicked(); });
    return dialog.DoModal() == QDialog::Accepted ? 0 : 1;
}
