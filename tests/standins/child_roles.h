// First arguments that make the test program act a child role (test_main.cpp).
#ifndef PELLUX_TESTS_STANDINS_CHILD_ROLES_H
#define PELLUX_TESTS_STANDINS_CHILD_ROLES_H

const wchar_t CHILD_VM_DIALOGUE[] = L"--vm-dialogue";
const wchar_t CHILD_VM_CALL_SLOT[] = L"--vm-call-slot";

#endif
