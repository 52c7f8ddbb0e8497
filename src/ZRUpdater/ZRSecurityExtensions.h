#pragma once

#include "Platform/Error.h"

#include <QString>

#include <functional>

/*! The file operations that replace an application bundle, schedule its relaunch and release downloads
    from quarantine. Copy and move use the plain file system when the folder is writable and otherwise a
    shell script run with administrator rights (ZRPrivilegedRunner); every path reaches such a script as
    a positional parameter, never as script text. The operations block while they work and are meant to
    run one at a time. */
namespace ZRSecurityExtensions {

/*! The extended attribute that marks a download as not yet trusted. */
inline const char* const QuarantineAttributeName = "user.com.apple.quarantine";

/*! removeXAttr option: act on a symbolic link itself rather than on what it points to. */
inline constexpr int XattrNoFollow = 1;

/*! Where the old bundle waits while it is replaced: Corvantide.app -> Corvantide.old.app beside it; a
    name without extension gets ".old". */
QString temporaryReplacementPath(const QString& destination);

/*! Replaces destination with a copy of source. When destination's folder is writable: the copy is made
    beside destination under a hidden staging name, then an existing destination goes to the Trash and
    the copy is renamed into its place; a failed copy leaves no partial copy behind and the old
    destination where it was. Otherwise the administrator copy (_copyPathWithForcedAuthentication),
    which reports no error object. */
bool copyPathWithAuthentication(const QString& source, const QString& destination,
                                Platform::OptionalError* error = nullptr);

/*! Moves source onto the existing destination. When destination and its folder are writable: the
    destination goes to the Trash and source is renamed into its place (a failed rename brings the old
    destination back). Otherwise the administrator move. A missing destination is refused. */
bool movePathWithAuthentication(const QString& source, const QString& destination,
                                Platform::OptionalError* error = nullptr);

/*! As administrator: moves an existing destination aside to the temporary path, copies source to
    destination and removes the old one; when the copy fails, the partial copy is removed and the old
    destination put back. The copy takes the owner, group and mode of the destination it replaces (of
    the destination's folder, mode 0755, for a new one) and loses group and other write permission
    throughout when that owner is root or the replaced mode was closed to them. Needs source to exist and
    the temporary path to be free. */
bool _copyPathWithForcedAuthentication(const QString& source, const QString& destination);

/*! As administrator: destination aside, source into its place (keeping destination's owner and group),
    the old one removed; when the second step fails the old destination is put back. */
bool _movePathWithForcedAuthentication(const QString& source, const QString& destination);

/*! Starts a detached script that waits (polling every 0.2 s, at most 600 s) until the process has gone,
    then starts the application at launchPath (a bundle's executable, or the executable itself) and
    removes temporaryFolder in any case. Returns once the script has started. processID must be above 1
    and both paths non-empty (programming errors otherwise). */
void waitForApplicationWithProcessIDToQuit(qint32 processID, const QString& launchPath,
                                           const QString& temporaryFolder);

/*! The relaunch script for this very process, without a folder to remove: once this process has gone
    it starts the application at launchPath (the start-from-disk-image check's restart). */
void launchWhenThisProcessHasQuit(const QString& launchPath);

/*! Removes the quarantine attribute from the item and, for a folder, from everything below it; links
    are neither followed nor descended into. Errors are ignored. */
void releaseItemFromQuarantine(const QString& path);

/*! removexattr(2) of the attribute on the path (lremovexattr with XattrNoFollow). A path that has no
    file-system form (empty, or holding a NUL character) answers -1 with errno EDOM. */
int removeXAttr(const char* name, const QString& path, int options);

/*! Replaces the "may this process write there" test (tests run as root, who may write anywhere); an
    empty function restores access(2). Answers the previous one. */
std::function<bool(const QString& path)>
setWritableCheckForTesting(std::function<bool(const QString& path)> check);

/*! How many times the relaunch script looks for the old process before it gives up (0 restores 3000, ten
    minutes); tests cannot wait that long. */
void setRelaunchPollLimitForTesting(int polls);

} // namespace ZRSecurityExtensions
