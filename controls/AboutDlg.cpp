#include "AboutDlg.h"

#include "AboutTexts.h"
#include "CreditsScroller.h"
#include "DialogUnitScale.h"
#include "LinkLabel.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace brisvander {

namespace {

constexpr int kIconPixels = 32;

QLabel* StaticText(QWidget* parent, const QString& text, const QRect& box)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(box);
    return label;
}

// The owner's icon (a dialog without its own icon inherits it), else the
// application's.
QIcon ApplicationIcon(const QWidget& widget)
{
    const QIcon icon = widget.windowIcon();
    return icon.isNull() ? widget.style()->standardIcon(QStyle::SP_ComputerIcon) : icon;
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8(AboutText::Title));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    CreateControls();
    OnInitDialog();
}

// The dialog template, in dialog units of the dialog font.
void CAboutDlg::CreateControls()
{
    const DialogUnitScale du(font());
    setFixedSize(du.X(386), du.Y(142));

    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon(*this).pixmap(kIconPixels, kIconPixels));
    icon->setGeometry(du.X(15), du.Y(17), kIconPixels, kIconPixels);

    StaticText(this, QString::fromUtf8(AboutText::NameAndVersion), du.Rect(74, 16, 134, 8));
    StaticText(this, QString::fromUtf8(AboutText::Copyright), du.Rect(74, 30, 198, 8));

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setGeometry(du.Rect(329, 7, 50, 14));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    m_linkWeb = new CLinkLabel(this);
    m_linkWeb->setText(QString::fromLatin1(AboutText::WebAddress));
    m_linkWeb->setGeometry(du.Rect(74, 44, 198, 8));

    m_linkMail = new CLinkLabel(this);
    m_linkMail->setText(QString::fromLatin1(AboutText::MailLink));
    m_linkMail->setGeometry(du.Rect(74, 58, 118, 8));

    m_credits = new CCreditsScroller(this);
    m_credits->setGeometry(du.Rect(7, 84, 372, 51));

    // OK is the only tab stop and so has the focus.
    m_okButton->setFocus();
}

void CAboutDlg::OnInitDialog()
{
    m_linkMail->Attach();
    m_linkWeb->Attach();

    m_credits->SetFontName(QStringLiteral("Courrier"));
    m_credits->SetFontSize(14);
    m_credits->SetFontItalic(false);
    m_credits->SetTextColor(Rgb(0, 0, 0));
    m_credits->SetBkColor(Rgb(255, 255, 255));
    m_credits->SetBorder(false);
    m_credits->AddLines(AboutCreditEntries());
}

} // namespace brisvander
