#pragma once

#include "ZRKit/ZROperation/ZRNSOperation.h"

#include <QList>
#include <QVariant>

/*! Runs its blocks one after another in the order they were added, each once, blocks added while it
    runs included; cancelling stops it before the next block. A block is a shared handle so that the
    same block can be removed again. */
class ZRNSBlockOperation : public ZRNSOperation {
    Q_OBJECT

public:
    using Block = std::shared_ptr<const std::function<void()>>;

    static Block makeBlock(std::function<void()> function);
    static std::shared_ptr<ZRNSBlockOperation> blockOperationWithBlock(Block block);

    void addExecutionBlock(Block block);
    /*! Removes every entry that is this block. */
    void removeExecutionBlock(const Block& block);
    QList<Block> executionBlocks() const;

    QVariant context() const;
    void setContext(const QVariant& context);

protected:
    void internalMain() override;

private:
    mutable QMutex m_blocksMutex;
    QList<Block> m_blocks;
    QVariant m_context;
};
