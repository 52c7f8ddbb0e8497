#include "ZRJira/ZRJConnectorDelegate.h"

ZRJConnectorDelegate::~ZRJConnectorDelegate() = default;
