// File-system redirection of a 32-bit process on 64-bit Windows. The
// functions are looked up by name at run time (older Windows lacks them), so
// every call tells apart "done", "not there" and "failed".
#pragma once

namespace norvale {

enum class RedirectionResult { Done, Unavailable, Failed };

class Wow64RedirectionPort {
public:
    virtual ~Wow64RedirectionPort() = default;
    // Wow64DisableWow64FsRedirection for the calling thread; the old state is
    // not kept, the program never reverts this way.
    virtual RedirectionResult Disable() = 0;
    // Wow64EnableWow64FsRedirection(on) for the calling thread.
    virtual RedirectionResult Enable(bool on) = 0;
};

}  // namespace norvale
