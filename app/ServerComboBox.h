#pragma once
// The server list: a drop-down list with an edit field whose list opens at
// the host in the edit field, typed or chosen, not at the entry chosen last.
#include <QComboBox>

namespace brisvander {

class ServerComboBox : public QComboBox {
public:
    explicit ServerComboBox(QWidget* parent = nullptr);

    void showPopup() override;

    // The row the list opens at for `typed`: the same name (as typed, else
    // in any case), else the first entry that starts with it; -1 for none.
    int RowForTypedHost(const QString& typed) const;
};

} // namespace brisvander
