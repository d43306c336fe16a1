#include "ServerComboBox.h"

#include <QAbstractItemView>

namespace brisvander {

ServerComboBox::ServerComboBox(QWidget* parent) : QComboBox(parent) {}

int ServerComboBox::RowForTypedHost(const QString& typed) const
{
    if (typed.isEmpty())
        return -1;
    int row = findText(typed, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (row < 0)
        row = findText(typed, Qt::MatchFixedString);
    if (row < 0)
        row = findText(typed, Qt::MatchStartsWith);
    return row;
}

void ServerComboBox::showPopup()
{
    // Typing changes only the edit field, so the combo box's own current
    // entry can be an old one; the list is pointed after it has opened,
    // which leaves the edit field and the current entry alone.
    const int row = RowForTypedHost(currentText());
    QComboBox::showPopup();
    QAbstractItemView* list = view();
    if (row < 0) {
        list->clearSelection();
        list->setCurrentIndex(QModelIndex());
        list->scrollToTop();
        return;
    }
    const QModelIndex entry = model()->index(row, modelColumn(), rootModelIndex());
    list->setCurrentIndex(entry);
    list->scrollTo(entry, QAbstractItemView::PositionAtCenter);
}

} // namespace brisvander
