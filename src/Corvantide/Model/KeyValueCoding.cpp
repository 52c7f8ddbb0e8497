#include "Model/KeyValueCoding.h"

#include "Platform/PredicateKeyPath.h"

namespace KeyValueCoding {

QVariant valueForKeyPath(const QString& keyPath,
                         const std::function<QVariant(const QString& key)>& valueForKey) {
    return Platform::PredicateKeyPath::valueForKeyPath(keyPath, valueForKey);
}

} // namespace KeyValueCoding
