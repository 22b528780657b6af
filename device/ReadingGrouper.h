#pragma once

#include <QByteArray>

// Bytes received on a port, gathered into readings. What has come is a
// complete reading once it ends in a line feed; without one it is complete
// only after the port has been quiet for kQuietPauseMs, which the owner
// times. A reading is taken whole: everything held at that moment.
class ReadingGrouper {
public:
    static constexpr int kQuietPauseMs = 25;

    enum class Held {
        Nothing,  // no bytes are held
        Complete, // the held bytes end in a line feed
        Partial,  // the held bytes wait for a line feed or the quiet pause
    };

    // Adds bytes that arrived; says what is held afterwards.
    Held add(const QByteArray& bytes);
    Held held() const;

    // Everything held, as one reading; nothing is held afterwards.
    QByteArray take();
    void clear();

private:
    QByteArray bytes_;
};
