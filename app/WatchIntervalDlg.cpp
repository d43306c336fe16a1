#include "WatchIntervalDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace brisvander {

WatchIntervalDlg::WatchIntervalDlg(int seconds, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("IDD_WATCH_INTERVAL"));
    setWindowTitle(QStringLiteral("Beobachten"));

    m_seconds = new QSpinBox;
    m_seconds->setObjectName(QStringLiteral("IDC_WATCH_SECONDS"));
    m_seconds->setRange(WatchIntervalLeastSeconds, WatchIntervalMostSeconds);
    m_seconds->setSuffix(QStringLiteral(" s"));
    m_seconds->setValue(std::clamp(seconds, WatchIntervalLeastSeconds, WatchIntervalMostSeconds));

    auto* advice = new QLabel(QStringLiteral(
        "Öffentliche Zeitserver möchten höchstens alle %1 Sekunden gefragt werden; kürzere Abstände nur für "
        "eigene Server.").arg(WatchIntervalAdvisedSeconds));
    advice->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Abstand zwischen zwei Anfragen:"), m_seconds);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(advice);
    layout->addWidget(buttons);
    setFixedWidth(sizeHint().width());
}

int WatchIntervalDlg::Seconds() const { return m_seconds->value(); }

std::optional<std::chrono::seconds> AskWatchInterval(QWidget* parent)
{
    WatchIntervalDlg dialog(WatchIntervalAdvisedSeconds, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return std::chrono::seconds{dialog.Seconds()};
}

} // namespace brisvander
