#pragma once

namespace quarrow {

// The two things window automation needs from the program while it drives another one:
// a pause between input events, and a moment for the program's own window to answer its
// user. Plain C++ so that the automation builds without Qt (the Windows build of the
// window code does not link Qt).
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void sleep(int delay_ms) = 0;
};

class EventPump {
public:
    virtual ~EventPump() = default;
    // Lets the user interface handle what is waiting (clicks, repaints) during long work.
    virtual void processEvents() = 0;
};

}  // namespace quarrow
