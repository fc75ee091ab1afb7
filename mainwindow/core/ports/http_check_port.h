// Whether a web server answers at a URL (InternetCheckConnectionW with a
// forced connection). Called from worker threads: an implementation keeps
// no state that two calls could share unsafely.
#pragma once

#include <string>

namespace norvale {

class HttpCheckPort {
public:
    virtual ~HttpCheckPort() = default;
    // Blocks until the server answered or the attempt failed.
    virtual bool CheckConnection(const std::wstring& url) = 0;
};

}  // namespace norvale
