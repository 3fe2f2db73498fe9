#include "config/process_role.h"

ProcessRole &processRole() {
    static ProcessRole role;
    return role;
}
