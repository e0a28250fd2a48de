#include "library/lock_object.h"

#include "os/named_mutex.h"

#define LIB_UNIT "library/lock_object"
#include "library/lib_assert.h"

namespace lib {

lock_object::lock_object(const char* name) : kind(name == nullptr) {
    if (!kind) {
        lo_mutex = os::named_mutex::open(name);
        LIB_ASSERT(lo_mutex);
    }
}

lock_object::~lock_object() = default;

void lock_object::lock() {
    if (kind)
        section.lock();
    else
        lo_mutex->lock();
}

void lock_object::unlock() {
    if (kind)
        section.unlock();
    else
        lo_mutex->unlock();
}

Locker::Locker(lock_object* obj) : obj(obj) {
    LIB_ASSERT(obj);
    obj->lock();
}

Locker::~Locker() {
    if (obj)
        obj->unlock();
}

} // namespace lib
