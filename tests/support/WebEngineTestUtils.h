#pragma once

// Helpers for tests that reach into a real Qt WebEngine view (they link Qt WebEngine themselves).
#include "TestUtils.h"

#include <QPoint>
#include <QTest>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <memory>

namespace TestUtils {

/*! Runs a script in the world and waits for its value. A value that comes after the wait has given up
    lands in a place of its own, not in a frame that has returned. */
inline QVariant evaluate(QWebEngineView* view, const QString& script,
                         quint32 world = QWebEngineScript::MainWorld) {
    struct Outcome {
        QVariant result;
        bool done = false;
    };
    const auto outcome = std::make_shared<Outcome>();
    EXPECT_NE(view, nullptr);
    if (view == nullptr)
        return {};
    view->page()->runJavaScript(script, world, [outcome](const QVariant& value) {
        outcome->result = value;
        outcome->done = true;
    });
    EXPECT_TRUE(waitUntil([&] { return outcome->done; }));
    return outcome->result;
}

/*! A real click of the user, through the window system, at the point. A page takes input only once the
    engine has shown it, so clicks at warmUp (somewhere harmless) go first until the page has seen a
    trusted one. The world is where the test's own scripts run. */
inline void clickWhenThePageTakesInput(QWebEngineView* view, QPoint warmUp, QPoint point,
                                       quint32 world = QWebEngineScript::MainWorld) {
    ASSERT_NE(view, nullptr);
    QWidget* target = view->focusProxy();
    ASSERT_NE(target, nullptr);
    evaluate(view,
             QStringLiteral("window.__sawClick = false; document.addEventListener('mousedown', "
                            "function (e) { if (e.isTrusted) window.__sawClick = true; }, true)"),
             world);
    ASSERT_TRUE(waitUntil(
        [&] {
            QTest::mouseClick(target, Qt::LeftButton, {}, warmUp);
            spin(50);
            return evaluate(view, QStringLiteral("window.__sawClick"), world).toBool();
        },
        30000));
    QTest::mouseClick(target, Qt::LeftButton, {}, point);
}

} // namespace TestUtils
