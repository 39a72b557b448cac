// Standard error held back while Qt's application object is made. Without a
// display, Qt and the display libraries explain it in English over several
// lines, then Qt aborts: the user reads one French line instead, and the
// program fails. Otherwise what was written meanwhile is let through when the
// object goes. The application (Application.h) holds one around the making of
// Qt's application object, and nowhere else.
#pragma once

namespace tarvo {

class HeldStderr {
public:
    HeldStderr();
    ~HeldStderr();
    HeldStderr(const HeldStderr &) = delete;
    HeldStderr &operator=(const HeldStderr &) = delete;

private:
    int held_ = -1;
};

} // namespace tarvo
