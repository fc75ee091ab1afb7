// A test that scans freed heap blocks for a secret (tests/iscsi/
// secret_wipe_test.cpp) must only judge the program's own memory. Test
// doubles stand for what lies outside it (the network and the appliance, a
// child process, the window's controls): while one works, the scan looks
// away.
#pragma once

namespace norvale::test {

inline int& FreedBlockScanPauses() {
    static int pauses = 0;
    return pauses;
}

struct FreedBlockScanPause {
    FreedBlockScanPause() { ++FreedBlockScanPauses(); }
    ~FreedBlockScanPause() { --FreedBlockScanPauses(); }
    FreedBlockScanPause(const FreedBlockScanPause&) = delete;
    FreedBlockScanPause& operator=(const FreedBlockScanPause&) = delete;
};

}  // namespace norvale::test
