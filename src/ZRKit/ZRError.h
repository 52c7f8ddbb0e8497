#pragma once

#include "Platform/Error.h"

#include <QString>

/*! The kit's own errors: domain "com.dunwarbeck.error.zrkit", code 0. A null description or suggestion
    (an empty one is a text) is a programming error: "Invalid parameter not satisfying: ...". */
namespace ZRError {

inline const QString Domain = QStringLiteral("com.dunwarbeck.error.zrkit");

Platform::Error zr_errorWithLocalizedDescription(const QString& localizedDescription);
Platform::Error zr_errorWithLocalizedDescription(const QString& localizedDescription,
                                                 const QString& recoverySuggestion);

} // namespace ZRError
