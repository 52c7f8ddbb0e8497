#pragma once

// Reading predicate texts in tests: a text that must parse, and one that must be refused.
#include "Platform/Predicate.h"

#include <gtest/gtest.h>

namespace PredicateTestSupport {

inline Platform::Predicate parse(const QString& text) {
    QString error;
    const std::optional<Platform::Predicate> predicate = Platform::Predicate::fromFormat(text, &error);
    EXPECT_TRUE(predicate.has_value()) << text.toStdString() << ": " << error.toStdString();
    return predicate.value_or(Platform::Predicate::falsePredicate());
}

inline QString parseError(const QString& text) {
    QString error;
    EXPECT_FALSE(Platform::Predicate::fromFormat(text, &error).has_value()) << text.toStdString();
    return error;
}

} // namespace PredicateTestSupport
