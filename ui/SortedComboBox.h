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

    // The entry the box's text is, as in a drop-down combo whose text was
    // edited: the selected one while it shows its own text, else the first of
    // that exact text, -1 when the text is no entry's. Qt's current index stays
    // on the entry last selected, whatever has been typed since.
    int ListIndex() const;
};
