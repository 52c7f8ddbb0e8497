#pragma once

#include <QTimer>
#include <QWidget>

/*! A small spinning, indeterminate progress indicator. */
class ZRProgressIndicator final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ZRProgressIndicator)

public:
    explicit ZRProgressIndicator(QWidget* parent = nullptr);

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return m_timer.isActive(); }

    QSize sizeHint() const override { return QSize(16, 16); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer m_timer;
    int m_step = 0;
};
