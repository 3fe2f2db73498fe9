#include "common/private_security.h"

#include "common/win32_handles.h"

namespace {

bool readTokenUser(TOKEN_USER *user, DWORD capacity) {
    UniqueHandle token;
    DWORD size = 0;
    return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive()) &&
           GetTokenInformation(token.get(), TokenUser, user, capacity, &size);
}

bool wellKnownSid(WELL_KNOWN_SID_TYPE type, unsigned char *sid) {
    DWORD size = SECURITY_MAX_SID_SIZE;
    return CreateWellKnownSid(type, nullptr, sid, &size) != FALSE;
}

}  // namespace

PrivateSecurity::PrivateSecurity(DWORD ownerAccess, DWORD everyoneAccess) {
    attributes_ = {sizeof attributes_, &descriptor_, FALSE};
    if (!readTokenUser(&user_, sizeof userBytes_) || !wellKnownSid(WinBuiltinAdministratorsSid, administrators_) ||
        !wellKnownSid(WinWorldSid, everyone_) || !InitializeAcl(&acl_, sizeof aclBytes_, ACL_REVISION))
        return;
    if (!addEntry(user_.User.Sid, ownerAccess) || !addEntry(administrators_, ownerAccess) ||
        (everyoneAccess != 0 && !addEntry(everyone_, everyoneAccess)))
        return;
    ready_ = InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
             SetSecurityDescriptorDacl(&descriptor_, TRUE, &acl_, FALSE) &&
             SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

bool PrivateSecurity::addEntry(PSID sid, DWORD access) {
    return AddAccessAllowedAceEx(&acl_, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, access, sid) !=
           FALSE;
}
