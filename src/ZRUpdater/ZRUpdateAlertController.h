#pragma once

#include "ZRUpdater/ZRUpdaterRelease.h"

#include <QWidget>

#include <memory>

namespace Ui {
class ZRUpdateAlertController;
}
namespace Platform {
class WebView;
}
class ZRUpdater;
class ZRProgressIndicator;

/*! Offers one release: its title, its release notes and update conditions (untrusted HTML from the feed,
    shown without scripts, nothing but the first load in each view; a clicked link opens outside only for
    http, https and mailto), and the buttons install (0), later (1) and skip this version (2). */
class ZRUpdateAlertController final : public QWidget {
public:
    ZRUpdateAlertController(ZRUpdaterRelease release, ZRUpdater* delegate);
    ~ZRUpdateAlertController() override;

    const ZRUpdaterRelease& releaseItem() const { return m_release; }
    QString titleText() const;
    QString startUpdateButtonTitle() const;
    bool webViewFinishedLoading() const { return m_webViewFinishedLoading; }
    Platform::WebView* releaseWebView() const { return m_releaseWebView; }
    /*! Turns over the release notes until their page has loaded (for ever when there are none). */
    ZRProgressIndicator* releaseNotesSpinner() const { return m_releaseNotesSpinner; }

    void showWindow();
    void bringToFront();
    /*! Closes the alert and hands the choice to the updater, once. Closing the window otherwise (its close
        button or Escape) is the choice 1, later. */
    void endWithSenderTag(int tag);

    /*! The page shown for a fragment: the bundle's "updaterReleaseNotes.html" with the fragment in place
        of "__RELEASE_NOTES__", or the fragment alone. */
    static QString htmlForFragment(const QByteArray& fragment);
    /*! Hands a clicked link to the desktop when its scheme may leave the application. */
    static bool openLinkOutside(const QUrl& url);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finish(int tag);
    Platform::WebView* makeWebView(QWidget* frame, bool isReleaseNotes);

    std::unique_ptr<Ui::ZRUpdateAlertController> m_ui;
    ZRUpdaterRelease m_release;
    ZRUpdater* m_delegate;
    Platform::WebView* m_releaseWebView = nullptr;
    Platform::WebView* m_updateConditionsWebView = nullptr;
    ZRProgressIndicator* m_releaseNotesSpinner = nullptr;
    bool m_webViewFinishedLoading = false;
    bool m_ended = false;
};
