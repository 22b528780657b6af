#pragma once

#include <QObject>

#include <set>

// Watches some keys in every window of the program: which are held down, and
// whether any was pressed since the last look. A change of the active window
// forgets them.
class KeyWatch : public QObject {
    Q_OBJECT

public:
    KeyWatch(std::set<int> keys, QObject* parent);

    // True when one of the keys is held down or was pressed since the last call.
    bool heldOrPressedSinceLastLook();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::set<int> keys_;
    std::set<int> held_;
    bool pressed_ = false;
};
