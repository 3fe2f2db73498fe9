#include "entry/entry_point.h"

int main() { return runLauncher(); }
