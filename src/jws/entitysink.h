// EntitySink: receives entities one at a time, for producers that do not hold them all.
#pragma once

#include "jws/jwwtype.h"

#include <functional>

namespace pravelot {

// Receives entities one at a time: a producer hands them over in order instead of
// holding them all in arrays.
class EntitySink {
public:
    virtual ~EntitySink() = default;
    virtual void line(const TEntJwwLine &e) = 0;
    virtual void arc(const TEntJwwEnko &e) = 0;
    virtual void text(TEntJwwMoji &&e) = 0;
    virtual void point(const TEntJwwTen &e) = 0;
    // False for a sink that only counts: a producer may then leave texts' strings empty.
    virtual bool wantsStrings() const { return true; }
};

// Hands entities to the sink it is given, in order (the translation of a .jwk document).
using MemberProducer = std::function<void(EntitySink &)>;

} // namespace pravelot
