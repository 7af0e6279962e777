#pragma once

#include <string>

namespace testsupport {

// Makes a time zone the process's own for the life of the object, so that
// local-time results are fixed, and restores the previous one afterwards.
class InZone {
public:
    explicit InZone(const char* zone);
    ~InZone();
    InZone(const InZone&) = delete;
    InZone& operator=(const InZone&) = delete;

private:
    bool hadZone = false;
    std::string previous;
};

}  // namespace testsupport
