#pragma once

#include <QString>

namespace Platform {

/*! A programming error in a caller: logs "Invalid parameter not satisfying: <condition>" and ends the
    process, the way the kit reports a required argument that is missing or out of range. */
[[noreturn]] void invalidParameter(const QString& condition);

inline void parameterAssert(bool satisfied, const char* condition) {
    if (!satisfied)
        invalidParameter(QString::fromUtf8(condition));
}

} // namespace Platform
