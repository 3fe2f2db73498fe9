#include "paths/runtime_location.h"

RuntimeLocation &runtimeLocation() {
    static RuntimeLocation location;
    return location;
}
