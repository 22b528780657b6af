#include "ui/SortedComboBox.h"

SortedComboBox::SortedComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(true);
    // Enter in the text field is a command of its own, not a request to add an entry.
    setInsertPolicy(QComboBox::NoInsert);
}

void SortedComboBox::addSorted(const QString& entry)
{
    int index = 0;
    while (index < count() && itemText(index).compare(entry, Qt::CaseInsensitive) <= 0) {
        ++index;
    }
    insertItem(index, entry);
}

int SortedComboBox::ListIndex() const
{
    if (currentIndex() >= 0 && itemText(currentIndex()) == currentText()) {
        return currentIndex();
    }
    return findText(currentText());
}
