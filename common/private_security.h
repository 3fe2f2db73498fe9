// Security attributes for objects that others must not plant or change: a
// protected DACL (nothing inherited from the parent) that grants full access
// to the process's user and the administrators, and optionally a narrow right
// to everyone.
#ifndef PELLUX_COMMON_PRIVATE_SECURITY_H
#define PELLUX_COMMON_PRIVATE_SECURITY_H

#include <windows.h>

class PrivateSecurity {
public:
    // ownerAccess goes to the user and the administrators; everyoneAccess,
    // when nonzero, to the world. Container and object inheritance is set, so
    // files and folders made inside a folder carry the same entries.
    PrivateSecurity(DWORD ownerAccess, DWORD everyoneAccess);
    PrivateSecurity(const PrivateSecurity &) = delete;
    PrivateSecurity &operator=(const PrivateSecurity &) = delete;

    // Null when the descriptor could not be built; callers must not fall back
    // to inherited permissions then.
    SECURITY_ATTRIBUTES *attributes() { return ready_ ? &attributes_ : nullptr; }

private:
    bool addEntry(PSID sid, DWORD access);

    union {
        TOKEN_USER user_;
        unsigned char userBytes_[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
    };
    unsigned char administrators_[SECURITY_MAX_SID_SIZE];
    unsigned char everyone_[SECURITY_MAX_SID_SIZE];
    union {
        ACL acl_;
        unsigned char aclBytes_[512];
    };
    SECURITY_DESCRIPTOR descriptor_;
    SECURITY_ATTRIBUTES attributes_;
    bool ready_ = false;
};

#endif
