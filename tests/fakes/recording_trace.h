// A trace sink that keeps every trace for the test to read.
#pragma once

#include <string>
#include <vector>

#include "platform/core/trace_port.h"

namespace norvale::test {

class RecordingTrace final : public TracePort {
public:
    std::vector<std::wstring> lines;

    void Trace(const std::wstring& text) override { lines.push_back(text); }
    std::wstring All() const {
        std::wstring all;
        for (const std::wstring& line : lines) all += line;
        return all;
    }
};

}  // namespace norvale::test
