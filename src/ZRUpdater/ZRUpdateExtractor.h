#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class ZRUpdateExtractor;

class ZRUpdateExtractorDelegate {
public:
    virtual ~ZRUpdateExtractorDelegate() = default;
    virtual void extractorDidFinish(ZRUpdateExtractor* extractor) = 0;
    virtual void extractorDidFail(ZRUpdateExtractor* extractor) = 0;
};

/*! Unpacks a downloaded archive next to itself, off the main thread; the delegate hears of the result on
    the main thread. In the sandboxed application the tools run in the sandbox service. */
class ZRUpdateExtractor : public QObject {
public:
    explicit ZRUpdateExtractor(ZRUpdateExtractorDelegate* delegate);

    /*! The tool's exit status; -1 when it could not run (or the service could not be reached). */
    static int terminationStatusOfTaskWithLaunchPath(const QString& launchPath, const QStringList& arguments,
                                                     bool sandboxed);

protected:
    /*! Runs work on a worker thread and reports its result to the delegate on the main thread. */
    void runInBackground(std::function<bool()> work);

private:
    ZRUpdateExtractorDelegate* m_delegate;
};

/*! A file-system image (squashfs, or ISO 9660 for the administrator) attached read-only at the folder
    "Volume" beside it: as root with mount -o loop,ro,nosuid,nodev, for any other user with squashfuse
    (the command lines of ZRUpdaterFileManager, which the sandbox service also allows). */
class ZRUpdateDMGMounter final : public ZRUpdateExtractor {
public:
    using ZRUpdateExtractor::ZRUpdateExtractor;
    void mountPath(const QString& path, bool sandboxed);

    /*! Detaches the image attached at the volume folder, if one is, and removes the folder. */
    static void detach(const QString& volume, bool sandboxed);
};

/*! A zip archive expanded with unzip into its own folder. Archives with an entry that could land outside
    that folder (an absolute path, a ".." component) are refused before unzip runs, and a symbolic link
    left pointing outside the folder fails the extraction. */
class ZRUpdateZIPExtractor final : public ZRUpdateExtractor {
public:
    using ZRUpdateExtractor::ZRUpdateExtractor;
    void unzipPath(const QString& path, bool sandboxed);

    /*! Why an entry name of the archive is unsafe, or empty when it is not. */
    static QString unsafeEntryReason(const QString& entryName);
    /*! The first item below folder that is a link resolving outside it, or empty. */
    static QString escapingLinkBelow(const QString& folder);
};
