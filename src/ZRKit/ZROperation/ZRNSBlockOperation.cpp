#include "ZRKit/ZROperation/ZRNSBlockOperation.h"

#include <QMutexLocker>

ZRNSBlockOperation::Block ZRNSBlockOperation::makeBlock(std::function<void()> function) {
    return std::make_shared<const std::function<void()>>(std::move(function));
}

std::shared_ptr<ZRNSBlockOperation> ZRNSBlockOperation::blockOperationWithBlock(Block block) {
    auto operation = std::make_shared<ZRNSBlockOperation>();
    operation->addExecutionBlock(std::move(block));
    return operation;
}

void ZRNSBlockOperation::addExecutionBlock(Block block) {
    QMutexLocker locker(&m_blocksMutex);
    m_blocks.append(std::move(block));
}

void ZRNSBlockOperation::removeExecutionBlock(const Block& block) {
    QMutexLocker locker(&m_blocksMutex);
    m_blocks.removeAll(block);
}

QList<ZRNSBlockOperation::Block> ZRNSBlockOperation::executionBlocks() const {
    QMutexLocker locker(&m_blocksMutex);
    return m_blocks;
}

QVariant ZRNSBlockOperation::context() const {
    QMutexLocker locker(&m_blocksMutex);
    return m_context;
}

void ZRNSBlockOperation::setContext(const QVariant& context) {
    QMutexLocker locker(&m_blocksMutex);
    m_context = context;
}

void ZRNSBlockOperation::internalMain() {
    if (isCancelled())
        return;
    while (true) {
        Block block;
        {
            QMutexLocker locker(&m_blocksMutex);
            if (m_blocks.isEmpty())
                return;
            block = m_blocks.first();
        }
        if (block && *block)
            (*block)();
        {
            QMutexLocker locker(&m_blocksMutex);
            m_blocks.removeOne(block);
        }
        if (isCancelled())
            return;
    }
}
