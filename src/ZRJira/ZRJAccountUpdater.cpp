#include "ZRJira/ZRJAccountUpdater.h"

ZRJAccountUpdater::~ZRJAccountUpdater() = default;
