#include "support/TimeZone.h"

#include <cstdlib>
#include <ctime>

namespace testsupport {

InZone::InZone(const char* zone) {
    const char* old = std::getenv("TZ");
    hadZone = old != nullptr;
    if (hadZone) previous = old;
    setenv("TZ", zone, 1);
    tzset();
}

InZone::~InZone() {
    if (hadZone) {
        setenv("TZ", previous.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

}  // namespace testsupport
