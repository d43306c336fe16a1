#include "AutostartDlg.h"

#include "CommandIds.h"
#include "DialogUnitScale.h"
#include "FrameResources.h"

#include <QCheckBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace brisvander {

namespace {
// The template, in dialog units.
constexpr QSize DialogSize(231, 65);
constexpr QRect CheckRect(7, 18, 217, 10);
constexpr QRect IconRect(20, 36, 20, 20);
constexpr QRect CancelRect(101, 44, 50, 14);
constexpr QRect OkRect(174, 44, 50, 14);
constexpr int ProgramIconPixels = 32;
} // namespace

CAutostartDlg::CAutostartDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("IDD_AUTOSTART"));
    setWindowTitle(QStringLiteral("Autostart"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    const DialogUnitScale dialogUnits(font());

    m_check = new QCheckBox(QStringLiteral("Zeit wird beim nächsten Programmstart automatisch syncronisiert "), this);
    m_check->setObjectName(QStringLiteral("IDC_AUTOSTART_CHECK"));
    const QRect checkArea = dialogUnits.Rect(CheckRect);
    // The label must show whole in any font: a wider text widens the dialog,
    // and the buttons keep their place at its right edge.
    const int extraWidth = qMax(0, m_check->sizeHint().width() - checkArea.width());
    m_check->setGeometry(checkArea.x(), checkArea.y(), checkArea.width() + extraWidth,
                         qMax(checkArea.height(), m_check->sizeHint().height()));
    setFixedSize(dialogUnits.X(DialogSize.width()) + extraWidth, dialogUnits.Y(DialogSize.height()));

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QString::fromUtf8(ProgramIconPath)).pixmap(ProgramIconPixels, ProgramIconPixels));
    const QRect iconArea = dialogUnits.Rect(IconRect);
    icon->setGeometry(iconArea.x(), iconArea.y(), ProgramIconPixels, ProgramIconPixels);

    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("IDCANCEL"));
    cancel->setGeometry(dialogUnits.Rect(CancelRect).translated(extraWidth, 0));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("IDOK"));
    ok->setGeometry(dialogUnits.Rect(OkRect).translated(extraWidth, 0));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

CAutostartDlg::~CAutostartDlg() = default;

int CAutostartDlg::DoModal()
{
    DoDataExchange(false);
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

void CAutostartDlg::DoDataExchange(bool saveAndValidate)
{
    if (saveAndValidate)
        m_bAutostart = m_check->isChecked() ? 1 : 0;
    else
        m_check->setChecked(m_bAutostart == 1); // only 1 means on
}

void CAutostartDlg::OnOK()
{
    DoDataExchange(true);
    QDialog::accept();
}

void CAutostartDlg::accept() { OnOK(); }

} // namespace brisvander
