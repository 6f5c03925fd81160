#include "platform/handle_table.h"

namespace platform::registry {

HKEY HandleTable::issue(KeyId key, REGSAM rights) {
    while (open_.count(next_) != 0) next_ = next_ >= kLast ? kFirst : next_ + kStep;
    const HKEY handle = next_;
    next_ = next_ >= kLast ? kFirst : next_ + kStep;
    open_.emplace(handle, OpenKey{key, rights});
    return handle;
}

const OpenKey* HandleTable::find(HKEY handle) const {
    const auto it = open_.find(handle);
    return it == open_.end() ? nullptr : &it->second;
}

bool HandleTable::close(HKEY handle) {
    return open_.erase(handle) != 0;
}

void HandleTable::clear() {
    open_.clear();
}

} // namespace platform::registry
