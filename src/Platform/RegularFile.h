#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

/*! Opening files that someone else may have put in the way: a named pipe or a device at the path never
    blocks the caller, and only a regular file is opened. */
namespace Platform::RegularFile {

enum class Links { Follow, Refuse };

/*! A descriptor (read-only, close-on-exec, blocking) of the regular file at the path; -1 with a reason
    when the path names anything else, or a symbolic link when links are refused. */
int open(const QString& path, Links links, QString* error);

/*! The whole content of the regular file at the path, refused when it is larger than maximumSize;
    nullopt with a reason otherwise. */
std::optional<QByteArray> read(const QString& path, Links links, QString* error,
                               qint64 maximumSize = qint64(64) << 20);

/*! Copies the regular file at source (not through a link) to a new file at destination with the given
    mode; false with a reason, and nothing left at destination, when it cannot. */
bool copy(const QString& source, const QString& destination, unsigned mode, QString* error);

} // namespace Platform::RegularFile
