#include "ZRKit/UI/ZRWindowFrameAutosave.h"

#include "Platform/MainThread.h"
#include "Platform/UserDefaults.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

// Saves the window's frame under its key whenever the window moves, resizes or hides.
class FrameSaver final : public QObject {
public:
    FrameSaver(QWidget* window, QString key)
        : QObject(window)
        , m_window(window)
        , m_key(std::move(key)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window && m_window->isVisible() &&
            (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
             event->type() == QEvent::Hide))
            save();
        return false;
    }

private:
    void save() const {
        const QRect frame = m_window->geometry();
        Platform::UserDefaults::standard().setValue(m_key, QStringLiteral("%1 %2 %3 %4")
                                                               .arg(frame.x())
                                                               .arg(frame.y())
                                                               .arg(frame.width())
                                                               .arg(frame.height()));
    }

    QWidget* m_window;
    QString m_key;
};

// The frame stored under the key, or an empty one when there is none, it does not read, or it lies on no
// screen any more.
QRect savedFrame(const QString& key) {
    const QStringList parts =
        Platform::UserDefaults::standard().string(key).value_or(QString()).split(QLatin1Char(' '));
    if (parts.size() != 4)
        return {};
    int numbers[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = parts.at(i).toInt(&ok);
        if (!ok)
            return {};
    }
    const QRect frame(numbers[0], numbers[1], numbers[2], numbers[3]);
    if (frame.width() <= 0 || frame.height() <= 0)
        return {};
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(frame))
            return frame;
    return {};
}

} // namespace

QString ZRFrameAutosaveKey(const QString& name) {
    return QStringLiteral("Window Frame ") + name;
}

void ZRSetFrameAutosaveName(QWidget* window, const QString& name) {
    Platform::assertMainThread();
    const QString key = ZRFrameAutosaveKey(name);
    if (const QRect frame = savedFrame(key); frame.isValid())
        window->setGeometry(frame);
    window->installEventFilter(new FrameSaver(window, key));
}
