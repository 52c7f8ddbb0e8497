#include "ZRKit/ZRLog.h"

#include "Platform/UserDefaults.h"

#include <atomic>

namespace {

constexpr long long NotRead = -1;
std::atomic<long long> cachedLevel{NotRead};

} // namespace

bool ShouldLog(int level) {
    long long current = cachedLevel.load(std::memory_order_relaxed);
    if (current == NotRead) {
        current = Platform::UserDefaults::standard().integer(QStringLiteral("logLevel"));
        cachedLevel.store(current, std::memory_order_relaxed);
    }
    return current != 0 && current >= level;
}

void ZRResetLogLevelForTesting() {
    cachedLevel.store(NotRead, std::memory_order_relaxed);
}
