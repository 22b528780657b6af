#pragma once

#include <QComboBox>

// An editable combo box whose list stays sorted, whatever order entries come in.
class SortedComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit SortedComboBox(QWidget* parent);

    // Adds an entry at its alphabetical place; letter case does not count, and
    // an entry equal to others goes after them.
    void addSorted(const QString& entry);
};
