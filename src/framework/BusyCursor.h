// The busy cursor: the hourglass for as long as the object lives, so that
// whatever ends a long operation early (an exception shown by the guarded
// dispatch), the cursor comes back. The test window shows it while the kernels
// run, the list models while a long file loads.
#pragma once

namespace tarvo {

class HourglassCursor {
public:
    HourglassCursor();
    ~HourglassCursor();
    HourglassCursor(const HourglassCursor &) = delete;
    HourglassCursor &operator=(const HourglassCursor &) = delete;
};

} // namespace tarvo
