// Once-only start-up and release of the front library.
#include "front_library.h"

namespace netrov::core {

void FrontLibrary::ensureInitialised()
{
    if (initialised_.load()) return;
    std::lock_guard lock(mutex_);
    if (initialised_.load()) return;
    if (access_.init) access_.init(nullptr);
    initialised_.store(true);
}

void FrontLibrary::release()
{
    std::lock_guard lock(mutex_);
    if (!initialised_.load()) return;
    if (access_.release) access_.release();
    initialised_.store(false);
}

}  // namespace netrov::core
