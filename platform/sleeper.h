#pragma once

namespace tavik::platform {

// Blocking pauses on the calling thread, behind a seam so tests can record them.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void sleepMs(int ms) = 0;

    static Sleeper& system();
};

} // namespace tavik::platform
