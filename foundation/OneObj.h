#pragma once

#include <memory>

namespace Norq {

/// Gives the whole process one instance of a library object, created on first use (safely,
/// from any thread) and torn down at exit after its `shutdown` hook has run.
template <class T> class OneObj {
public:
    static T& instance() {
        static Holder holder;
        return *holder.object;
    }

private:
    struct Holder {
        std::unique_ptr<T> object = std::make_unique<T>();
        ~Holder() { object->shutdown(); }
    };
};

} // namespace Norq
